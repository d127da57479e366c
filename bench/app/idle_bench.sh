#!/usr/bin/env bash
# Prints what an untouched pelage window costs: the share of a core its
# process takes over ten seconds once its first frame is drawn, with nothing
# moving, against the same window with its fur blowing in the wind, measured
# in the same run. Runs under Xvfb when there is no display.
# Usage: idle_bench.sh BUILD_DIR
set -euo pipefail
build=$1
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" "$@"
fi
cd "$build"
ticks_per_second=$(getconf CLK_TCK)

# User and system CPU time of a process, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# Starts pelage with the given options, waits until its first frame is done
# (a second in which it takes under a tenth of a core, or at most SETTLE
# seconds), then prints the percentage of a core it takes over the next ten
# seconds: idle_share SETTLE [pelage options...]
idle_share() {
  local settle=$1
  shift
  ./pelage -sx 640 -sy 480 "$@" >/dev/null 2>&1 &
  local pid=$! before after
  for _ in $(seq "$settle"); do
    before=$(cpu_ticks "$pid")
    sleep 1
    after=$(cpu_ticks "$pid")
    [ $((after - before)) -ge $((ticks_per_second / 10)) ] || break
  done
  before=$(cpu_ticks "$pid")
  sleep 10
  after=$(cpu_ticks "$pid")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  awk -v t=$((after - before)) -v hz="$ticks_per_second" 'BEGIN { printf "%.1f", 100 * t / hz / 10 }'
}

still=$(idle_share 120)
# The wind never settles: the window keeps drawing, as it should.
moving=$(idle_share 15 --set dynamics=1 --set windStrength=1)
echo "untouched window, 10 s: ${still}% of a core (moving fur: ${moving}%)"
