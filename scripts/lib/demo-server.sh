# The demo's mail server, shared by demo.sh and screenshots.sh: a private Dovecot on a free
# loopback port serving the corpus of demo/messages to user "pat" (password "demo-password").
# Needs $root, $dovecot and a die function from the caller. demo_server_start sets $server,
# $port, $maildir and $n (the message count) and arms an EXIT trap that stops the server;
# stop_server stops it at once.

demo_server_start() {
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
}
