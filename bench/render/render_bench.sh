#!/usr/bin/env bash
# Prints the fur renderer's figures (pelage-render --bench at 1024 x 1024:
# start-up to first frame, the first fin and shell texture synthesis, colour
# changes, full rebuilds and plain sequences, the median frame at the
# defaults, against every shell drawn, with 100 shells and with the skin only)
# for the bundled bunny and for two large models, then each large model's
# start-up and frames as ratios against the bundled bunny's, measured in the
# same run.
# Usage: render_bench.sh BUILD_DIR [LARGE_MODEL [pelage-render options...]]
# The large models: LARGE_MODEL, by default Debian glmark2-data's
# 69,666-triangle bunny, which has no texture coordinates; and a sphere of
# 101,760 triangles with texture coordinates of its own, written here, as a
# modelling tool maps it (latitude and longitude, 0..1 once).
set -euo pipefail
build=$1
large=${2:-/usr/share/glmark2/models/bunny.obj}
shift $(($# < 2 ? $# : 2))
cd "$build"

# Needs no display: without one pelage-render draws through EGL.
run() { ./pelage-render --bench "$@"; }

# The figure after a line's label, in ms.
figure() { awk -v label="$1" 'index($0, label) == 1 { sub(/^[^:]*:[[:space:]]*/, ""); print $1; exit }' "$2"; }

# A latitude-longitude sphere of radius 1, RINGS bands by SEGMENTS, its map cut
# along one meridian: uv_sphere RINGS SEGMENTS
uv_sphere() {
  awk -v rings="$1" -v segments="$2" 'BEGIN {
    pi = atan2(0, -1)
    print "v 0 1 0"; print "v 0 -1 0"
    for (r = 1; r < rings; r++)
      for (s = 0; s < segments; s++) {
        t = pi * r / rings; p = 2 * pi * s / segments
        printf "v %.6f %.6f %.6f\n", sin(t) * cos(p), cos(t), -sin(t) * sin(p)
      }
    for (r = 0; r <= rings; r++)
      for (s = 0; s <= segments; s++) printf "vt %.6f %.6f\n", s / segments, 1 - r / rings
    for (r = 0; r < rings; r++)
      for (s = 0; s < segments; s++) {
        if (r + 1 < rings) print "f " c(r, s) " " c(r + 1, s) " " c(r + 1, s + 1)
        if (r > 0) print "f " c(r, s) " " c(r + 1, s + 1) " " c(r, s + 1)
      }
  }
  function c(r, s) {
    v = r == 0 ? 1 : r == rings ? 2 : 3 + (r - 1) * segments + s % segments
    return v "/" (1 + r * (segments + 1) + s)
  }'
}

bundled=$(mktemp) larger=$(mktemp) sphere=$(mktemp --suffix=.obj)
trap 'rm -f "$bundled" "$larger" "$sphere"' EXIT
uv_sphere 160 320 >"$sphere"
run "$@" 2>/dev/null | tee "$bundled"

against_bundled() {
  echo
  echo "$1 against the bundled bunny, same run:"
  for label in "start-up to first frame" "median frame, defaults" "median frame, 100 shells" "median frame, skin only"; do
    awk -v label="$label" -v a="$(figure "$label" "$larger")" -v b="$(figure "$label" "$bundled")" \
      'BEGIN { printf "  %-26s %6.2fx  (%.1f ms against %.1f ms)\n", label ":", a / b, a, b }'
  done
  awk -v a="$(figure "median frame, defaults" "$larger")" -v b="$(figure "median frame, defaults" "$bundled")" \
      -v s="$(figure "start-up to first frame" "$larger")" -v t="$(figure "start-up to first frame" "$bundled")" \
    'BEGIN { printf "targets: frame at most 2x: %s; start-up at most 1.5x: %s\n",
             a / b <= 2 ? "met" : "NOT met", s / t <= 1.5 ? "met" : "NOT met" }'
}

for model in "$large" "$sphere"; do
  echo
  if [ ! -r "$model" ]; then
    echo "no large model at $model (Debian package glmark2-data): its ratios left out"
    continue
  fi
  run --model "$model" "$@" 2>/dev/null | tee "$larger"
  if [ "$model" = "$sphere" ]; then
    against_bundled "the 101,760-triangle sphere with its own coordinates"
  else
    against_bundled "$model"
  fi
done
