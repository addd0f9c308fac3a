// What `vsce package` puts into the .vsix (listed by `vsce ls`): the
// extension's files and the client library, no tests.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const path = require('node:path');
const { execFileSync } = require('node:child_process');

test('the package holds the extension and its client library only', () => {
  const vsce = path.join(__dirname, '..', 'node_modules', '@vscode', 'vsce', 'vsce');
  const files = execFileSync(process.execPath, [vsce, 'ls'], { cwd: path.join(__dirname, '..'), encoding: 'utf8' })
    .split('\n').filter((f) => f !== '');
  for (const f of ['extension.js', 'server.js', 'package.json', 'language-configuration.json',
    'syntaxes/vyl.tmLanguage.json', 'node_modules/vscode-languageclient/node.js']) {
    assert.ok(files.includes(f), f);
  }
  assert.ok(!files.some((f) => f.startsWith('test/')), 'tests are packaged');
  assert.ok(!files.some((f) => f.startsWith('node_modules/vscode-textmate/') || f.startsWith('node_modules/@vscode/vsce/')),
    'development packages are packaged');
});
