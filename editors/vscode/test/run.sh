#!/bin/sh
# The extension's tests (ctest -L vscode): node --test with VYL_LSP set to
# the server to talk to.  Skips (status 77) without Node or without the
# packages of package-lock.json.
#
#   run.sh VYL_LSP
set -eu
cd "$(dirname "$0")/.."
if ! command -v node >/dev/null 2>&1; then
  echo "Node is not installed: apt-get install -y nodejs npm"
  exit 77
fi
if [ ! -d node_modules/vscode-languageclient ] || [ ! -d node_modules/vscode-textmate ]; then
  echo "The extension's packages are not installed: cd editors/vscode && npm ci --ignore-scripts"
  exit 77
fi
VYL_LSP=$1 exec node --test test/
