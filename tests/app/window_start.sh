#!/usr/bin/env bash
# The program with its window, started as a user starts it, on the offscreen platform with a
# display set: over the demo mailbox "quick" goes to the tray (minimised: there is no tray
# here), checks at the first tick of the automatic-check timer (its minute shortened) and ends
# by itself (with 1 once the server is gone); a plain start shows the window until SIGTERM
# ends it as Exit does. Skipped (77)
# where Dovecot is not installed.
set -u
root=$1 build=$2
mailmoat=$build/src/mailmoat
setup=$build/tools/mailmoat_demo_setup
dovecot=/usr/sbin/dovecot
[ -x "$dovecot" ] || { echo "SKIP: Dovecot is not installed"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }
die() { fail "$*"; }

# shellcheck source=../../scripts/lib/demo-server.sh
source "$root/scripts/lib/demo-server.sh"
demo_server_start >/dev/null
top=$(mktemp -d)
trap 'stop_server; rm -rf "$top"' EXIT
"$setup" "$top/home" "$port" pat demo-password >/dev/null || fail "demo set-up"
export DISPLAY=:mailmoat-test QT_QPA_PLATFORM=offscreen MAILMOAT_HOME=

MAILMOAT_TIMER_MINUTE_MS=300 timeout 120 "$mailmoat" --home "$top/home" quick eat >"$top/out" 2>&1; rc=$?
[ $rc -eq 0 ] || fail "quick with a window: exit code $rc: $(cat "$top/out")"
log=$(tr -d '\r' <"$top/home/mmt.log")
grep -q ' @ Quick check and quit executing$' <<<"$log" || fail "no quick line: $log"
grep -q ' @ Messages processed  : 41$' <<<"$log" || fail "no results block: $log"
grep -q ' @ Quick check completed - terminating application$' <<<"$log" || fail "did not terminate: $log"
left=$(find "$maildir/new" "$maildir/cur" -type f | wc -l)
[ "$left" -lt 41 ] || fail "quick eat deleted nothing"

"$mailmoat" --home "$top/home" >"$top/out" 2>&1 &
pid=$!
sleep 2
kill -0 $pid 2>/dev/null || fail "the window did not stay open: $(cat "$top/out")"
kill -TERM $pid
for _ in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
kill -0 $pid 2>/dev/null && { kill -KILL $pid; fail "SIGTERM did not end the window"; }
wait $pid; rc=$?
[ $rc -eq 0 ] || fail "SIGTERM: exit code $rc: $(cat "$top/out")"

# With the server gone, a quick start still ends after its one attempt, and says it failed.
stop_server
MAILMOAT_TIMER_MINUTE_MS=300 timeout 60 "$mailmoat" --home "$top/home" quick eat >"$top/out" 2>&1; rc=$?
[ $rc -eq 1 ] || fail "quick with the server down: exit code $rc, not 1: $(cat "$top/out")"
echo PASS
