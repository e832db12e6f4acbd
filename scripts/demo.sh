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

server=$(mktemp -d /tmp/mailmoat-demo-dovecot.XXXXXX)
chmod 755 "$server"
dovecot_pid=
stop_server() {
  if [ -n "$dovecot_pid" ] && kill -0 "$dovecot_pid" 2>/dev/null; then
    kill "$dovecot_pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$dovecot_pid" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -rf "$server"
}
trap stop_server EXIT

# A free loopback port below the range the system hands out for outgoing connections, so
# that no client socket of another program can take it between this choice and Dovecot's bind.
pick_port() {
  port=
  for _ in $(seq 50); do
    candidate=$((10000 + RANDOM % 22000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null; then
      port=$candidate
      return
    fi
  done
  die "no free port found"
}

# The mailbox: the corpus delivered as a mail delivery agent would (tmp, then new).
maildir=$server/home/pat/Maildir
mkdir -p "$maildir/new" "$maildir/cur" "$maildir/tmp"
n=0
for f in "$root"/demo/messages/*.eml; do
  n=$((n + 1))
  name="1733700000.M${n}P$$.demo"
  cp "$f" "$maildir/tmp/$name"
  mv "$maildir/tmp/$name" "$maildir/new/$name"
done

if [ "$(id -u)" -eq 0 ]; then
  # Started as root, Dovecot's login processes refuse root: they use its own accounts, and
  # the mailbox belongs to the mail account.
  getent passwd dovenull >/dev/null || die "the dovenull account is missing (reinstall dovecot-core)"
  mail_uid=$(id -u mail)
  mail_gid=$(id -g mail)
  users="default_login_user = dovenull
default_internal_user = dovecot"
  login_chroot=
  chown -R "$mail_uid:$mail_gid" "$server/home"
else
  mail_uid=$(id -u)
  mail_gid=$(id -g)
  users="default_login_user = $(id -un)
default_internal_user = $(id -un)
default_internal_group = $(id -gn)
service anvil {
  chroot =
}"
  login_chroot="  chroot ="
fi

echo "pat:{PLAIN}demo-password:$mail_uid:$mail_gid::$server/home/pat::" >"$server/passwd"
# A port can still be taken before Dovecot binds it: then it ends at once and another
# port is tried.
up=
for attempt in 1 2 3 4 5; do
pick_port
cat >"$server/dovecot.conf" <<EOF
base_dir = $server/run
state_dir = $server/state
log_path = $server/dovecot.log
listen = 127.0.0.1
protocols = pop3
ssl = no
disable_plaintext_auth = no
auth_mechanisms = plain
first_valid_uid = $mail_uid
first_valid_gid = $mail_gid
mail_location = maildir:~/Maildir
$users
passdb {
  driver = passwd-file
  args = $server/passwd
}
userdb {
  driver = passwd-file
  args = $server/passwd
}
service pop3-login {
$login_chroot
  inet_listener pop3 {
    port = $port
  }
}
EOF

"$dovecot" -F -c "$server/dovecot.conf" >"$server/dovecot.out" 2>&1 &
dovecot_pid=$!
up=
for _ in $(seq 100); do
  if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
    up=1
    break
  fi
  kill -0 "$dovecot_pid" 2>/dev/null || break
  sleep 0.1
done
[ -n "$up" ] && break
# Running but not listening: no other port would help.
kill -0 "$dovecot_pid" 2>/dev/null && break
grep -q 'Address already in use' "$server/dovecot.out" "$server/dovecot.log" 2>/dev/null || break
rm -f "$server/dovecot.log"
done
[ -n "$up" ] || die "Dovecot did not start: $(cat "$server/dovecot.out" "$server/dovecot.log" 2>/dev/null)"
echo "demo: Dovecot serves $n messages for user pat on 127.0.0.1:$port"

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
