// How the extension starts vyl-lsp: the command and its arguments from the
// settings.  Apart from extension.js, so that it runs without the editor.
'use strict';

const DEFAULT_COMMAND = 'vyl-lsp';

// The language client's server options for the settings vyl.server.path
// and vyl.server.args (blank or missing: vyl-lsp on PATH, no arguments).
// The server speaks on standard input and output.
function serverOptions(path, args) {
  const command = typeof path === 'string' && path.trim() !== '' ? path.trim() : DEFAULT_COMMAND;
  const list = Array.isArray(args) ? args.filter((a) => typeof a === 'string') : [];
  const executable = { command, args: list };
  return { run: executable, debug: executable };
}

// The documents the server is asked about: Vyl files and new Vyl buffers.
const documentSelector = [
  { scheme: 'file', language: 'vyl' },
  { scheme: 'untitled', language: 'vyl' },
];

module.exports = { DEFAULT_COMMAND, serverOptions, documentSelector };
