#!/usr/bin/env bash
# The demo from the README, as a user runs it after the build: it must check the 41 messages,
# delete none, and print the one-line result of the quick check. Skipped (exit 77) where
# Dovecot is not installed.
set -u
root=$1 build=$2
[ -x /usr/sbin/dovecot ] || { echo "SKIP: Dovecot is not installed"; exit 77; }
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
out=$(MAILMOAT_BUILD_DIR=$build bash "$root/scripts/demo.sh" "$home/demo" 2>&1); rc=$?
echo "$out"
fail() { echo "FAIL: $*"; exit 1; }
[ $rc -eq 0 ] || fail "demo exit code $rc"
grep -qx 'checked 41, eaten 0, cleared 14' <<<"$out" || fail "no result line"
grep -q 'check only: 41 of 41 messages are still on the server' <<<"$out" || fail "messages were deleted"
grep -q '@ Messages processed  : 41' <<<"$out" || fail "no results block"
echo PASS
