#!/usr/bin/env bash
# Start-up time of the desktop program, views closed: from process start until the window has
# been painted for the first time, on a virtual display, beside a bare Qt window of the same
# size doing the same in the same run. It times the probe halvessa_first_paint (the program
# itself quitting right after that paint) and halvessa_bare_paint beside it, RUNS times each
# (default 20) in turn, and prints both medians and their ratio; it fails when the ratio is
# above 1.4.
#   bench/startup.sh [path/to/halvessa_first_paint]        (default: build/halvessa_first_paint)
set -euo pipefail
source "$(dirname "$0")/on_xvfb.sh" "$0" "${1:-}" halvessa_first_paint
runs=${RUNS:-20}
bare=$(dirname "$exe")/halvessa_bare_paint
[ -x "$bare" ] || { echo "startup.sh: $bare is not built" >&2; exit 1; }

# An empty working directory and configuration: no settings file and nothing remembered is
# read, nothing is left behind.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export XDG_CONFIG_HOME="$work/config"

# Microseconds from start to end of one run.
time_one() {
  local start end
  start=$(date +%s%N)
  "$1" 2>/dev/null
  end=$(date +%s%N)
  echo $(( (end - start) / 1000 ))
}
"$exe" 2>/dev/null; "$bare" 2>/dev/null  # warm the file cache
for _ in $(seq "$runs"); do
  time_one "$exe" >>program.us
  time_one "$bare" >>bare.us
done
median() { sort -n "$1" | awk '{ t[NR] = $1 } END { m = (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2; print m / 1000 }'; }
range() { sort -n "$1" | awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%.1f to %.1f", lo / 1000, hi / 1000 }'; }
program=$(median program.us)
floor=$(median bare.us)
awk -v p="$program" -v b="$floor" -v n="$runs" -v pr="$(range program.us)" -v br="$(range bare.us)" 'BEGIN {
  r = p / b
  printf "start-up to first paint over %d runs each: median %.1f ms (%s), a bare Qt window %.1f ms (%s): %.2f times\n", n, p, pr, b, br, r
  if (r > 1.4) { print "start-up is more than 1.4 times the bare window'"'"'s"; exit 1 }
}'
