#!/bin/sh
# Stops with the exact install command when something the playground needs
# is missing: Emscripten, Debian's acorn for its optimiser, Node and npm.
# It installs nothing.
missing=""
command -v emcc >/dev/null 2>&1 || missing="$missing emscripten"
if [ ! -f /usr/share/nodejs/acorn/package.json ] && [ ! -f /usr/lib/nodejs/acorn/package.json ]; then
  missing="$missing node-acorn"
fi
command -v node >/dev/null 2>&1 || missing="$missing nodejs"
command -v npm >/dev/null 2>&1 || missing="$missing npm"
command -v cmake >/dev/null 2>&1 || missing="$missing cmake"
if [ -n "$missing" ]; then
  echo "Missing playground dependencies:$missing" >&2
  echo "Install them with:" >&2
  echo "  sudo apt-get install -y$missing" >&2
  exit 1
fi
