#!/usr/bin/env bash
# The program as cron runs it: `mailmoat --home DIR quick eat` leaves its log in DIR, writes
# nothing anywhere else, and ends with 1 when no mailbox is set up; `quick WORD` checks without
# eating; a bad option ends with 2; a second copy over the same directory ends with 1 after
# saying why. `dump FILE [level]` writes the report.
set -u
mailmoat=$1
top=$(mktemp -d)
trap 'rm -rf "$top"' EXIT
export HOME=$top/home XDG_DATA_HOME= XDG_CONFIG_HOME= MAILMOAT_HOME=
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$HOME"
fail() { echo "FAIL: $*"; exit 1; }

# No desktop and nothing to do without one: how to run headless, exit 2, nothing written.
"$mailmoat" --home "$top/v" >/dev/null 2>"$top/err"; rc=$?
[ $rc -eq 2 ] || fail "no display and no verb: exit code $rc"
grep -q "run 'mailmoat quick' or 'mailmoat quick eat' for a headless check" "$top/err" || fail "no hint: $(cat "$top/err")"
[ "$(wc -l <"$top/err")" -eq 1 ] || fail "more than one line: $(cat "$top/err")"
[ ! -e "$top/v" ] || fail "a home was made without a run"

out=$("$mailmoat" --home "$top/x" quick eat 2>"$top/err"); rc=$?
[ $rc -eq 1 ] || fail "quick eat without a mailbox: exit code $rc: $(cat "$top/err")"
grep -q 'no mailbox is set up' "$top/err" || fail "no reason given: $(cat "$top/err")"
grep -q ' ! No POP3 Profiles found. Processing aborted.'$'\r$' "$top/x/mmt.log" || fail "no profile line"
log=$top/x/mmt.log
[ -f "$log" ] || fail "no log in the home directory"
grep -q ' @ Quick check and quit executing'$'\r$' "$log" || fail "no quick-check line: $(cat "$log")"
grep -q ' @ Quick check will eat rejected messages'$'\r$' "$log" || fail "no eat line"
grep -q ' @ Automatic check and eat executing'$'\r$' "$log" || fail "no automatic-check line"
grep -q '^[0-3][0-9] [A-Z][a-z][a-z] 20[0-9][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9] @ ' "$log" || fail "bad time stamp"
[ -z "$(ls -A "$HOME")" ] || fail "files written outside the home directory: $(ls -A "$HOME")"
echo "quick eat: $out"

"$mailmoat" --home "$top/y" QUICK >/dev/null 2>&1
[ -f "$top/y/mmt.log" ] || fail "QUICK in upper case did not run"
grep -q '@ Quick check will NOT eat rejected messages' "$top/y/mmt.log" || fail "quick without eat"

MAILMOAT_HOME=$top/z "$mailmoat" quick >/dev/null 2>&1
[ -f "$top/z/mmt.log" ] || fail "MAILMOAT_HOME not used"

# Any word after quick but "eat" is a check that eats nothing ("view" adds a note, see ApplicationTest).
"$mailmoat" --home "$top/w" quick later >/dev/null 2>"$top/err"; rc=$?
[ $rc -eq 1 ] && ! grep -q 'view' "$top/err" || fail "quick later: exit code $rc, $(cat "$top/err")"
grep -q '@ Quick check will NOT eat rejected messages' "$top/w/mmt.log" || fail "quick later eats"

"$mailmoat" --bogus >/dev/null 2>"$top/err"; rc=$?
[ $rc -eq 2 ] || fail "bad option gave exit code $rc"
grep -q 'Usage: mailmoat' "$top/err" || fail "no usage text"

"$mailmoat" --home "$top/x" DUMP "$top/dump.txt" basic >/dev/null 2>&1 || fail "dump failed"
grep -q '^User Name        : ' "$top/dump.txt" || fail "basic dump without the user name"
grep -q '^\[ --- Mailmoat Window Settings --- \]'$'\r$' "$top/dump.txt" || fail "dump lines"
"$mailmoat" --home "$top/x" dump >/dev/null 2>&1; rc=$?
[ $rc -eq 2 ] || fail "dump without a file gave exit code $rc"
"$mailmoat" --home "$top/x" dump "$top/d2.txt" everything >/dev/null 2>&1; rc=$?
[ $rc -eq 2 ] || fail "dump with a bad level gave exit code $rc"

# A second copy: hold the lock the way a running copy does.
flock "$top/x/mailmoat.lock" "$mailmoat" --home "$top/x" quick >/dev/null 2>"$top/err"; rc=$?
[ $rc -eq 1 ] || fail "second copy gave exit code $rc"
grep -q 'already running' "$top/err" || fail "second copy did not say why: $(cat "$top/err")"
echo "PASS"
