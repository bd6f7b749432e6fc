#!/usr/bin/env bash
# Start-up time of the desktop program: from process start until the window has been painted
# for the first time, on a virtual display. It times the probe halvessa_first_paint, which is
# the program itself quitting right after that paint. Prints the median of RUNS runs (default 20).
#   bench/startup.sh [path/to/halvessa_first_paint]        (default: build/halvessa_first_paint)
set -euo pipefail
source "$(dirname "$0")/on_xvfb.sh" "$0" "${1:-}" halvessa_first_paint
runs=${RUNS:-20}

# An empty working directory: no settings file is read, nothing is left behind.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

if command -v hyperfine >/dev/null; then
  hyperfine --shell=none --warmup 3 --runs "$runs" --export-json "$work/times.json" "$exe" >&2
  python3 - "$work/times.json" <<'PY'
import json, sys
r = json.load(open(sys.argv[1]))["results"][0]
ms = lambda s: s * 1000
print("start-up to first paint: median %.1f ms over %d runs (min %.1f, max %.1f)"
      % (ms(r["median"]), len(r["times"]), ms(r["min"]), ms(r["max"])))
PY
else
  "$exe" 2>/dev/null  # warm the file cache
  times=()
  for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    "$exe" 2>/dev/null
    end=$(date +%s%N)
    times+=($(( (end - start) / 1000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk -v n="$runs" '
    { t[NR] = $1 }
    END { m = (n % 2) ? t[(n + 1) / 2] : (t[n / 2] + t[n / 2 + 1]) / 2;
          printf "start-up to first paint: median %.1f ms over %d runs (min %.1f, max %.1f)\n",
                 m / 1000, n, t[1] / 1000, t[n] / 1000 }'
fi
