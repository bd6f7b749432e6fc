#!/usr/bin/env bash
# Installs a build tree into a temporary folder and checks what a desktop gets from it, then
# builds the Debian package and checks that too. Non-zero on any fault.
#   tests/install/check.sh [build-dir]        (default: build)
set -euo pipefail
cd "$(dirname "$0")/../.."
dir=${1:-build}
id=io.github.halvessa.Halvessa

fail() { echo "install check: $*" >&2; exit 1; }

cmake --build "$dir" -j2
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$dir/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in $dir/CMakeCache.txt"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage/root" cmake --install "$dir" --prefix /usr >/dev/null
usr=$stage/root/usr

for f in bin/halvessa bin/halvessa-cli \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/scalable/apps/$id.svg \
         share/icons/hicolor/48x48/apps/$id.png share/icons/hicolor/256x256/apps/$id.png \
         share/man/man1/halvessa.1.gz share/man/man1/halvessa-cli.1.gz \
         share/bash-completion/completions/halvessa-cli \
         share/doc/halvessa/copyright share/doc/halvessa/changelog.gz; do
  [ -f "$usr/$f" ] || fail "$f is not installed"
done

# Both programs tell their version, the window's without a display.
got=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$usr/bin/halvessa" --version)
[ "$got" = "halvessa $version" ] || fail "halvessa --version gives \"$got\""
got=$("$usr/bin/halvessa-cli" --version)
[ "$got" = "halvessa-cli $version" ] || fail "halvessa-cli --version gives \"$got\""
# This version has its release in the metainfo and its entry at the top of the changelog.
grep -q "<release version=\"$version\"" "$usr/share/metainfo/$id.metainfo.xml" ||
  fail "the metainfo has no release $version"
zcat "$usr/share/doc/halvessa/changelog.gz" | head -1 | grep -qF "halvessa ($version)" ||
  fail "the changelog does not start with $version"

# The desktop entry and the metainfo validate, the entry without a hint (such as one for a
# second main category, which would show it in two menus); its program and icon are installed.
desktop=$usr/share/applications/$id.desktop
hints=$(desktop-file-validate "$desktop") || { echo "$hints" >&2; fail "the desktop entry does not validate"; }
[ -z "$hints" ] || { echo "$hints" >&2; fail "desktop-file-validate has remarks on the desktop entry"; }
exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$usr/bin/$exec" ] || fail "the desktop entry runs \"$exec\", which is not installed"
[ "$(sed -n 's/^Icon=//p' "$desktop")" = "$id" ] || fail "the desktop entry's icon is not $id"
metainfo=$usr/share/metainfo/$id.metainfo.xml
appstreamcli validate --no-net "$metainfo" >/dev/null ||
  fail "the metainfo does not validate: appstreamcli validate --no-net $metainfo"

# Each PNG has the size its folder says (width and height at bytes 16 to 23 of the file).
for size in 48 256; do
  png=$usr/share/icons/hicolor/${size}x${size}/apps/$id.png
  read -r w h < <(od -An -tu4 --endian=big -j16 -N8 "$png")
  [ "$w $h" = "$size $size" ] || fail "the ${size}x${size} icon is $w x $h"
done

# The manual pages render without a warning and name their program.
for program in halvessa halvessa-cli; do
  page=$usr/share/man/man1/$program.1.gz
  text=$(MANWIDTH=80 man --warnings -l "$page" 2>"$stage/man.err") ||
    fail "man -l $program.1.gz failed"
  if [ -s "$stage/man.err" ]; then
    cat "$stage/man.err" >&2
    fail "$program.1 renders with warnings"
  fi
  grep -Eq "^[[:space:]]+$program[[:space:]]+- " <<<"$text" ||
    fail "$program.1 has no NAME line for $program"
done

# The completion loads in bash and completes an option and a value, a zone name after --tz
# (from the zone database, as the program reads it, also without its tzdata.zi), and one
# --fix- option at most.
zones=$stage/zoneinfo
mkdir -p "$zones/Europe"
touch "$zones/Europe/Zurich" "$zones/Europe/Zagreb" "$zones/zone.tab"
got=$(bash -c 'source "$1"
  COMP_WORDS=(halvessa-cli --js); COMP_CWORD=1; _halvessa_cli; echo "${COMPREPLY[*]}"
  COMP_WORDS=(halvessa-cli --json --date ""); COMP_CWORD=3; _halvessa_cli; echo "${COMPREPLY[*]}"
  COMP_WORDS=(halvessa-cli --tz Europe/Zu); COMP_CWORD=2; _halvessa_cli; echo "${COMPREPLY[*]}"
  COMP_WORDS=(halvessa-cli --tz=Asia/Kolk); COMP_CWORD=1; _halvessa_cli; echo "${COMPREPLY[*]}"
  COMP_WORDS=(halvessa-cli best --fix-tilt=30 --fix); COMP_CWORD=3; _halvessa_cli; echo "${COMPREPLY[*]}"
  COMP_WORDS=(halvessa-cli best --fix-azimuth 9 --f); COMP_CWORD=4; _halvessa_cli; echo "${COMPREPLY[*]}"
  TZDIR=$2; COMP_WORDS=(halvessa-cli --tz Europe/Z); COMP_CWORD=2; _halvessa_cli; echo "${COMPREPLY[*]}"
  COMP_WORDS=(halvessa-cli energy --module p); COMP_CWORD=3; _halvessa_cli; echo "${COMPREPLY[*]}"
  complete -p halvessa-cli' _ "$usr/share/bash-completion/completions/halvessa-cli" "$zones") ||
  fail "the bash completion does not load or register halvessa-cli"
expected="--json
$(date +%Y-%m-%d)
Europe/Zurich
Asia/Kolkata


Europe/Zagreb Europe/Zurich
premium
complete -F _halvessa_cli halvessa-cli"
[ "$got" = "$expected" ] || fail "the bash completion gives \"$got\""

# Every option and command of the calculator has an entry of its own in its manual page.
page=$(MANWIDTH=80 man -l "$usr/share/man/man1/halvessa-cli.1.gz" 2>/dev/null)
for entry in series day year best --date --time --lat --lon --tz --panel --json --from --to \
             --step --year --altitude --clearsky --format --digits --force --fix-tilt \
             --fix-azimuth energy --weather --weather-shift --horizon --module --mount \
             --losses --inverter --dc-ac --one-inverter --transposition --help --version; do
  grep -Eq "^ {7}(-h, )?$entry( |\$)" <<<"$page" || fail "halvessa-cli.1 has no entry for $entry"
done

# The Debian package holds what the installation holds, and lintian finds no error in it.
out=$(cd "$dir" && cpack -G DEB 2>&1) || { echo "$out" >&2; fail "cpack -G DEB failed"; }
deb=$(ls "$dir"/halvessa_"$version"_*.deb)
dpkg-deb -c "$deb"
diff <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./|/|' | sort) \
     <(cd "$stage/root" && find . -type f -o -type l | sed 's|^\./|/|' | sort) ||
  fail "the package's files differ from the installation's"
lintian --fail-on error "$deb" 2> >(grep -v 'running with root privileges' >&2) ||
  fail "lintian finds errors in $deb"

echo "install check: passed ($deb)"
