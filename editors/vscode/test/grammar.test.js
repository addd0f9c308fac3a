// The TextMate grammar, run by the same engine as VS Code's (vscode-textmate
// with the Oniguruma regular expressions): the scope of each kind of token.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const vsctm = require('vscode-textmate');
const oniguruma = require('vscode-oniguruma');

const grammarPath = path.join(__dirname, '..', 'syntaxes', 'vyl.tmLanguage.json');

async function loadGrammar() {
  const wasm = fs.readFileSync(require.resolve('vscode-oniguruma/release/onig.wasm'));
  await oniguruma.loadWASM(wasm.buffer.slice(wasm.byteOffset, wasm.byteOffset + wasm.byteLength));
  const registry = new vsctm.Registry({
    onigLib: Promise.resolve({
      createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
      createOnigString: (text) => new oniguruma.OnigString(text),
    }),
    loadGrammar: async (scopeName) =>
      scopeName === 'source.vyl' ? vsctm.parseRawGrammar(fs.readFileSync(grammarPath, 'utf8'), grammarPath) : null,
  });
  return registry.loadGrammar('source.vyl');
}

const grammarReady = loadGrammar();

// Each token of the lines as [text, innermost scope], line states carried on.
async function tokenize(lines) {
  const grammar = await grammarReady;
  let state = vsctm.INITIAL;
  const out = [];
  for (const line of lines) {
    const result = grammar.tokenizeLine(line, state);
    for (const t of result.tokens) out.push([line.slice(t.startIndex, t.endIndex), t.scopes[t.scopes.length - 1]]);
    state = result.ruleStack;
  }
  return out;
}

// The scope of the first token whose text is `text`.
async function scopeOf(lines, text) {
  const found = (await tokenize(lines)).find(([t]) => t === text);
  assert.ok(found, `no token '${text}' in ${JSON.stringify(lines)}`);
  return found[1];
}

test('keywords, types and modifiers', async () => {
  const line = ['final static int x = 1; void f() { while (true) { if (x == 0) return; else break; } }'];
  assert.strictEqual(await scopeOf(line, 'final'), 'storage.modifier.vyl');
  assert.strictEqual(await scopeOf(line, 'int'), 'storage.type.vyl');
  assert.strictEqual(await scopeOf(line, 'void'), 'storage.type.vyl');
  assert.strictEqual(await scopeOf(line, 'while'), 'keyword.control.vyl');
  assert.strictEqual(await scopeOf(line, 'return'), 'keyword.control.vyl');
  assert.strictEqual(await scopeOf(line, 'true'), 'constant.language.boolean.vyl');
  assert.strictEqual(await scopeOf(line, 'f'), 'entity.name.function.vyl');
  assert.strictEqual(await scopeOf(line, '=='), 'keyword.operator.vyl');
});

test('declarations, packages and intrinsics', async () => {
  assert.strictEqual(await scopeOf(['class Node { int v; }'], 'Node'), 'entity.name.type.class.vyl');
  assert.strictEqual(await scopeOf(['import Hardware;'], 'Hardware'), 'entity.name.namespace.vyl');
  assert.strictEqual(await scopeOf(['x = ORD(c) + LENGTH(s);'], 'ORD'), 'support.function.vyl');
  assert.strictEqual(await scopeOf(['Node n = new Node();'], 'new'), 'keyword.operator.new.vyl');
  assert.strictEqual(await scopeOf(['if (p == null) p = q;'], 'null'), 'constant.language.null.vyl');
  // Case matters: If and NULL are ordinary names.
  assert.strictEqual(await scopeOf(['If = NULL;'], 'If'), 'variable.other.vyl');
});

test('numbers, characters and strings with their escapes', async () => {
  assert.strictEqual(await scopeOf(['x = 0x1F;'], '0x1F'), 'constant.numeric.hex.vyl');
  assert.strictEqual(await scopeOf(['x = 42;'], '42'), 'constant.numeric.decimal.vyl');
  // Digits then a letter: a number, then a name.
  assert.deepStrictEqual((await tokenize(['12ab'])).map(([, s]) => s),
    ['constant.numeric.decimal.vyl', 'variable.other.vyl']);
  const s = ['s = "a\\tb\\q";'];
  assert.strictEqual(await scopeOf(s, '\\t'), 'constant.character.escape.vyl');
  assert.strictEqual(await scopeOf(s, '\\q'), 'invalid.illegal.unknown-escape.vyl');
  assert.strictEqual(await scopeOf(["c = '\\'';"], '\\\''), 'constant.character.escape.vyl');
  // A string ends with its line: the next line is code again.
  assert.strictEqual(await scopeOf(['s = "open', 'while'], 'while'), 'keyword.control.vyl');
});

test('comments, across lines too', async () => {
  assert.strictEqual(await scopeOf(['x = 1; // int while'], ' int while'), 'comment.line.double-slash.vyl');
  const block = ['x = 1; /* a', 'int b */ int c;'];
  assert.strictEqual(await scopeOf(block, 'int b '), 'comment.block.vyl');
  assert.strictEqual(await scopeOf(block, 'int'), 'storage.type.vyl');  // after the comment
});

test('characters the compiler refuses', async () => {
  assert.strictEqual(await scopeOf(['my_var = 1;'], '_'), 'invalid.illegal.character.vyl');
  assert.strictEqual(await scopeOf(['x = @;'], '@'), 'invalid.illegal.character.vyl');
});
