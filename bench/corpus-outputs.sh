#!/bin/bash
# Compiles the corpus with one build of the compiler (its corpus_dump) and
# keeps everything each compilation wrote, so that two builds can be compared
# byte for byte:
#
#   bench/corpus-outputs.sh CORPUS_DUMP VYLGEN OUTDIR
#   diff -r OUTDIR-of-one OUTDIR-of-the-other
#
# The corpus: tests/programs, examples, the programs in docs/*.md, generated
# programs of several sizes, each also with the full trace switched on ("?"
# first) and cut off at a third and at two thirds of its length (which gives
# messages instead of images).
set -eu
dump=$(realpath "$1")
vylgen=$(realpath "$2")
out=$3
root=$(cd "$(dirname "$0")/.." && pwd)
rm -rf "$out"
mkdir -p "$out/src"
out=$(realpath "$out")

for f in "$root"/tests/programs/*.vyl "$root"/examples/*.vyl; do
  cp "$f" "$out/src/$(basename "$(dirname "$f")")-$(basename "$f")"
done
# The fenced vyl blocks of the documentation.
for md in "$root"/docs/*.md; do
  awk -v base="$out/src/doc-$(basename "$md" .md)" '
    /^```vyl/ { n++; file = sprintf("%s-%02d.vyl", base, n); inside = 1; next }
    /^```/ { inside = 0; next }
    inside { print > file }' "$md"
done
for shape in "1 1" "1 12" "5 12" "20 12" "40 12" "3 40"; do
  set -- $shape
  "$vylgen" --functions "$1" --statements "$2" > "$out/src/gen-$1x$2.vyl"
done
"$vylgen" --functions 2 --statements 12 --pad 999999 > "$out/src/gen-comments.vyl"

cd "$out/src"
for f in *.vyl; do
  base=${f%.vyl}
  size=$(wc -c < "$f")
  if [ "$size" -lt 20000 ]; then
    { printf '?'; cat "$f"; } > "$base-traced.vyl"
  fi
  head -c $((size / 3)) "$f" > "$base-cut1.vyl"
  head -c $((size * 2 / 3)) "$f" > "$base-cut2.vyl"
done

"$dump" "$out/runs" *.vyl
rm -rf "$out/src"
echo "$(ls "$out/runs" | wc -l) compilations in $out/runs"
