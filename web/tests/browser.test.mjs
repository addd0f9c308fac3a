// The playground in headless Chromium, served by a plain static file server
// (python3 -m http.server) from build-web/playground.
import assert from 'node:assert/strict';
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { chromiumFlags, chromiumPath, deepParentheses, loadVyl, need, playgroundDir, sourceDir } from './support.mjs';

need.nodeModules();
need.playground();
need.chromium();
need.python();

const { chromium } = await import('playwright-core');
const { shareFragment } = await import('../src/share.js');

let server;
let base;
let browser;

before(async () => {
  server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', playgroundDir], { stdio: ['ignore', 'pipe', 'ignore'] });
  const port = await new Promise((resolve, reject) => {
    server.stdout.on('data', (data) => {
      const m = /port (\d+)/.exec(String(data));
      if (m) resolve(m[1]);
    });
    server.on('exit', () => reject(new Error('the file server did not start')));
  });
  base = `http://127.0.0.1:${port}/index.html`;
  browser = await chromium.launch({ executablePath: chromiumPath, args: chromiumFlags });
});

after(async () => {
  await browser?.close();
  server?.kill();
});

// A page at `fragment`, its compilation done; page.problems collects what
// the console reports as an error.
async function open(fragment = '') {
  const page = await browser.newPage({ acceptDownloads: true });
  page.problems = [];
  page.on('console', (m) => m.type() === 'error' && page.problems.push(m.text()));
  page.on('pageerror', (e) => page.problems.push(String(e)));
  page.on('dialog', (d) => {
    page.problems.push(`dialog: ${d.message()}`);
    d.dismiss();
  });
  await page.goto(base + fragment);
  await page.waitForFunction(() => /^(compiled|failed|the link)/.test(document.getElementById('compile-status').textContent));
  return page;
}

async function close(page) {
  assert.deepEqual(page.problems, []);
  await page.close();
}

const text = (page, id) => page.textContent(`#${id}`);
const runStatus = (page, pattern) => page.waitForFunction((p) => new RegExp(p).test(document.getElementById('run-status').textContent), pattern.source);
const abc = 'import Hardware;\nvoid main() {\n  int i = 0;\n  while (i < 3) {\n    Print.datum = 65 + i;\n    i = i + 1;\n  }\n}\n';
const endless = 'import Hardware;\nvoid main() {\n  while (true) {\n    Print.datum = 65;\n  }\n}\n';

test('a share link opens its program and runs it', async () => {
  const page = await open(shareFragment(abc, true));
  await runStatus(page, /^finished after \d+ steps$/);
  assert.equal(await text(page, 'output'), 'ABC');
  assert.equal(await page.evaluate(() => location.hash), shareFragment(abc, true));
  await close(page);
  // As a person would check it: the DOM once the page has settled.
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'vyl-chromium-'));
  const dump = spawnSync(chromiumPath, [...chromiumFlags, '--headless=new', `--user-data-dir=${profile}`, '--dump-dom', '--virtual-time-budget=15000', base + shareFragment(abc, true)], { timeout: 120_000 });
  fs.rmSync(profile, { recursive: true, force: true });
  assert.match(String(dump.stdout), /<pre id="output">ABC<\/pre>/);
});

test('an error is listed and marked at its line, and goes once fixed', async () => {
  const page = await open(shareFragment('void main() {\n  int x = 0;\n  x = y + 1;\n}\n'));
  // Column 7 once the compiler reports columns (web/module.cpp, DiagnosticsOf).
  assert.match(await text(page, 'diagnostics'), /^3:7: error: Undefined name y$/);
  const lines = page.locator('.cm-line');
  assert.equal(await lines.nth(2).locator('.cm-lintRange-error').count(), 1);
  assert.equal(await page.locator('.cm-lintRange-error').count(), 1);
  // Typing recompiles: y becomes x.
  await lines.nth(2).click();
  await page.keyboard.press('End');
  for (let i = 0; i < 5; i++) await page.keyboard.press('ArrowLeft');
  await page.keyboard.press('Backspace');
  await page.keyboard.type('x');
  await page.waitForFunction(() => document.getElementById('compile-status').textContent.startsWith('compiled'));
  assert.doesNotMatch(await text(page, 'diagnostics'), /: error: /);
  assert.equal(await page.locator('.cm-lintRange-error').count(), 0);
  await close(page);
});

test('an endless program runs beside a live page until stopped, or to its step limit', async () => {
  const page = await open(shareFragment(endless));
  await page.fill('#step-limit', '1000000000000');
  await page.click('#run');
  await runStatus(page, /^running/);
  // The page compiles what is typed while the program runs.
  await page.locator('.cm-line').nth(3).click();
  await page.keyboard.press('Home');
  await page.keyboard.type('@');
  await page.waitForFunction(() => document.getElementById('compile-status').textContent === 'failed');
  assert.match(await text(page, 'run-status'), /^running/);
  await page.keyboard.press('Backspace');
  await page.waitForTimeout(500);
  await page.click('#stop');
  await runStatus(page, /^stopped after [\d,]+ steps$/);
  // It ran in the worker well past the page's first slice, and stays stopped.
  const stopped = await text(page, 'run-status');
  assert.ok(Number(stopped.replace(/\D/g, '')) > 1_000_000, stopped);
  assert.match(await text(page, 'output'), /^A{1000}/);
  await page.waitForTimeout(300);
  assert.equal(await text(page, 'run-status'), stopped);
  assert.equal(await page.isEnabled('#run'), true);
  // The step limit ends it too, at a line of the loop.
  await page.fill('#step-limit', '100000');
  await page.click('#run');
  await runStatus(page, /^step limit reached at [0-9A-F]{4} \(main, line [34]\): 100000 instructions executed without finishing$/);
  await close(page);
});

test('a trap shows its line; the input box feeds KeyIn.datum', async () => {
  const trap = 'import Hardware;\nvoid main() {\n  int i = 0;\n  int[2] a;\n  while (i < 5) {\n    Print.datum = 65;\n    i = i + 1;\n  }\n  a[i] = 1;\n}\n';
  let page = await open(shareFragment(trap, true));
  await runStatus(page, /^trap/);
  assert.match(await text(page, 'run-status'), /^trap at [0-9A-F]{4} \(main, line 9\): run-time check failed/);
  assert.equal(await page.textContent('.cm-trap-line'), '  a[i] = 1;');
  assert.equal(await text(page, 'output'), 'AAAAA');
  await close(page);
  // A run that outlasts the page's first slice goes on in the worker where it left.
  const digits = 'import Hardware;\nvoid main() {\n  int i = 0;\n  while (i < 20000) {\n    Print.datum = 48 + i % 10;\n    i = i + 1;\n  }\n}\n';
  page = await open(shareFragment(digits, true));
  await runStatus(page, /^finished/);
  assert.ok(Number((await text(page, 'run-status')).replace(/\D/g, '')) > 100_000);
  assert.equal(await text(page, 'output'), '0123456789'.repeat(2000));
  await close(page);
  page = await open(shareFragment(fs.readFileSync(path.join(sourceDir, 'tests/programs/echo.vyl'), 'utf8')));
  await page.fill('#input', 'Hello, Vyl!');
  await page.click('#run');
  await runStatus(page, /^finished/);
  assert.equal(await text(page, 'output'), 'HELLO, VYL!');
  await close(page);
});

test("selecting a line highlights its code, and a code row its line", async () => {
  const page = await open(); // examples/hello.vyl
  await page.locator('.cm-line').nth(8).click(); // Print.datum = ORD(greeting[i]);
  const mapped = await page.locator('#disassembly .row.mapped').allTextContents();
  assert.match(mapped[0], /LINE 9$/);
  assert.match(mapped[mapped.length - 1], /STORE$/);
  assert.ok(mapped.some((row) => /LIT 28$/.test(row)));
  // The mapped rows are one run of rows.
  const rows = await page.locator('#disassembly .row').evaluateAll((all) => all.map((r) => r.classList.contains('mapped')));
  assert.equal(rows.lastIndexOf(true) - rows.indexOf(true) + 1, mapped.length);
  await page.locator('#disassembly .row', { hasText: /LINE 10$/ }).hover();
  assert.deepEqual(await page.locator('.cm-mapped-line').allTextContents(), ['    i = i + 1;']);
  await page.locator('#disassembly .row', { hasText: /LINE 10$/ }).click();
  await page.mouse.move(0, 0);
  assert.deepEqual(await page.locator('.cm-mapped-line').allTextContents(), ['    i = i + 1;']);
  await close(page);
});

test('a share link is shown as text and runs nothing but the program', async () => {
  const hostile =
    '// </script><img src=x onerror="window.pwned=1"><script>window.pwned=2</script>\n' +
    'import Hardware;\nfinal char[] t = "<b id=\\"injected\\">x</b><img src=x onerror=\\"window.pwned=3\\">";\n' +
    'void main() {\n  int i = 0;\n  while (i < LENGTH(t)) {\n    Print.datum = ORD(t[i]);\n    i = i + 1;\n  }\n}\n';
  let page = await open(shareFragment(hostile, true));
  await runStatus(page, /^finished/);
  assert.equal(await text(page, 'output'), '<b id="injected">x</b><img src=x onerror="window.pwned=3">');
  assert.match(await page.locator('.cm-line').first().textContent(), /^\/\/ <\/script><img/);
  assert.equal(await page.evaluate(() => [window.pwned, document.getElementById('injected'), document.images.length].join()), ',,0');
  assert.match(await page.getAttribute('meta[http-equiv="Content-Security-Policy"]', 'content'), /script-src 'self' 'wasm-unsafe-eval';/);
  await close(page);
  page = await open('#src=<b>!&run=1');
  assert.equal(await text(page, 'compile-status'), 'the link holds no readable source');
  await close(page);
});

test('every example compiles; the download is the compiled image', async () => {
  const page = await open();
  const options = await page.locator('#examples option').evaluateAll((all) => all.map((o) => o.value).filter(Boolean));
  assert.ok(options.length >= 10);
  for (const value of options) {
    await page.selectOption('#examples', value);
    await page.waitForFunction(() => document.getElementById('compile-status').textContent.startsWith('compiled'));
    assert.doesNotMatch(await text(page, 'diagnostics'), /: error: /, value);
  }
  await page.selectOption('#examples', options[0]);
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#download')]);
  assert.equal(download.suggestedFilename(), 'prog.ftx');
  const hello = fs.readFileSync(path.join(sourceDir, 'examples/hello.vyl'), 'utf8');
  assert.equal(fs.readFileSync(await download.path(), 'latin1'), (await loadVyl()).compile(hello).ftx);
  await close(page);
});

test('a nesting too deep for the browser is reported, and compiling goes on', async () => {
  const page = await open(shareFragment(deepParentheses));
  // Where the browser's stack holds the nesting, the answer is the native
  // compiler's: the KibStack overflows at the 606th parenthesis.
  assert.match(
    await text(page, 'diagnostics'),
    /^1:(1: error: Nested too deeply for this browser's stack|606: error: KibStack overflow error)/,
  );
  await page.selectOption('#examples', '0');
  await page.waitForFunction(() => document.getElementById('compile-status').textContent.startsWith('compiled'));
  await close(page);
});
