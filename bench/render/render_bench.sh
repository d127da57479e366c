#!/usr/bin/env bash
# Prints the fur renderer's figures (pelage-render --bench at 1024 x 1024:
# start-up to first frame, the first fin and shell texture synthesis, colour
# changes, full rebuilds and plain sequences, the median frame at the
# defaults, against every shell drawn, with 100 shells and with the skin only)
# for the bundled bunny and for a large model, then the large model's start-up
# and frames as ratios against the bundled bunny's, measured in the same run.
# Usage: render_bench.sh BUILD_DIR [LARGE_MODEL [pelage-render options...]]
# The large model defaults to Debian glmark2-data's 69,666-triangle bunny.
set -euo pipefail
build=$1
large=${2:-/usr/share/glmark2/models/bunny.obj}
shift $(($# < 2 ? $# : 2))
cd "$build"

# Needs no display: without one pelage-render draws through EGL.
run() { ./pelage-render --bench "$@"; }

# The figure after a line's label, in ms.
figure() { awk -v label="$1" 'index($0, label) == 1 { sub(/^[^:]*:[[:space:]]*/, ""); print $1; exit }' "$2"; }

bundled=$(mktemp) larger=$(mktemp)
trap 'rm -f "$bundled" "$larger"' EXIT
run "$@" 2>/dev/null | tee "$bundled"
if [ ! -r "$large" ]; then
  echo "no large model at $large (Debian package glmark2-data): ratios left out"
  exit 0
fi
echo
run --model "$large" "$@" 2>/dev/null | tee "$larger"
echo
echo "large model against the bundled bunny, same run:"
for label in "start-up to first frame" "median frame, defaults" "median frame, 100 shells" "median frame, skin only"; do
  awk -v label="$label" -v a="$(figure "$label" "$larger")" -v b="$(figure "$label" "$bundled")" \
    'BEGIN { printf "  %-26s %6.2fx  (%.1f ms against %.1f ms)\n", label ":", a / b, a, b }'
done
awk -v a="$(figure "median frame, defaults" "$larger")" -v b="$(figure "median frame, defaults" "$bundled")" \
    -v s="$(figure "start-up to first frame" "$larger")" -v t="$(figure "start-up to first frame" "$bundled")" \
  'BEGIN { printf "targets: frame at most 2.5x: %s; start-up at most 2x: %s\n",
           a / b <= 2.5 ? "met" : "NOT met", s / t <= 2 ? "met" : "NOT met" }'
