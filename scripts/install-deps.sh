#!/usr/bin/env bash
# Installs every Debian package that building, running and testing the program needs.
# Safe to run again: packages already present are left as they are.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build ccache pkg-config git clang-format
  # libraries
  qt6-base-dev qt6-multimedia-dev libqt6svg6 qt6-tools-dev-tools
  libpcre2-dev nettle-dev libssl-dev libc-ares-dev libsqlite3-dev zlib1g-dev libsecret-1-dev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  # real peers for the integration tests
  dovecot-core dovecot-pop3d rbldnsd python3-aiosmtpd lhasa jlha-utils
  dbus-daemon gnome-keyring libsecret-tools
  xvfb xauth x11-utils libx11-dev ca-certificates openssl iproute2 desktop-file-utils
  # the install layout and the Debian package, and the checkers run on them
  appstream lintian man-db systemd dpkg-dev file gzip
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
echo "install-deps: installing ${missing[*]}"
$SUDO apt-get update -q
# Dovecot and rbldnsd start system services on install; tests run their own copies, so keep
# the package scripts from starting daemons where policy-rc.d is honoured.
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
