#!/usr/bin/env bash
# A year of minutes (525,600 rows) at one site with five panels, to a CSV file at full
# precision: `halvessa-cli series` against the npm library suncalc doing the same from Node.
# Installs suncalc into the build tree, runs each five times, prints the medians of the wall
# times and their ratio.
#   bench/series_vs_suncalc.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
scripts/install-deps --bench
[ -x "$build/halvessa-cli" ] || { echo "build $build first (scripts/test)" >&2; exit 1; }

peer="$build/bench-peer"
if [ ! -d "$peer/node_modules/suncalc" ]; then
  mkdir -p "$peer"
  npm install --silent --prefix "$peer" suncalc@1 >/dev/null
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
wall() {  # wall OUTPUT COMMAND...: the command's wall time in seconds, its output to OUTPUT
  local start end output=$1
  shift
  start=$(date +%s.%N)
  "$@" >"$output"
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}

ours=() theirs=()
for _ in 1 2 3 4 5; do
  ours+=("$(wall "$out/halvessa.csv" "$build/halvessa-cli" series --from 2025-01-01 --to 2026-01-01 \
             --step 1m --tz 1)")
  theirs+=("$(wall /dev/null env NODE_PATH="$peer/node_modules" node bench/suncalc_year.js "$out/suncalc.csv")")
done
h=$(printf '%s\n' "${ours[@]}" | median)
s=$(printf '%s\n' "${theirs[@]}" | median)
rows_h=$(($(wc -l <"$out/halvessa.csv") - 1))
rows_s=$(($(wc -l <"$out/suncalc.csv") - 1))
printf 'halvessa-cli series: %.3f s for %d rows (%s MB)\n' "$h" "$rows_h" "$(($(stat -c %s "$out/halvessa.csv") / 1000000))"
printf 'suncalc on Node %s: %.3f s for %d rows (%s MB)\n' "$(node --version)" "$s" "$rows_s" "$(($(stat -c %s "$out/suncalc.csv") / 1000000))"
printf 'ratio: halvessa-cli is %.1f times faster\n' "$(awk -v a="$s" -v b="$h" 'BEGIN { print a / b }')"
