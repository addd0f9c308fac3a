#!/bin/sh
# Stops with the exact install command when a build dependency is missing.
missing=""
command -v cmake >/dev/null 2>&1 || missing="$missing cmake"
command -v g++ >/dev/null 2>&1 || missing="$missing g++"
command -v make >/dev/null 2>&1 || missing="$missing make"
if [ ! -f /usr/include/gtest/gtest.h ] && [ ! -f /usr/local/include/gtest/gtest.h ]; then
  missing="$missing libgtest-dev"
fi
if [ -n "$missing" ]; then
  echo "Missing build dependencies:$missing" >&2
  echo "Install them with:" >&2
  echo "  sudo apt-get install -y$missing" >&2
  exit 1
fi
