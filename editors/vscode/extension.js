// Starts `zk lsp` for ZK documents and hands it to VS Code's language client.
'use strict';

const vscode = require('vscode');
const { LanguageClient, TransportKind } = require('vscode-languageclient/node');

let client;

function activate(context) {
  const settings = vscode.workspace.getConfiguration('zk');
  const command = settings.get('path', 'zk');
  const server = { command, args: ['lsp'], transport: TransportKind.stdio };
  client = new LanguageClient(
    'zk',
    'ZK',
    { run: server, debug: server },
    {
      documentSelector: [{ language: 'zk' }],
      initializationOptions: {
        includePaths: settings.get('includePaths', []),
        classic: settings.get('classic', false),
      },
    },
  );
  context.subscriptions.push({ dispose: () => client && client.stop() });
  return client.start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
