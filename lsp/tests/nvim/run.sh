#!/bin/sh
# The end-to-end test with a real client: headless Neovim with the
# repository's configuration (editors/vim) drives vyl-lsp (e2e.lua).
#
#   run.sh VYL_LSP SOURCE_DIR
# Skips (status 77) when Neovim is not installed.
set -eu
server=$1
root=$2
if ! command -v nvim >/dev/null 2>&1; then
  echo "Neovim is not installed: apt-get install -y neovim"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/lsp/tests/nvim/prog.vyl" "$work/prog.vyl"
cd "$work"
VYL_LSP=$server VYL_FILE=$work/prog.vyl HOME=$work XDG_STATE_HOME=$work XDG_DATA_HOME=$work \
  timeout 120 nvim --headless --clean --cmd "set runtimepath^=$root/editors/vim" \
  -c "luafile $root/lsp/tests/nvim/e2e.lua"
