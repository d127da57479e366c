#!/usr/bin/env bash
# Prints the fur renderer's figures: start-up to first frame, the first fin
# and shell texture synthesis, colour changes, full rebuilds and plain
# sequences that follow it, and the median frame time at the defaults, with
# 100 shells and with the skin only, at 1024 x 1024 (pelage-render --bench).
# Usage: render_bench.sh BUILD_DIR [pelage-render options...]
set -euo pipefail
build=$1
shift
cd "$build"
if [ -n "${DISPLAY:-}" ]; then
  exec ./pelage-render --bench "$@"
fi
exec xvfb-run -a -s "-screen 0 1600x1200x24" ./pelage-render --bench "$@"
