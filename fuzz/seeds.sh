#!/bin/sh
# Fills DIR with the seed corpus: the end-to-end programs, the examples and
# every ```vyl example of the docs, one file each.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"
mkdir -p "$dir"
cp "$root"/tests/programs/*.vyl "$root"/examples/*.vyl "$dir"/
for doc in "$root"/docs/*.md; do
  awk -v out="$dir/$(basename "$doc" .md)" '
    /^```vyl$/ { n++; file = out "_" n ".vyl"; printf "" > file; inside = 1; next }
    /^```/ { inside = 0; next }
    inside { print >> file }
  ' "$doc"
done
