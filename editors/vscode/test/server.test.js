// vyl-lsp as the extension's client library talks to it: the protocol layer
// of vscode-languageclient (vscode-languageserver-protocol) over the
// server's standard input and output.  VYL_LSP names the server; without it
// the test is skipped.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const { spawn } = require('node:child_process');
const rpc = require('vscode-languageserver-protocol/node');

const uri = 'file:///work/prog.vyl';
const text = 'import Hardware;\nint total;\nvoid main() {\n  total = totl;\n  Print.datum = total;\n}\n';

test('a session: capabilities, the error, hover, completion, shutdown', { skip: !process.env.VYL_LSP }, async () => {
  const server = spawn(process.env.VYL_LSP, [], { stdio: ['pipe', 'pipe', 'inherit'] });
  const exited = new Promise((resolve) => server.on('exit', (code) => resolve(code)));
  const connection = rpc.createProtocolConnection(new rpc.StreamMessageReader(server.stdout),
    new rpc.StreamMessageWriter(server.stdin));
  const published = [];
  let onPublished = () => {};
  connection.onNotification(rpc.PublishDiagnosticsNotification.type, (params) => {
    published.push(params);
    onPublished();
  });
  connection.listen();
  const next = () => new Promise((resolve) => { onPublished = resolve; });

  const init = await connection.sendRequest(rpc.InitializeRequest.type,
    { processId: process.pid, rootUri: null, capabilities: {} });
  assert.strictEqual(init.capabilities.textDocumentSync.change, rpc.TextDocumentSyncKind.Full);
  assert.strictEqual(init.serverInfo.name, 'vyl-lsp');
  await connection.sendNotification(rpc.InitializedNotification.type, {});

  let arrived = next();
  await connection.sendNotification(rpc.DidOpenTextDocumentNotification.type,
    { textDocument: { uri, languageId: 'vyl', version: 1, text } });
  await arrived;
  const [error] = published[0].diagnostics;
  assert.strictEqual(error.message, 'Undefined name totl');
  assert.strictEqual(error.severity, rpc.DiagnosticSeverity.Error);
  assert.deepStrictEqual(error.range, { start: { line: 3, character: 10 }, end: { line: 3, character: 14 } });

  arrived = next();
  await connection.sendNotification(rpc.DidChangeTextDocumentNotification.type, {
    textDocument: { uri, version: 2 },
    contentChanges: [{ text: text.replace('totl', 'total') }],
  });
  await arrived;
  assert.deepStrictEqual(published[1].diagnostics, []);

  const at = (line, character) => ({ textDocument: { uri }, position: { line, character } });
  const hover = await connection.sendRequest(rpc.HoverRequest.type, at(4, 17));
  assert.match(hover.contents.value, /int total/);
  const completion = await connection.sendRequest(rpc.CompletionRequest.type, at(4, 8));
  assert.deepStrictEqual(completion.items.map((i) => i.label), ['datum']);
  await assert.rejects(connection.sendRequest('vyl/none', {}), (e) => e.code === rpc.ErrorCodes.MethodNotFound);

  await connection.sendRequest(rpc.ShutdownRequest.type);
  await connection.sendNotification(rpc.ExitNotification.type);
  assert.strictEqual(await exited, 0);
  connection.dispose();
});
