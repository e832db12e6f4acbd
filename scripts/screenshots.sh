#!/usr/bin/env bash
# Pictures of the windows under Xvfb, for the README and for review: the main window idle
# with no mailbox, during a check of the demo mailbox and after it, About, the help window,
# the tray menu, the end-of-run windows, the filter update and its proxy dialog, the message
# list in its four view styles, the header window, the rule wizard's pages, the rule editor,
# the rules report, the account editor, the profile wizard's pages, the e-mail client
# settings, the setup wizard's pages, the log options and the configuration dump, saved as
# docs/screenshots/NAME.png (or in the folder given).
#
#   bash scripts/screenshots.sh [OUTDIR]
#
# Needs the build with its windows, Dovecot and xvfb-run (scripts/install-deps.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MAILMOAT_BUILD_DIR:-$root/build}
shots=$build/tools/mailmoat_screenshots
setup=$build/tools/mailmoat_demo_setup
dovecot=/usr/sbin/dovecot
out=${1:-$root/docs/screenshots}

die() {
  echo "screenshots: $*" >&2
  exit 1
}

[ -x "$dovecot" ] || die "Dovecot is not installed; run: bash scripts/install-deps.sh"
command -v xvfb-run >/dev/null || die "xvfb-run is not installed; run: bash scripts/install-deps.sh"
if [ ! -x "$shots" ] || [ ! -x "$setup" ]; then
  echo "screenshots: building into $build"
  bash "$root/scripts/build.sh" -DMAILMOAT_BUILD_TESTS=OFF >/dev/null
fi
[ -x "$shots" ] || die "the build has no windows (MAILMOAT_BUILD_GUI is off)"

# shellcheck source=lib/demo-server.sh
source "$root/scripts/lib/demo-server.sh"
demo_server_start
homes=$(mktemp -d /tmp/mailmoat-shots.XXXXXX)
trap 'stop_server; rm -rf "$homes"' EXIT
"$setup" "$homes/demo" "$port" pat demo-password >/dev/null
mkdir -p "$homes/empty" "$out"
out=$(cd "$out" && pwd)

# A fixed screen and font size, so that the pictures look the same on every machine.
xvfb-run -a -s "-screen 0 1024x768x24" \
  env MAILMOAT_HELP_DIR="$root/share/mailmoat/help" QT_QPA_PLATFORM=xcb \
  "$shots" "$out" "$homes/empty" "$homes/demo"
