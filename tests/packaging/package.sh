#!/usr/bin/env bash
# The Debian package of a built tree, checked as a plant would receive it.
#
#   package.sh BUILD PROGRAM...    PROGRAM: the programs the build installs (etikord, ...)
#
# Packages BUILD with cpack into a temporary folder (as scripts/package does), then checks:
# lintian finds no error and no warning that is not overridden; the dependencies from
# dpkg-shlibdeps are there; the programs, units, man pages and policies are in their places;
# systemd accepts the units as installed; the programs are stripped and find their libraries.
set -euo pipefail
build="$1"
shift
programs=("$@")
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
has() { local p; for p in "${programs[@]}"; do [ "$p" = "$1" ] && return 0; done; return 1; }

# Outside CI a machine without the packaging tools skips; in CI it fails.
for tool in cpack dpkg-deb dpkg-shlibdeps lintian systemd-analyze readelf desktop-file-validate; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    [ "${CI:-}" = "true" ] && fail "$tool is missing (scripts/setup installs it)"
    echo "SKIP: $tool is not installed (scripts/setup installs it)"
    exit 77
  fi
done
has etikord || fail "the build installs no etikord"

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  fail "cpack failed: $(cat "$work/cpack.log")"
debs=("$work"/out/etikor_*.deb)
deb="${debs[0]}"
[ -f "$deb" ] || fail "cpack made no etikor_*.deb: $(cat "$work/cpack.log")"

# --- lintian: overridden tags are not shown, everything else of error or warning fails.
lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
  fail "lintian: $(cat "$work/lintian.log")"
if grep -E '^[EW]: ' "$work/lintian.log"; then fail "lintian reports the tags above"; fi

# --- control data: the libraries' packages come from dpkg-shlibdeps.
info="$(dpkg-deb -I "$deb")"
depends="$(dpkg-deb -f "$deb" Depends)"
for dep in libqt6core6 libcups2 libc6; do
  grep -Eq "(^|, )$dep( |,|$)" <<<"$depends" || fail "Depends lacks $dep: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = etikor ] || fail "package name: $(dpkg-deb -f "$deb" Package)"
for script in postinst prerm postrm md5sums; do
  grep -Eq "^ +[0-9]+ bytes, +[0-9]+ lines +[*]? *$script" <<<"$info" ||
    fail "control member $script missing: $info"
done

# --- contents
dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$work/contents"
expect=(/usr/lib/systemd/system/etikord@.service /usr/share/man/man8/etikord.8.gz
        /usr/lib/sysusers.d/etikor.conf /usr/share/mime/packages/etikor-dcnf.xml
        /usr/share/doc/etikor/copyright /usr/share/doc/etikor/changelog.gz)
for program in "${programs[@]}"; do expect+=("/usr/bin/$program"); done
has etikor && expect+=(/usr/share/man/man1/etikor.1.gz /usr/share/applications/etikor.desktop
                       /usr/share/icons/hicolor/48x48/apps/etikor.png
                       /usr/share/icons/hicolor/scalable/apps/etikor.svg)
has etikor-manager && expect+=(/usr/share/man/man1/etikor-manager.1.gz
                               /usr/lib/systemd/system/etikor-manager.service
                               /usr/share/dbus-1/system.d/projDienstwart.clsServerConnect.conf)
for path in "${expect[@]}"; do
  grep -qxF "$path" "$work/contents" || fail "$path is not in the package"
done
# Nothing of the build or the test peers slips in.
if grep -E '\.(a|h|js|cmake)$|/node_modules/|/bench_' "$work/contents"; then
  fail "the package holds files that are not installed programs' (above)"
fi

# --- the installed tree
root="$work/root"
dpkg-deb -x "$deb" "$root"
for program in "${programs[@]}"; do
  bin="$root/usr/bin/$program"
  [ -x "$bin" ] || fail "$program is not executable"
  readelf -S "$bin" | grep -Eq '\.(symtab|debug_info)' && fail "$program is not stripped"
  missing="$(ldd "$bin" | grep 'not found' || true)"
  [ -z "$missing" ] || fail "$program lacks libraries: $missing"
done

# systemd reads the units from the unpacked root: their ExecStart= programs must be there and
# every setting must be one systemd knows. The units they order themselves after (dbus,
# cups, the targets) come from this machine's systemd, without replacing the package's.
unitdir="$root/usr/lib/systemd/system"
cp -rn /usr/lib/systemd/system/. "$unitdir/"
units=("$unitdir/etikord@Line1.service")
cp "$unitdir/etikord@.service" "${units[0]}"
has etikor-manager && units+=("$unitdir/etikor-manager.service")
if ! systemd-analyze verify --root="$root" --man=no --generators=no "${units[@]}" \
  >"$work/verify.log" 2>&1; then
  fail "systemd-analyze verify: $(cat "$work/verify.log")"
fi
# verify fails on broken settings, but only mentions some findings; none is wanted.
if grep -Ev '^$' "$work/verify.log"; then fail "systemd-analyze verify reports the above"; fi

if has etikor-manager; then
  # A wrong command line is the manager's exit status 1, with the usage on its output.
  rc=0
  "$root/usr/bin/etikor-manager" --no-such-option >"$work/manager.log" 2>&1 || rc=$?
  [ "$rc" -eq 1 ] || fail "etikor-manager with a wrong option ended with $rc: $(cat "$work/manager.log")"
  grep -q serve "$work/manager.log" || fail "etikor-manager shows no usage: $(cat "$work/manager.log")"
fi
if has etikor; then
  desktop-file-validate "$root/usr/share/applications/etikor.desktop" ||
    fail "the desktop entry is not valid"
fi
echo "ok: $(basename "$deb")"
