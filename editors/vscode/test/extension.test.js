// What the editor reads from the extension: package.json's contributions and
// the files they name, the language configuration, and the server's command.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { serverOptions, documentSelector, DEFAULT_COMMAND } = require('../server');

const root = path.join(__dirname, '..');
const manifest = JSON.parse(fs.readFileSync(path.join(root, 'package.json'), 'utf8'));
const configuration = JSON.parse(fs.readFileSync(path.join(root, 'language-configuration.json'), 'utf8'));

test('contributions name files that exist and one language', () => {
  const [language] = manifest.contributes.languages;
  assert.strictEqual(language.id, 'vyl');
  assert.deepStrictEqual(language.extensions, ['.vyl']);
  assert.ok(fs.existsSync(path.join(root, language.configuration)));
  const [grammar] = manifest.contributes.grammars;
  assert.strictEqual(grammar.language, 'vyl');
  const tm = JSON.parse(fs.readFileSync(path.join(root, grammar.path), 'utf8'));
  assert.strictEqual(tm.scopeName, grammar.scopeName);
  assert.ok(fs.existsSync(path.join(root, manifest.main)));
  assert.ok(documentSelector.every((s) => s.language === language.id));
});

test('every dependency is pinned to one version', () => {
  for (const list of [manifest.dependencies, manifest.devDependencies]) {
    for (const [name, version] of Object.entries(list)) assert.match(version, /^\d+\.\d+\.\d+$/, name);
  }
  const lock = JSON.parse(fs.readFileSync(path.join(root, 'package-lock.json'), 'utf8'));
  assert.strictEqual(lock.packages[''].dependencies['vscode-languageclient'], manifest.dependencies['vscode-languageclient']);
});

test('comments and brackets as the language has them', () => {
  assert.strictEqual(configuration.comments.lineComment, '//');
  assert.deepStrictEqual(configuration.comments.blockComment, ['/*', '*/']);
  assert.deepStrictEqual(configuration.brackets.map(([open]) => open).sort(), ['(', '[', '{']);
  const word = new RegExp(`^(?:${configuration.wordPattern})$`);
  assert.ok(word.test('total2') && word.test('0x1F') && !word.test('my_var'));
});

test('indentation after an opening brace and a case label, back at a closing one', () => {
  const increase = new RegExp(configuration.indentationRules.increaseIndentPattern);
  const decrease = new RegExp(configuration.indentationRules.decreaseIndentPattern);
  for (const line of ['void main() {', '  while (i < 3) {', '    case 1:', '    default:', '  f(a,']) {
    assert.ok(increase.test(line), line);
  }
  for (const line of ['  x = 1;', '  s = "{";', '  if (x) y = 1; // {}', '}']) assert.ok(!increase.test(line), line);
  for (const line of ['}', '  } else {', '  )']) assert.ok(decrease.test(line), line);
  assert.ok(!decrease.test('  x = a[1];'));
});

test('the server command comes from the settings', () => {
  assert.deepStrictEqual(serverOptions(undefined, undefined).run, { command: DEFAULT_COMMAND, args: [] });
  assert.deepStrictEqual(serverOptions('  ', null).run, { command: 'vyl-lsp', args: [] });
  assert.deepStrictEqual(serverOptions(' /opt/vyl/bin/vyl-lsp ', ['--stdio', 3]).debug,
    { command: '/opt/vyl/bin/vyl-lsp', args: ['--stdio'] });
});
