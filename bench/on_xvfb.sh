# Sourced by the measurement scripts as:  source "$(dirname "$0")/on_xvfb.sh" "$0" "${1:-}"
# Sets $exe to the program to measure (the argument, or build/ and the third argument, by
# default halvessa), makes sure it is
# built, and runs the calling script again on a virtual display unless it runs on one already.
# Leaves the working directory at the top of the tree.
self=$(realpath "$1")
exe=${2:-}
[ -z "$exe" ] || exe=$(realpath "$exe")
cd "$(dirname "$self")/.."
[ -n "$exe" ] || exe=$PWD/build/${3:-halvessa}
[ -x "$exe" ] || { echo "$(basename "$self"): $exe is not built" >&2; exit 1; }
if [ -z "${HALVESSA_ON_XVFB:-}" ]; then
  exec env HALVESSA_ON_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24" "$self" "$exe"
fi
