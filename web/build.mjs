// Assembles the playground: node build.mjs MODULE_DIR OUT_DIR
//   MODULE_DIR  where the WebAssembly build wrote vylweb.js and vylweb.wasm
//   OUT_DIR     the static page: index.html, style.css, main.js, worker.js,
//               vylweb.wasm
// The module's JavaScript is bundled into main.js and worker.js; the
// examples (examples.mjs) are bundled into main.js.
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

import * as esbuild from 'esbuild';

import { collectExamples } from './examples.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const [moduleDir, outDir] = process.argv.slice(2).map((p) => path.resolve(p));
if (!moduleDir || !outDir) {
  console.error('usage: node build.mjs MODULE_DIR OUT_DIR');
  process.exit(2);
}

const examples = collectExamples(path.join(here, '..'));
const examplesPlugin = {
  name: 'vyl-examples',
  setup(build) {
    build.onResolve({ filter: /^vyl-examples$/ }, () => ({ path: 'vyl-examples', namespace: 'vyl-examples' }));
    build.onLoad({ filter: /.*/, namespace: 'vyl-examples' }, () => ({ contents: JSON.stringify(examples), loader: 'json' }));
  },
};

const common = {
  bundle: true,
  minify: true,
  sourcemap: false,
  target: 'es2022',
  platform: 'browser',
  legalComments: 'none',
  alias: { 'vylweb-module': path.join(moduleDir, 'vylweb.js') },
  // The module's Node branch, never taken in a browser.
  external: ['fs', 'path', 'crypto'],
  logLevel: 'warning',
};

fs.mkdirSync(outDir, { recursive: true });
await esbuild.build({
  ...common,
  entryPoints: [path.join(here, 'src', 'main.js')],
  outfile: path.join(outDir, 'main.js'),
  format: 'esm',
  plugins: [examplesPlugin],
});
await esbuild.build({
  ...common,
  entryPoints: [path.join(here, 'src', 'worker.js')],
  outfile: path.join(outDir, 'worker.js'),
  format: 'iife',
});
for (const file of ['index.html', 'style.css']) fs.copyFileSync(path.join(here, 'src', file), path.join(outDir, file));
fs.copyFileSync(path.join(moduleDir, 'vylweb.wasm'), path.join(outDir, 'vylweb.wasm'));
console.log(`playground: ${outDir} (${examples.length} examples)`);
