// The Vyl extension: the language comes with its grammar and configuration
// (package.json); this starts vyl-lsp for Vyl documents and restarts it
// when its settings change.
'use strict';

const vscode = require('vscode');
const { LanguageClient } = require('vscode-languageclient/node');
const { serverOptions, documentSelector } = require('./server');

let client;

async function start() {
  const settings = vscode.workspace.getConfiguration('vyl');
  client = new LanguageClient('vyl', 'Vyl', serverOptions(settings.get('server.path'), settings.get('server.args')), {
    documentSelector,
  });
  try {
    await client.start();
  } catch (error) {
    const path = settings.get('server.path') || 'vyl-lsp';
    vscode.window.showErrorMessage(`Vyl: cannot start the language server '${path}' (${error.message}). ` +
      'Install vyl-lsp or set vyl.server.path.');
  }
}

async function stop() {
  if (client) {
    const running = client;
    client = undefined;
    await running.stop().catch(() => {});
  }
}

async function activate(context) {
  context.subscriptions.push(vscode.workspace.onDidChangeConfiguration(async (event) => {
    if (event.affectsConfiguration('vyl.server')) {
      await stop();
      await start();
    }
  }));
  context.subscriptions.push({ dispose: stop });
  await start();
}

function deactivate() {
  return stop();
}

module.exports = { activate, deactivate };
