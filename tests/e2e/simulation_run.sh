#!/usr/bin/env bash
# The simulation run driven as a user would, on a virtual display:
#   simulation_run.sh HALVESSA CLOSE_WINDOW DATA
# starts the program in an empty working directory with an empty configuration, clicks
# Refresh, "Log solar positions" and the first panel's "Log this panel", then Simulate; pauses
# after about 3.5 s (one step a second); opens DATA's weather and horizon files through File >
# Open weather file and File > Open horizon; shows the Day, Year and Sky tabs (Ctrl+D, Ctrl+Y,
# Ctrl+K) and takes a picture of each (copied to $HALVESSA_SCREENSHOTS when set), exports the
# Sky view through File > Export chart, closes the tabs (Ctrl+K again), exports the day
# through File > Export day as CSV; closes the window and checks the exit status, the position
# logs, the exports and that the files are remembered. Then, at scale factor 2 on a 1920 x 1080
# screen, shows each tab and checks that the window stays within the screen.
set -euo pipefail

if [ "${1:-}" != "--inside" ] && [ "${1:-}" != "--fit" ]; then
  [ $# -eq 3 ] || { echo "usage: $0 HALVESSA CLOSE_WINDOW DATA" >&2; exit 2; }
  self=$(readlink -f "$0")
  app=$(readlink -f "$1")
  closer=$(readlink -f "$2")
  data=$(readlink -f "$3")
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  cd "$work"
  # The user's configuration, where the window remembers its files and zone: a fresh one.
  export XDG_CONFIG_HOME="$work/config"
  # The window must reach the X server, not Qt's offscreen platform the other tests use.
  export QT_QPA_PLATFORM=xcb
  # Under AddressSanitizer: the X keyboard library hands strndup names that are not
  # terminated within their buffer, which the strict string checks take for an overflow.
  if [ -n "${ASAN_OPTIONS:-}" ]; then
    export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"
  fi
  xvfb-run -a -s "-screen 0 1024x1400x24 -nolisten tcp" "$self" --inside "$app" "$closer" "$data"
  mkdir fit
  cd fit
  QT_SCALE_FACTOR=2 xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" "$self" --fit "$app" "$closer" "$data"
  exit $?
fi

mode=$1
app=$2
closer=$3
data=$4
fail() { echo "FAIL: $*" >&2; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; exit 1; }

"$app" >app.out 2>&1 &
pid=$!

# The id of the window titled NAME once it is mapped, within TENTHS tenths of a second (the
# program may start slowly under the sanitizers), or empty; fails when the program has ended.
window_named() {  # NAME TENTHS
  local found=""
  for _ in $(seq 1 "$2"); do
    kill -0 "$pid" 2>/dev/null || { cat app.out >&2; fail "the program ended unexpectedly"; }
    found=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true)
    [ -n "$found" ] && break
    sleep 0.1
  done
  echo "$found"
}

wid=$(window_named Halvessa 200)
[ -n "$wid" ] || fail "no window named Halvessa appeared"
sleep 1

# The window's place and size on the screen, in the screen's pixels.
geometry() { xdotool getwindowgeometry "$wid" | awk '/Position/ { split($2, p, ","); y = p[2] }
                                                     /Geometry/ { split($2, s, "x"); print y, s[2] }'; }
height() { geometry | awk '{ print $2 }'; }
# Asks the window to close and waits for the program's end: exit status 0.
close_and_wait() {
  "$closer" "$wid" || fail "could not ask the window to close"
  status=""
  for _ in $(seq 1 100); do
    if ! kill -0 "$pid" 2>/dev/null; then
      set +e
      wait "$pid"
      status=$?
      set -e
      break
    fi
    sleep 0.1
  done
  [ -n "$status" ] || fail "the program did not end within 10 s of closing its window"
  [ "$status" -eq 0 ] || { cat app.out >&2; fail "exit status $status"; }
}

if [ "$mode" = "--fit" ]; then
  # Each tab within the screen's 1080 pixels, the window moved up as far as needed.
  xdotool windowfocus --sync "$wid" 2>/dev/null || true
  screen=$(xdotool getdisplaygeometry | awk '{ print $2 }')
  for key in ctrl+d ctrl+y ctrl+k; do
    xdotool key "$key"
    sleep 1.5
    read -r top tall < <(geometry)
    [ "$tall" -gt 764 ] || fail "$key at scale 2 opened no view (height $tall)"
    [ "$top" -ge 0 ] && [ $(( top + tall )) -le "$screen" ] ||
      fail "$key at scale 2: the window spans $top to $(( top + tall )), beyond the screen's $screen"
  done
  if [ -n "${HALVESSA_SCREENSHOTS:-}" ]; then import -window "$wid" "$HALVESSA_SCREENSHOTS/sky-scale2.png"; fi
  close_and_wait
  echo "at scale 2 each tab fits the 1080-pixel screen; exit status 0"
  exit 0
fi

# Clicks at the middle of a control, given in twips (15 to a pixel) from the client area,
# which sits below the menu bar.
menu=24
px() { echo $(( ($1 + 7) / 15 )); }
click() {  # LEFT TOP WIDTH HEIGHT
  local x=$(( $(px "$1") + $(px "$3") / 2 )) y=$(( menu + $(px "$2") + $(px "$4") / 2 ))
  xdotool mousemove --window "$wid" "$x" "$y" click 1
  sleep 0.3
}

click 4680 3705 1200 400   # Refresh: fills the sunset box for today
click 300 3720 225 255     # Solarchk: log solar positions; the panel boxes show
click 300 1535 225 255     # Panelchk(1): log panel 1
click 660 3705 1200 400    # Simulate, one step a second
sleep 3.5
click 660 4320 1200 400    # Pause
sleep 1.5                  # the step in progress finishes its delay
kill -0 "$pid" 2>/dev/null || fail "the program ended before the window was closed"

# A file dialog the File menu's item (reached by DOWNS presses of Down) opens, given a name.
through_file_menu() {  # DOWNS CAPTION NAME
  xdotool windowfocus --sync "$wid" 2>/dev/null || true
  xdotool key alt+f
  sleep 0.5
  for _ in $(seq 1 "$1"); do xdotool key Down; sleep 0.1; done
  xdotool key Return
  [ -n "$(window_named "$2" 100)" ] || fail "File > $2 opened no dialog"
  sleep 1
  xdotool type --delay 20 "$3"
  xdotool key Return
  sleep 1
}

# The weather and the horizon, opened through the File menu.
through_file_menu 0 "Open weather file" "$data/pvgis-tmy-45.000-8.000.csv"
through_file_menu 1 "Open horizon" "$data/horizon-45.000-8.000.csv"

# The views in their tabs below the client area, one at a time.
xdotool windowfocus --sync "$wid" 2>/dev/null || true
import -window "$wid" window.png
height_closed=$(height)
xdotool key ctrl+d
for _ in $(seq 1 100); do [ "$(height)" -gt "$height_closed" ] && break; sleep 0.1; done
sleep 1
height_open=$(height)
[ "$height_open" -gt "$height_closed" ] || fail "the day view did not open ($height_closed, $height_open)"
import -window "$wid" day.png
xdotool key ctrl+y
sleep 3
import -window "$wid" year.png
xdotool key ctrl+k
sleep 1
import -window "$wid" sky.png
[ "$(height)" -eq "$height_open" ] || fail "the tabs changed the window's height ($height_open, $(height))"
# File > Export chart, the Sky tab shown (the menu: Open weather, Open horizon, Export day,
# Export chart).
through_file_menu 3 "Export chart as PNG or SVG" "$PWD/sky-export.png"
for _ in $(seq 1 50); do [ -f sky-export.png ] && break; sleep 0.1; done
[ "$(head -c 8 sky-export.png 2>/dev/null | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] ||
  fail "File > Export chart wrote no PNG"
xdotool windowfocus --sync "$wid" 2>/dev/null || true
sleep 0.5
xdotool key ctrl+k
for _ in $(seq 1 100); do [ "$(height)" -eq "$height_closed" ] && break; sleep 0.1; done
[ "$(height)" -eq "$height_closed" ] || fail "Ctrl+K on the Sky tab did not close the views"
if [ -n "${HALVESSA_SCREENSHOTS:-}" ]; then cp window.png day.png year.png sky.png "$HALVESSA_SCREENSHOTS/"; fi

# File > Export day as CSV (Export chart is greyed out with the views closed).
through_file_menu 2 "Export day as CSV" "$PWD/day.csv"
for _ in $(seq 1 50); do [ -f day.csv ] && break; sleep 0.1; done
[ -f day.csv ] || fail "File > Export day as CSV wrote no day.csv"
header=$(head -n 1 day.csv | tr -d '\r')
case "$header" in
  time,sun_azimuth,sun_elevation,*,ghi,dni,dhi,*) ;;
  *) fail "day.csv has the header $header" ;;
esac
rows=$(( $(wc -l < day.csv) - 1 ))
[ "$rows" -eq $(( 24 * 60 / 5 )) ] || fail "day.csv holds $rows rows, not 288"

close_and_wait
config="$XDG_CONFIG_HOME/halvessa/halvessa.ini"
grep -q "pvgis-tmy-45.000-8.000.csv" "$config" && grep -q "horizon-45.000-8.000.csv" "$config" ||
  fail "the weather and horizon files are not remembered in $config"

# Every line whole: the given number of TAB-separated fields, ended by CR LF.
check_log() {  # FILE FIELDS
  [ -f "$1" ] || fail "$1 is missing"
  [ "$(tail -c 2 "$1" | od -An -tx1 | tr -d ' \n')" = "0d0a" ] || fail "$1 does not end with CR LF"
  awk -v n="$2" -v f="$1" 'BEGIN { FS = "\t" }
    !/\r$/ { print f ": line " NR " does not end with CR LF"; bad = 1 }
    NF != n { print f ": line " NR " has " NF " fields, not " n; bad = 1 }
    END { exit bad }' "$1" || fail "$1 is malformed"
  wc -l < "$1"
}
solar=$(check_log solar.log 4)
panel1=$(check_log panel1.log 6)
[ "$solar" -ge 3 ] && [ "$solar" -le 5 ] || fail "solar.log holds $solar lines, not 3 to 5"
[ "$panel1" -eq "$solar" ] || fail "panel1.log holds $panel1 lines, solar.log $solar"
for i in 2 3 4 5; do
  [ ! -e "panel$i.log" ] || fail "panel$i.log was written though its box is not checked"
done
echo "solar.log and panel1.log: $solar lines each; day.csv: $rows rows; exit status 0"
