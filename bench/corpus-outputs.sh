#!/bin/bash
# Compiles the corpus with one build of the compiler (its corpus_dump) and
# keeps everything each compilation wrote, so that two builds can be compared
# byte for byte:
#
#   bench/corpus-outputs.sh CORPUS_DUMP VYLGEN OUTDIR
#   diff -r OUTDIR-of-one OUTDIR-of-the-other
#
# The corpus: tests/programs, examples, the programs in docs/*.md, the
# sources of tests/cases/*.cases, the fuzzing regressions, generated
# programs of several sizes and forms, each also with the full trace switched on ("?"
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
# The source of each case of tests/cases (the lines after its expectations),
# with CR LF line ends as the case tests compile it.
for cases in "$root"/tests/cases/*.cases; do
  awk -v base="$out/src/case-$(basename "$cases" .cases)" '
    /^===/ { n++; file = sprintf("%s-%03d.vyl", base, n); body = 0; next }
    n == 0 { next }
    !body && /^(> |# )/ { next }
    { body = 1; sub(/\r$/, ""); printf "%s\r\n", $0 > file }' "$cases"
done
for f in "$root"/fuzz/regressions/*; do
  cp "$f" "$out/src/fuzz-$(basename "$f").vyl"
done
for shape in "1 1" "1 12" "5 12" "20 12" "40 12" "3 40"; do
  set -- $shape
  "$vylgen" --functions "$1" --statements "$2" > "$out/src/gen-$1x$2.vyl"
done
"$vylgen" --functions 2 --statements 12 --pad 999999 > "$out/src/gen-comments.vyl"
# The other forms: dense expressions, small functions, switch tables,
# globals and strings, small and near the image limit.
for shape in "dense 3 12" "dense 40 12" "small-functions 9 1" "small-functions 400 1" \
             "switches 2 64" "switches 18 64" "globals 3 8" "globals 30 8"; do
  set -- $shape
  "$vylgen" --shape "$1" --functions "$2" --statements "$3" > "$out/src/gen-$1-$2.vyl"
done

# Sources that test how the characters are read: line ends CR LF and bare
# CR, blanks of every kind, NUL, control-D and 0xFF bytes in comments and
# between tokens, long comment lines, comments at the very end, an
# unterminated block comment, and an error after many comment lines.
long=$(printf '%0300d' 0 | tr 0 x)
printf 'void main() {\r\n  int i = 1;\t// tab, then CR LF\r\n  /* block\r\n  comment */ i = i + 1;\r\n}\r\n// last' > "$out/src/chars-crlf.vyl"
printf 'void main() {\r  int i = 1; // bare CR\r  i = i + 2;\r}\r' > "$out/src/chars-cr.vyl"
printf 'void main() {\n \t\v\f\b int i = 1;\n  // a control-D \004 here, and \000 and \377\n  i = i \000+ 1; /* \004 \377 */\n  i = i\377 + 2;\n}\n' > "$out/src/chars-special.vyl"
printf 'void main() {\n  // %s\n  int i = 1; /* %s */ i = i + 1;\n}\n/* %s' "$long" "$long" "$long" > "$out/src/chars-unterminated.vyl"
printf 'void main() {\n  // %s\n  int i = 1;\n  /* %s\n %s */\n  i = i + 1;\n}\n// %s' "$long" "$long" "$long" "$long" > "$out/src/chars-long.vyl"
{ printf 'void main() {\n'; for i in $(seq 200); do printf '  // comment line %s %s\n' "$i" "$long"; done; printf '  int i = j;\n}\n'; } > "$out/src/chars-error.vyl"

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
