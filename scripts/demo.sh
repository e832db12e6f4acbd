#!/usr/bin/env bash
# The program's main job on this machine, with no display needed: a private Dovecot POP3
# server on 127.0.0.1 serves a mailbox of 41 messages from demo/messages (spam of several
# kinds and good mail), a demo home with one profile, rules and address lists is made by
# the program's own code, and `mailmoat --home DEMO quick` checks the mailbox without
# deleting anything. The results block and the rule lines of the activity log are shown;
# the server is stopped and removed, the demo home is kept for inspection.
#
#   bash scripts/demo.sh [DEMO_HOME]           (default: a new folder under /tmp)
#   bash scripts/demo.sh --window [DEMO_HOME]  opens the main window on the demo home instead,
#                                              with the server running until the window closes
#                                              (press F3 to check only, F2 to eat the spam)
#
# Needs the build (scripts/build.sh) and Dovecot (scripts/install-deps.sh). Runs as root or
# as an ordinary user: without root, Dovecot runs entirely as the caller.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MAILMOAT_BUILD_DIR:-$root/build}
mailmoat=$build/src/mailmoat
setup=$build/tools/mailmoat_demo_setup
dovecot=/usr/sbin/dovecot

die() {
  echo "demo: $*" >&2
  exit 1
}

[ -x "$dovecot" ] || die "Dovecot is not installed; run: bash scripts/install-deps.sh"
if [ ! -x "$mailmoat" ] || [ ! -x "$setup" ]; then
  echo "demo: building into $build"
  bash "$root/scripts/build.sh" -DMAILMOAT_BUILD_TESTS=OFF >/dev/null
fi

window=
if [ "${1:-}" = --window ]; then
  window=1
  shift
  [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || die "--window needs a desktop (DISPLAY or WAYLAND_DISPLAY)"
fi
home=${1:-}
if [ -z "$home" ]; then
  home=$(mktemp -d /tmp/mailmoat-demo-home.XXXXXX)
elif [ -e "$home" ] && [ -n "$(ls -A "$home" 2>/dev/null)" ]; then
  die "$home exists and is not empty; give a new folder"
fi
mkdir -p "$home"
home=$(cd "$home" && pwd)

# shellcheck source=lib/demo-server.sh
source "$root/scripts/lib/demo-server.sh"
demo_server_start

"$setup" "$home" "$port" pat demo-password
echo "demo: demo home $home (profile, valid addresses, approved sender, rules, settings)"
if [ -n "$window" ]; then
  echo "demo: opening the main window; F3 checks only, F2 eats the spam; close it to stop the server"
  rc=0
  "$mailmoat" --home "$home" || rc=$?
  stop_server
  trap - EXIT
  echo "demo: window closed, server stopped; the demo home is kept in $home"
  exit "$rc"
fi
echo "demo: running: mailmoat --headless --home $home quick"
echo
rc=0
"$mailmoat" --headless --home "$home" quick || rc=$?
echo

log=$home/mmt.log
[ -f "$log" ] || die "the run wrote no activity log (exit code $rc)"
# Log lines end in CR LF; show them without the CR.
results=$(tr -d '\r' <"$log" | sed -n '/ @ Processing Results:$/,/ @ Cleared Messages /p')
[ -n "$results" ] || die "no results block in $log (exit code $rc):
$(tr -d '\r' <"$log")"
echo "== Results (from $log) =="
echo "$results"
echo
echo "== Rule lines =="
tr -d '\r' <"$log" | grep ' \$ ' || echo "(none)"
echo
echo "== Accepted by an approved sender or an always-accept rule =="
tr -d '\r' <"$log" | grep -E ' # (Approved Sender|Always Accept) - ' || echo "(none)"
echo

left=$(find "$maildir/new" "$maildir/cur" -type f | wc -l)
echo "demo: check only: $left of $n messages are still on the server"
stop_server
trap - EXIT
echo "demo: server stopped; the demo home is kept in $home"
exit "$rc"
