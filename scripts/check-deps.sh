#!/bin/sh
# Stops with the exact install command when a build dependency is missing.
missing=""
command -v cmake >/dev/null 2>&1 || missing="$missing cmake"
command -v g++ >/dev/null 2>&1 || missing="$missing g++"
command -v make >/dev/null 2>&1 || missing="$missing make"
if [ ! -f /usr/include/gtest/gtest.h ] && [ ! -f /usr/local/include/gtest/gtest.h ]; then
  missing="$missing libgtest-dev"
fi
# Optional: JSON diagnostics, debug info, the language server and the
# debugger need nlohmann-json; everything else builds without it.
if [ ! -f /usr/include/nlohmann/json.hpp ] && [ ! -f /usr/local/include/nlohmann/json.hpp ]; then
  echo "Note: without nlohmann-json3-dev, vylc -g, --diagnostics-format=json, vyl-lsp and vylsim --debug are left out." >&2
  echo "  Install it with: sudo apt-get install -y nlohmann-json3-dev" >&2
fi
if [ -n "$missing" ]; then
  echo "Missing build dependencies:$missing" >&2
  echo "Install them with:" >&2
  echo "  sudo apt-get install -y$missing" >&2
  exit 1
fi
