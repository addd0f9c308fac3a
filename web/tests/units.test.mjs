// The playground's pieces under Node: share links, byte columns, the
// highlighting of Vyl, the code map over a real disassembly, runs in slices,
// and a compilation that exhausts the engine's stack.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { Worker } from 'node:worker_threads';

import { loadVyl, need } from './support.mjs';

need.nodeModules();
need.module();

const { EditorState } = await import('@codemirror/state');
const { ensureSyntaxTree } = await import('@codemirror/language');
const { classHighlighter, highlightTree } = await import('@lezer/highlight');
const { vylLanguage } = await import('../src/vyl-language.js');
const { decodeSource, encodeSource, parseFragment, shareFragment } = await import('../src/share.js');
const { columnOffset, decodeUtf8, formatDiagnostic, tooDeepMessage, utf8Bytes } = await import('../src/compiler.js');
const { CodeMap, disassemblyRows, statementRanges } = await import('../src/code-map.js');

const vyl = await loadVyl();

test('share links carry any source and reject what is not one', () => {
  // '?>' and '~~' encode to '/' and '+' in standard base64; é and the emoji
  // are two and four UTF-8 bytes; the lengths leave 0, 1 and 2 padding bytes.
  for (const source of ['', 'a', 'ab', 'abc', 'x = 1; // ?>~~ é 🙂\r\n', 'void main() {}\n'.repeat(50)]) {
    const encoded = encodeSource(source);
    assert.match(encoded, /^[A-Za-z0-9_-]*$/);
    assert.equal(decodeSource(encoded), source);
    assert.deepEqual(parseFragment(shareFragment(source, true)), { source, run: true });
  }
  assert.deepEqual(parseFragment('#run=1&src=' + encodeSource('x')), { source: 'x', run: true });
  assert.deepEqual(parseFragment('#src=' + encodeSource('x')), { source: 'x', run: false });
  assert.equal(parseFragment('#run=1').source, null);
  for (const bad of ['a+b/', 'YWJj=', 'a', '_w']) assert.equal(decodeSource(bad), null, bad); // alphabet, padding, length, UTF-8
});

test('diagnostic columns count UTF-8 bytes', () => {
  assert.equal(columnOffset('  x = y;', 1), 0);
  assert.equal(columnOffset('  x = y;', 7), 6);
  assert.equal(columnOffset('"é" y', 6), 4); // é is two bytes
  assert.equal(columnOffset('🙂 y', 6), 3); // four bytes, two UTF-16 units
  assert.equal(columnOffset('ab', 40), 2);
  assert.equal(decodeUtf8(utf8Bytes('é🙂')), 'é🙂');
  assert.equal(formatDiagnostic({ line: 3, column: 7, severity: 'warning', message: 'm' }), '3:7: warning: m');
});

test('Vyl highlighting follows the lexical rules', () => {
  const doc = "/* a\n b */ int If = 0x1F; 12ab\nchar c = '\\''; String s = \"q\\\"x\"; // end\nLENGTH(s) >>> Hardware";
  const state = EditorState.create({ doc, extensions: [vylLanguage] });
  const tokens = [];
  highlightTree(ensureSyntaxTree(state, doc.length, 5000), classHighlighter, (from, to, cls) => tokens.push([doc.slice(from, to), cls]));
  assert.equal(
    tokens.map(([t, cls]) => `${t}:${cls.slice(4)}`).join(' '),
    '/* a:comment  b */:comment int:typeName If:variableName =:operator 0x1F:number ;:punctuation 12:number ab:variableName ' +
      "char:typeName c:variableName =:operator '\\'':string ;:punctuation String:typeName s:variableName =:operator " +
      '"q\\"x":string ;:punctuation // end:comment LENGTH:variableName (:punctuation s:variableName ):punctuation ' +
      '>>>:operator Hardware:namespace',
  );
});

test('a compilation gives its listing, its diagnostics and the editor line', () => {
  const good = vyl.compile('void main() {\n}\n');
  assert.ok(good.success);
  assert.deepEqual(good.diagnostics, []);
  // The listing is the output up to its image: the rest is lines of byte values.
  assert.ok(good.listing.startsWith('Text Floppy Disk Image') && good.ftx.startsWith(good.listing));
  const image = good.ftx.slice(good.listing.length).split(/\r?\n/).filter(Boolean);
  assert.ok(image.length > 0 && image.every((l) => /^[\d ]+$/.test(l)));
  assert.ok(!good.listing.split(/\r?\n/).some((l) => /^[\d ]+$/.test(l) && /\d/.test(l)));
  const bad = vyl.compile('void main() {\n  int x = 0;\n  x = y + 1;\n}\n');
  assert.equal(bad.success, false);
  assert.equal(bad.listing, bad.ftx);
  assert.match(bad.stderr, /^prog\.vyl:3:7: error: Undefined name y\n/);
  assert.equal(bad.diagnostics.length, 1);
  // Column 7 once the compiler reports columns (module.cpp, DiagnosticsOf).
  assert.match(formatDiagnostic(bad.diagnostics[0]), /^3:7: error: Undefined name y$/);
});

test('the code map ties every LINE marker of a disassembly to its line', () => {
  const hello = `import Hardware;
final char[] t = "ab";
void main() {
  int i = 0;
  while (i < 2) {
    Print.datum = ORD(t[i]);
    i = i + 1;
  }
}
`;
  const compiled = vyl.compile(hello);
  assert.ok(compiled.success);
  const disassembly = vyl.disassemble(compiled.ftx);
  const rows = disassemblyRows(disassembly.text);
  const map = new CodeMap(disassembly.statements);
  // Rows with addresses are instructions only: not the procedure table nor
  // the constant pool's bytes.
  const coded = rows.filter((r) => r.address !== null);
  assert.ok(coded.length > 10);
  assert.ok(coded.every((r) => /^ {2}[0-9A-F]{4} {2}[0-9A-F]{2}( |$)/.test(r.text)));
  assert.ok(rows.some((r) => r.address === null && /^ {4}[0-9A-F]{4} {2}00 61/.test(r.text)));
  const markers = coded.filter((r) => /LINE \d+/.test(r.text));
  assert.deepEqual(markers.map((r) => map.rangeAt(r.address).line), markers.map((r) => Number(/LINE (\d+)/.exec(r.text)[1])));
  // Each line's ranges hold exactly the rows the map gives back that line for.
  for (const line of [6, 7]) {
    const ranges = map.rangesOfLine(line);
    assert.ok(ranges.length > 0);
    for (const r of coded) assert.equal(ranges.some((g) => g.from <= r.address && r.address < g.to), map.rangeAt(r.address)?.line === line);
  }
  assert.equal(map.rangeAt(0), undefined);
  assert.deepEqual(new CodeMap([{ from: 4, to: 9, line: 2, endLine: 4 }]).rangesOfLine(3).length, 1);
});

test("a line's code is the code after its marker", () => {
  const compiled = vyl.compile('import Hardware;\nvoid main() {\n  Print.datum = 65;\n  Print.datum = 66;\n\n\n  Print.datum = 67;\n}\n');
  const disassembly = vyl.disassemble(compiled.ftx);
  const map = new CodeMap(disassembly.statements);
  const rows = disassemblyRows(disassembly.text).filter((r) => r.address !== null);
  const codeOf = (line) => {
    const ranges = map.rangesOfLine(line);
    return rows.filter((r) => ranges.some((g) => g.from <= r.address && r.address < g.to)).map((r) => r.text.slice(18).trim());
  };
  assert.deepEqual(codeOf(3), ['LINE 3', 'LIT 65', 'PUSHS 10', 'NEG', 'STORE']);
  assert.deepEqual(codeOf(7), ['LINE 7', 'LIT 67', 'PUSHS 10', 'NEG', 'STORE']);
  assert.deepEqual(codeOf(8), ['LINE 8', 'PUSHS 1', 'RET']);
  assert.deepEqual(codeOf(5), []);
});

test('with debug info a line maps to its statements, nested ones innermost, markers included', () => {
  const source = 'import Hardware;\nvoid main() {\n  int i = 0;\n  while (i < 2) {\n    Print.datum = 65;\n    i = i + 1;\n  }\n}\n';
  const compiled = vyl.compile(source);
  assert.ok(compiled.success && compiled.debugInfo);
  const disassembly = vyl.disassemble(compiled.ftx);
  const map = new CodeMap(statementRanges(compiled, disassembly));
  const rows = disassemblyRows(disassembly.text).filter((r) => r.address !== null);
  const codeOf = (line) => {
    const ranges = map.rangesOfLine(line);
    return rows.filter((r) => ranges.some((g) => g.from <= r.address && r.address < g.to)).map((r) => r.text.slice(18).trim());
  };
  // The statement on line 5 is its marker and its store; the one on line 6
  // the increment; the loop on line 4 holds both and its own test and jumps.
  assert.deepEqual(codeOf(5), ['LINE 5', 'LIT 65', 'PUSHS 10', 'NEG', 'STORE']);
  assert.deepEqual(codeOf(6), ['LINE 6', 'LOADL 3', 'PUSHS 1', 'ADD', 'STOREL 3']);
  const loop = codeOf(4);
  assert.ok(loop.includes('LINE 5') && loop.includes('STOREL 3') && loop.includes('LT'));
  // An address inside the loop's body is the body statement's, not the loop's.
  const store = rows.find((r) => /STORE$/.test(r.text));
  assert.equal(map.rangeAt(store.address).line, 5);
});

test('a run in slices prints what one run prints and stops where it says', () => {
  const compiled = vyl.compile(`import Hardware;
void main() {
  int i = 0;
  int[2] a;
  while (i < 300) {
    Print.datum = 65 + i % 26;
    i = i + 1;
  }
  a[i] = 1;
}
`);
  const whole = vyl.startRun(compiled.ftx, '', 1e9);
  const once = whole.slice(1e9);
  whole.dispose();
  assert.equal(once.status, 'trap');
  assert.equal(once.procedure, 'main');
  assert.equal(new CodeMap(vyl.disassemble(compiled.ftx).statements).rangeAt(once.address).line, 9);
  assert.match(once.message, /^trap at [0-9A-F]{4} \(main, (near )?line \d+\): run-time check failed/);
  assert.ok(once.message.endsWith(once.reason));
  const sliced = vyl.startRun(compiled.ftx, '', 1e9);
  let output = '';
  let state;
  assert.equal(sliced.slice(0).steps, 0);
  do {
    state = sliced.slice(97);
    output += state.output;
  } while (state.status === 'running');
  sliced.dispose();
  assert.deepEqual({ ...state, output }, once);
  // The step limit ends a run between two slices as it ends a whole run.
  const limited = vyl.startRun(compiled.ftx, '', 1000);
  assert.equal(limited.slice(600).status, 'running');
  const last = limited.slice(600);
  limited.dispose();
  assert.equal(last.status, 'step limit');
  assert.equal(last.steps, 1000);
  const broken = vyl.startRun('Text Floppy Disk Image\r\nFailed\r\n', '', 10);
  assert.equal(broken.slice(10).status, 'load error');
  broken.dispose();
});

test('a nesting deeper than the engine stack is reported, and a fresh module goes on', async () => {
  // A thread with a small engine stack, so that the overflow happens on any engine.
  const worker = new Worker(new URL('./support.mjs', import.meta.url), {
    argv: ['deep'],
    resourceLimits: { stackSizeMb: 0.35 },
  });
  const [deep, after] = await new Promise((resolve, reject) => {
    worker.once('message', resolve);
    worker.once('error', reject);
  });
  await worker.terminate();
  assert.deepEqual(deep.diagnostics.map((d) => d.message), [tooDeepMessage]);
  assert.ok(after.success);
});
