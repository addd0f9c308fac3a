// The WebAssembly build against the native one: over the test corpus (the
// end-to-end programs, the examples, the docs' examples, the compilation
// cases, the fuzzing regressions) and the limit inputs, the module writes
// the same .ftx bytes, standard-error line and exit file as vylc, and its
// simulator prints the same output, stops the same way and disassembles the
// same text as vylsim.  The deepest nestings also measure the module's stack.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';

import { collectExamples } from '../examples.mjs';
import { deepParentheses, loadVyl, nativeBuild, need, sourceDir } from './support.mjs';

need.module();
need.native();

const vyl = await loadVyl();
const module = vyl.module;
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'vyl-web-'));
process.on('exit', () => fs.rmSync(work, { recursive: true, force: true }));

const read = (file) => (fs.existsSync(file) ? fs.readFileSync(file, 'latin1') : '');

// Sources as byte strings (one character per byte), with their input.
function corpus() {
  const list = [];
  const dir = (d) => path.join(sourceDir, d);
  for (const f of fs.readdirSync(dir('tests/programs')).filter((f) => f.endsWith('.vyl')).sort()) {
    const stem = path.join(dir('tests/programs'), f.slice(0, -4));
    list.push({ name: `tests/programs/${f}`, source: read(stem + '.vyl'), input: read(stem + '.in') });
  }
  for (const e of collectExamples(sourceDir)) list.push({ name: e.name, source: Buffer.from(e.source).toString('latin1'), input: '' });
  for (const f of fs.readdirSync(dir('tests/cases')).filter((f) => f.endsWith('.cases')).sort()) {
    // A case: "=== title", its "> " and "# " lines, then the source up to the next case.
    for (const [i, block] of read(path.join(dir('tests/cases'), f)).split(/^=== /m).slice(1).entries()) {
      const lines = block.split('\n').slice(1).map((l) => l.replace(/\r$/, ''));
      while (lines.length && /^[>#] /.test(lines[0])) lines.shift();
      while (lines.length && lines[lines.length - 1] === '') lines.pop();
      list.push({ name: `tests/cases/${f} #${i + 1}`, source: lines.map((l) => l + '\r\n').join(''), input: '' });
    }
  }
  for (const f of fs.readdirSync(dir('fuzz/regressions')).sort()) {
    list.push({ name: `fuzz/regressions/${f}`, source: read(path.join(dir('fuzz/regressions'), f)), input: '' });
  }
  return list;
}

// The deepest inputs of tests/limits_test.cpp, and the other capacities.
const main = (body) => `void main() {${body}}\r\n`;
const padded = (s, n) => s + ' '.repeat(n - s.length);
const limits = {
  parentheses: deepParentheses,
  'unary minus': main('int x = ' + '-'.repeat(900000) + '1;'),
  not: main('boolean b = ' + '!'.repeat(900000) + 'true;'),
  blocks: main('{'.repeat(450000) + '}'.repeat(450000)),
  if: main('if (true) '.repeat(99000) + ';'),
  while: main('while (true) '.repeat(76000) + ';'),
  do: main('do '.repeat(60000) + ';' + ' while (true);'.repeat(60000)),
  switch: main('int x = 0;' + 'switch (x) { case 0: '.repeat(40000) + 'break; }'.repeat(40000)),
  'long operator chain': padded('int x;' + main('x = ' + 'x+'.repeat(499980) + 'x;'), 999999),
  '4000 statements': main('int x = 0;' + 'x = x + 1;'.repeat(4000)),
  'empty statements': padded(main(';'.repeat(999980)), 999999),
  'string table': Array.from({ length: 4100 }, (_, i) => `int v${i};\r\n`).join('') + main(''),
  'code image': Array.from({ length: 8 }, (_, k) => `void f${k}() { int x = 0;${'x = x + 1;'.repeat(900)}}\r\n`).join('') + main(''),
  'source length': padded(main(''), 1000000),
};

function native(tool, args, input = '') {
  const r = spawnSync(path.join(nativeBuild, tool), args, { cwd: work, input: Buffer.from(input, 'latin1'), maxBuffer: 1 << 28 });
  return { status: r.status, stdout: r.stdout.toString('latin1'), stderr: r.stderr.toString('latin1') };
}

function compileBoth(source) {
  for (const f of ['prog.ftx', 'KIBexit.txt']) fs.rmSync(path.join(work, f), { force: true });
  fs.writeFileSync(path.join(work, 'prog.vyl'), Buffer.from(source, 'latin1'));
  const n = native('vylc', ['prog.vyl']);
  const w = module.compile(source);
  return {
    native: { success: n.status === 0, ftx: read(path.join(work, 'prog.ftx')), stderr: n.stderr, exitFile: read(path.join(work, 'KIBexit.txt')) },
    web: { success: w.success, ftx: w.ftx, stderr: w.stderr, exitFile: w.exitFile },
  };
}

function runWeb(ftx, input) {
  const run = new module.Run(ftx, input, module.defaultStepLimit);
  let output = '';
  let state;
  do {
    state = run.slice(1_000_000);
    output += state.output;
  } while (state.status === 'running');
  run.delete();
  return { status: state.status === 'finished' ? 0 : 1, stdout: output, stderr: state.status === 'finished' ? '' : `vylsim: ${state.message}\n` };
}

const programs = corpus();

test('the corpus compiles to the same bytes, runs alike and disassembles alike', () => {
  let ran = 0;
  for (const { name, source, input } of programs) {
    const both = compileBoth(source);
    assert.deepEqual(both.web, both.native, name);
    if (!both.native.success) continue;
    assert.deepEqual(runWeb(both.web.ftx, input), native('vylsim', ['prog.ftx'], input), name);
    assert.equal(module.disassemble(both.web.ftx).text, native('vylsim', ['--dis', 'prog.ftx']).stdout, name);
    ran++;
  }
  assert.ok(programs.length > 150 && ran > 60, `${programs.length} sources, ${ran} run`);
  console.log(`# ${programs.length} sources compared, ${ran} of them run`);
});

test('the limit inputs end alike, within a quarter of the module stack', () => {
  let deepest = 0;
  for (const [name, source] of Object.entries(limits)) {
    const both = compileBoth(source);
    assert.equal(both.native.success, false, name);
    assert.deepEqual(both.web, both.native, name);
    deepest = Math.max(deepest, module.stackUse(source));
  }
  const size = module.stackSize();
  console.log(`# deepest compilation: ${(deepest / 2 ** 20).toFixed(2)} MiB of the ${size / 2 ** 20} MiB module stack`);
  assert.ok(deepest > 2 ** 20 / 2 && deepest < size / 4, `${deepest} of ${size}`);
});
