#!/usr/bin/env bash
# CPU used by the window left alone in live mode: starts the program on a virtual display,
# lets it settle, then reads its user and system time from /proc before and after SECONDS_IDLE
# seconds (default 60).
#   bench/idle_cpu.sh [path/to/halvessa]        (default: build/halvessa)
set -euo pipefail
source "$(dirname "$0")/on_xvfb.sh" "$0" "${1:-}"
idle=${SECONDS_IDLE:-60}

work=$(mktemp -d)
cd "$work"
"$exe" 2>/dev/null &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$work"' EXIT
sleep 3

ticks() {  # utime + stime of the process, in clock ticks
  local stat
  stat=$(cat "/proc/$pid/stat")
  stat=${stat##*) }  # fields after the command name
  awk '{ print $12 + $13 }' <<<"$stat"
}
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$idle"
after=$(ticks)
used=$(( after - before ))
awk -v u="$used" -v hz="$hz" -v s="$idle" 'BEGIN {
  printf "idle live mode: %d ticks (%.0f ms) of CPU in %d s, %.3f %% of one core\n",
         u, u * 1000 / hz, s, u * 100 / hz / s }'
