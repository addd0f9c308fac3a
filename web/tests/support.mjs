// What the web tests share: where things are, what each test needs, and the
// module.  A test that misses something skips (status 77, which ctest
// counts as skipped) and says the command that provides it.
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { isMainThread, parentPort } from 'node:worker_threads';
import { createRequire } from 'node:module';

const here = path.dirname(fileURLToPath(import.meta.url));
export const sourceDir = process.env.VYL_SOURCE_DIR ?? path.resolve(here, '../..');
export const moduleDir = process.env.VYL_MODULE_DIR ?? path.join(sourceDir, 'build-web/web');
export const playgroundDir = process.env.VYL_PLAYGROUND ?? path.join(sourceDir, 'build-web/playground');
export const nativeBuild = process.env.VYL_NATIVE_BUILD ?? path.join(sourceDir, 'build');
export const chromiumPath = process.env.VYL_CHROMIUM ?? '/usr/bin/chromium';
// The flags for Chromium on these machines (as root, no GPU, no network
// traffic of its own).
export const chromiumFlags = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking', '--disable-component-update', '--disable-sync'];

function skip(what, command) {
  console.log(`SKIPPED: ${what}; to run this test: ${command}`);
  process.exit(77);
}

export const need = {
  nodeModules() {
    if (!fs.existsSync(path.join(sourceDir, 'web/node_modules/.package-lock.json'))) skip('the npm packages of web/ are not installed', 'make playground');
  },
  module() {
    if (!fs.existsSync(path.join(moduleDir, 'vylweb.wasm'))) skip(`no WebAssembly module in ${moduleDir}`, 'make playground');
  },
  playground() {
    if (!fs.existsSync(path.join(playgroundDir, 'index.html'))) skip(`no playground in ${playgroundDir}`, 'make playground');
  },
  native() {
    for (const tool of ['vylc', 'vylsim']) {
      if (!fs.existsSync(path.join(nativeBuild, tool))) skip(`no native ${tool} in ${nativeBuild}`, 'make build');
    }
  },
  chromium() {
    if (!fs.existsSync(chromiumPath)) skip(`no Chromium at ${chromiumPath}`, 'apt-get install -y chromium');
  },
  python() {
    try {
      fs.accessSync('/usr/bin/python3', fs.constants.X_OK);
    } catch {
      skip('no python3 to serve the page', 'apt-get install -y python3');
    }
  },
};

// The module as the page uses it (src/compiler.js); `vyl.module` is the raw one.
export async function loadVyl() {
  const { Vyl } = await import('../src/compiler.js');
  const factory = createRequire(import.meta.url)(path.join(moduleDir, 'vylweb.js'));
  return Vyl.load(factory, { wasmBinary: fs.readFileSync(path.join(moduleDir, 'vylweb.wasm')) });
}

// The deepest parenthesised expression the compiler's KibStack allows, and
// deeper (tests/limits_test.cpp).
export const deepParentheses = `void main() {int x = ${'('.repeat(300000)}1${')'.repeat(300000)};}\r\n`;

// Run as a worker thread with argv "deep" (units.test.mjs): compiles the
// deep source, then an ordinary one on the renewed module.
if (!isMainThread && process.argv.includes('deep')) {
  let vyl = await loadVyl();
  const deep = vyl.compile(deepParentheses);
  vyl = await vyl.renewed();
  parentPort.postMessage([deep, vyl.compile('void main() {}\n')]);
}
