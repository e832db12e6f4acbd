#!/usr/bin/env bash
# The program as a user installs it: `cmake --install` into a temporary prefix lays out the
# program, its manual page, the user timer and (with the windows) the launcher, metadata and
# icons, each accepted by its own checker; then `cpack -G DEB` makes a package whose control
# fields, contents and extracted program are right, whose units systemd accepts where the
# package puts them, and on which lintian reports no error. Skipped (77) where a checker is
# not installed (scripts/install-deps.sh installs them all).
set -u
build=$1 gui=$2
for tool in cmake cpack dpkg-deb lintian man systemd-analyze file desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
top=$(mktemp -d)
trap 'rm -rf "$top"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
# Prints each checker's remarks; any at all fails, so that warnings are not left to pile up.
quiet() {
  local what=$1
  shift
  "$@" >"$top/check" 2>&1 || fail "$what: $(cat "$top/check")"
  [ ! -s "$top/check" ] || fail "$what: $(cat "$top/check")"
}

prefix=$top/prefix
cmake --install "$build" --prefix "$prefix" >"$top/install.log" 2>&1 || fail "cmake --install: $(cat "$top/install.log")"
version=$("$prefix/bin/mailmoat" --version) || fail "installed mailmoat --version"
[[ $version =~ ^Mailmoat\ Pro\ [0-9]+(\.[0-9]+)+$ ]] || fail "version line: $version"
expected=(bin/mailmoat share/man/man1/mailmoat.1.gz share/doc/mailmoat/copyright share/doc/mailmoat/changelog.gz
  lib/systemd/user/mailmoat-check.service lib/systemd/user/mailmoat-check.timer)
if [ "$gui" = 1 ]; then
  expected+=(share/mailmoat/help share/applications/mailmoat.desktop share/metainfo/org.example.mailmoat.metainfo.xml
    share/icons/hicolor/scalable/apps/mailmoat.svg)
  for size in 16 22 24 32 48 64 128 256; do
    png=$prefix/share/icons/hicolor/${size}x$size/apps/mailmoat.png
    file "$png" | grep -q "PNG image data, $size x $size," || fail "icon $size: $(file "$png")"
  done
  quiet desktop-file-validate desktop-file-validate "$prefix/share/applications/mailmoat.desktop"
  grep -qx 'StartupWMClass=mailmoat' "$prefix/share/applications/mailmoat.desktop" || fail "no StartupWMClass"
  appstreamcli validate --no-net "$prefix/share/metainfo/org.example.mailmoat.metainfo.xml" >"$top/check" 2>&1 ||
    fail "appstreamcli: $(cat "$top/check")"
fi
for path in "${expected[@]}"; do [ -e "$prefix/$path" ] || fail "not installed: $path"; done

# The manual page: no formatting warning, and every word of --help explained in it.
man=$prefix/share/man/man1/mailmoat.1.gz
LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$man" >"$top/man.txt" 2>"$top/check" || fail "man: $(cat "$top/check")"
[ ! -s "$top/check" ] || fail "man --warnings: $(cat "$top/check")"
help=$("$prefix/bin/mailmoat" --help) || fail "mailmoat --help"
for word in $(grep -oE -- '(^| )(-[a-z]|--[a-z]+|quick|eat|view|dump|none|basic|detailed|MAILMOAT_HOME)\b' <<<"$help" | sort -u); do
  grep -qF -- "$word" "$top/man.txt" || fail "the manual page does not explain $word"
done
for section in 'EXIT STATUS' ENVIRONMENT FILES mailmoat-check.timer XDG_CONFIG_HOME/mailmoat XDG_DATA_HOME/mailmoat; do
  grep -qF -- "$section" "$top/man.txt" || fail "the manual page has no $section"
done

# The package, made from the same build.
cpack -G DEB -B "$top/deb" --config "$build/CPackConfig.cmake" >"$top/cpack.log" 2>&1 || fail "cpack: $(cat "$top/cpack.log")"
debs=("$top"/deb/mailmoat_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single package: $(ls "$top/deb")"
deb=${debs[0]}
info=$(dpkg-deb -f "$deb") || fail "dpkg-deb -f"
grep -qx 'Package: mailmoat' <<<"$info" || fail "package name: $info"
grep -qx "Version: ${version#Mailmoat Pro }" <<<"$info" || fail "package version is not $version: $info"
grep -qx 'Section: mail' <<<"$info" || fail "section: $info"
grep -q '^Maintainer: .*<.*@.*>$' <<<"$info" || fail "maintainer: $info"
# The dependencies come from the libraries the program links.
depends=$(sed -n 's/^Depends: //p' <<<"$info")
for lib in libc6 libssl3 libnettle8 libc-ares2; do
  grep -q "\b$lib\b" <<<"$depends" || fail "no dependency on $lib: $depends"
done
if [ "$gui" = 1 ]; then grep -q 'libqt6widgets6' <<<"$depends" || fail "no dependency on Qt: $depends"; fi
dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$top/contents"
for path in "${expected[@]}"; do
  path=/usr/${path#/}
  grep -qx -- "$path/\?" "$top/contents" || fail "not in the package: $path"
done
grep -q "^/usr/local" "$top/contents" && fail "the package installs under /usr/local"

root=$top/root
dpkg -x "$deb" "$root" || fail "dpkg -x"
[ "$("$root/usr/bin/mailmoat" --version)" = "$version" ] || fail "the packaged program's version"
grep -qx 'ExecStart=/usr/bin/mailmoat --headless quick eat' "$root/usr/lib/systemd/user/mailmoat-check.service" ||
  fail "service: $(cat "$root/usr/lib/systemd/user/mailmoat-check.service")"
# The packaged program's window, on an X server of its own: its class names the launcher, and
# the process is called mailmoat.
if [ "$gui" = 1 ]; then
  command -v Xvfb >/dev/null && command -v xwininfo >/dev/null || fail "Xvfb and xwininfo are needed"
  Xvfb -displayfd 3 -nolisten tcp -screen 0 640x480x24 3>"$top/display" 2>/dev/null &
  xvfb=$!
  trap 'kill "$xvfb" 2>/dev/null; rm -rf "$top"' EXIT
  for _ in $(seq 100); do [ -s "$top/display" ] && break; sleep 0.1; done
  display=:$(head -1 "$top/display")
  [ "$display" != : ] || fail "Xvfb did not start"
  DISPLAY=$display QT_QPA_PLATFORM=xcb "$root/usr/bin/mailmoat" --home "$top/home" >"$top/window.log" 2>&1 &
  pid=$!
  for _ in $(seq 300); do
    xwininfo -display "$display" -root -tree 2>/dev/null | grep -q '("mailmoat" "mailmoat")' && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
  done
  classes=$(xwininfo -display "$display" -root -tree 2>&1)
  comm=$(cat /proc/$pid/comm 2>/dev/null)
  kill -TERM $pid 2>/dev/null
  for _ in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  kill -KILL $pid 2>/dev/null
  wait $pid 2>/dev/null
  grep -q '("mailmoat" "mailmoat")' <<<"$classes" || fail "no window of class mailmoat: $(cat "$top/window.log") $classes"
  [ "$comm" = mailmoat ] || fail "process name: $comm"
fi

# The units as the user manager loads them, their man: link included; the service's program
# (checked above to be /usr/bin/mailmoat) is the extracted one here. No running systemd is
# needed, only a runtime folder of our own.
mkdir -m 700 "$top/run" "$top/units"
cp "$root/usr/lib/systemd/user/mailmoat-check.timer" "$top/units/"
sed "s|^ExecStart=/usr/bin/mailmoat |ExecStart=$root/usr/bin/mailmoat |" \
  "$root/usr/lib/systemd/user/mailmoat-check.service" >"$top/units/mailmoat-check.service"
(cd "$top/units" &&
  quiet "systemd-analyze verify" env XDG_RUNTIME_DIR="$top/run" MANPATH="$root/usr/share/man" \
    systemd-analyze verify --user mailmoat-check.timer mailmoat-check.service) || exit 1

lintian --tag-display-limit 0 "$deb" >"$top/lintian" 2>&1
grep -v '^running with root privileges' "$top/lintian" | sed 's/^/lintian: /'
grep -q '^E: ' "$top/lintian" && fail "lintian reports errors"
echo PASS
