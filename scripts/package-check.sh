#!/usr/bin/env bash
# Builds the Debian package from the normal build, checks it (lintian, the desktop entry, the
# AppStream metadata), installs it with apt and uses it as a normal user would: kvsys-print on a
# sample meet from the PATH with a fresh home, a second user with a folder of their own, two users
# sharing one folder through KVSYS_PROGRAM_FOLDER, and kvsys under Xvfb up to the meet selection.
# The package is removed again when this script installed it.
#   scripts/package-check.sh        (after ./test.sh, from the repository)
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
./scripts/install-deps.sh dpkg-dev lintian desktop-file-utils appstream xvfb xdotool x11-apps \
  netpbm man-db

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

cmake --preset default >/dev/null
cmake --build --preset default
rm -f build/kvsys_*.deb
(cd build && cpack -G DEB >/dev/null)
deb=$(ls build/kvsys_*_amd64.deb)
echo "Package: $deb"

fail() { echo "package-check: $*" >&2; exit 1; }

# Errors fail; warnings are printed (the ones kept are named in the README).
echo "--- lintian"
lintian --fail-on error --info "$deb" || fail "lintian found errors"

work=$(mktemp -d -t kvsys-package.XXXXXX)
chmod 755 "$work"
installed_here=0
users=()
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  for u in "${users[@]}"; do $sudo userdel -r "$u" >/dev/null 2>&1 || true; done
  [ -n "$($sudo getent group kvsyscheck || true)" ] && $sudo groupdel kvsyscheck || true
  [ "$installed_here" = 1 ] && $sudo apt-get remove -y kvsys >/dev/null || true
  $sudo rm -rf "$work"
}
trap cleanup EXIT

echo "--- desktop entry and metadata"
dpkg-deb -x "$deb" "$work/tree"
desktop-file-validate "$work/tree/usr/share/applications/jp.kvsys.kvsys.desktop"
grep -qx 'Name\[ja\]=賞状印刷（競泳）' "$work/tree/usr/share/applications/jp.kvsys.kvsys.desktop" ||
  fail "the desktop entry has no Japanese name"
appstreamcli validate --no-net "$work/tree/usr/share/metainfo/jp.kvsys.kvsys.metainfo.xml"
for f in usr/bin/kvsys usr/bin/kvsys-print usr/bin/kvsys-mkdb usr/bin/kvsys-samplemeet \
  usr/bin/kvsys-dbdump usr/libexec/kvsys/kvsys-jetread usr/share/icons/hicolor/scalable/apps/kvsys.svg \
  usr/share/icons/hicolor/48x48/apps/kvsys.png usr/share/man/man1/kvsys-print.1.gz \
  usr/share/man/ja/man1/kvsys-print.1.gz; do
  [ -e "$work/tree/$f" ] || fail "the package lacks /$f"
done

echo "--- install"
dpkg-query -W -f='${Status}' kvsys 2>/dev/null | grep -q 'install ok installed' || installed_here=1
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y "$root/$deb" >/dev/null

# Normal users with fresh homes; without root, the caller with fresh homes stands in for them.
as_user() {  # as_user N COMMAND... (N = a or b)
  local home="$work/home-$1"
  shift
  local env_vars=(HOME="$home" XDG_RUNTIME_DIR="$home/.run" PATH=/usr/local/bin:/usr/bin:/bin
                  LANG=C.UTF-8 TZ=Asia/Tokyo
                  ${KVSYS_PROGRAM_FOLDER:+KVSYS_PROGRAM_FOLDER="$KVSYS_PROGRAM_FOLDER"}
                  ${DISPLAY:+DISPLAY="$DISPLAY"})
  if [ "$(id -u)" -eq 0 ]; then
    (cd "$home" && runuser -u "kvsyscheck-${home##*-}" -- env -i "${env_vars[@]}" sh -c 'umask 002; exec "$@"' sh "$@")
  else
    (cd "$home" && env -i "${env_vars[@]}" "$@")
  fi
}
for u in a b; do
  if [ "$(id -u)" -eq 0 ]; then
    getent group kvsyscheck >/dev/null || groupadd kvsyscheck
    useradd --home-dir "$work/home-$u" --create-home --gid kvsyscheck --shell /bin/sh "kvsyscheck-$u"
    users+=("kvsyscheck-$u")
  else
    mkdir -p "$work/home-$u"
  fi
  as_user $u mkdir -m 700 .run
done

echo "--- kvsys-print from the PATH as a normal user"
as_user a kvsys-print --version | grep -qx "kvsys-print [0-9.]*" || fail "kvsys-print --version"
as_user a kvsys --version | grep -qx "kvsys [0-9.]*" || fail "kvsys --version"
as_user a sh -c 'command -v kvsys-print' | grep -qx /usr/bin/kvsys-print || fail "kvsys-print is not /usr/bin's"
for u in a b; do
  as_user $u kvsys-samplemeet --preset demo meets >/dev/null
  as_user $u kvsys-print --meet meets/Swim01.mdb --all --pdf-file certificates.pdf
  [ -s "$work/home-$u/certificates.pdf" ] || fail "user $u: no PDF"
  # Each user's own program folder, with the example layouts.
  [ -s "$work/home-$u/.local/share/kvsys/KVSYS.mdb" ] || fail "user $u: no program folder of their own"
  layouts=$(as_user $u kvsys-dbdump .local/share/kvsys/KVSYS.mdb 保存名)
  [[ "$layouts" == *標準* && "$layouts" == *縦書き* ]] || fail "user $u: the example layouts are missing"
done
# The Jet reader is found where the package put it (programs outside the build tree never use
# the build's).
cp tests/fixtures/jet/jet3-cp932.mdb "$work/home-a/jet.mdb"
chmod 644 "$work/home-a/jet.mdb"
as_user a kvsys-dbdump jet.mdb >/dev/null || fail "the installed Jet reader was not found"

echo "--- two users, one folder (KVSYS_PROGRAM_FOLDER)"
shared="$work/shared/kvsys"
$sudo mkdir -p "$work/shared"
if [ "$(id -u)" -eq 0 ]; then chgrp kvsyscheck "$work/shared"; chmod 2775 "$work/shared"; fi
before_b=$(as_user b kvsys-print --meet meets/Swim01.mdb --log | wc -l)
KVSYS_PROGRAM_FOLDER="$shared" as_user a kvsys-print --meet meets/Swim01.mdb --events 1 --pdf-file shared.pdf
[ -s "$shared/KVSYS.mdb" ] || fail "KVSYS_PROGRAM_FOLDER: no KVSYS.mdb in the shared folder"
# What one user printed there, the other sees in the shared print log; B's own log is unchanged.
shared_log=$(KVSYS_PROGRAM_FOLDER="$shared" as_user b kvsys-print --meet meets/Swim01.mdb --log)
[ "$(grep -c . <<<"$shared_log")" -ge 2 ] ||
  fail "KVSYS_PROGRAM_FOLDER: the second user does not see the first user's print log"
after_b=$(as_user b kvsys-print --meet meets/Swim01.mdb --log | wc -l)
[ "$before_b" = "$after_b" ] || fail "KVSYS_PROGRAM_FOLDER: the shared run was written into B's own folder"

echo "--- kvsys under Xvfb up to the meet selection"
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
sleep 2
export DISPLAY=$display
# User b's folder has no meets folder yet: the first start asks for it.
as_user b kvsys >"$work/kvsys.log" 2>&1 &
kvsys_pid=$!
wait_window() {  # wait_window NAME: the id of a visible window of that name, within 30 s
  for _ in $(seq 60); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1) && [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.5
  done
  return 1
}
box=$(wait_window '^大会選択$') || fail "no first-start question"
# No window manager: the keys go to the window given the focus.
xdotool windowfocus --sync "$box" key Return
chooser=$(wait_window 'Databaseフォルダ') || fail "no folder chooser"
xdotool windowfocus --sync "$chooser"
sleep 0.5
xdotool type --delay 20 "$work/home-b/meets"
xdotool key Return
selection=$(wait_window 'Ver.2.21（競泳Ver5.0対応版）$') || fail "the meet selection window did not open"
echo "meet selection window: $(xdotool getwindowname "$selection")"
grep -q "DB_Path=$work/home-b/meets/" "$work/home-b/.local/share/kvsys/KVSYS.ini" ||
  fail "the chosen meets folder was not kept"
# The program's own icon on its windows, not the toolkit's default.
icon=$(xprop -id "$selection" _NET_WM_ICON)
[[ "$icon" == *"Icon ("* ]] || fail "the window has no icon"
[ -n "${KVSYS_SCREENSHOT:-}" ] && xwd -root | xwdtopnm 2>/dev/null | pnmtopng >"$KVSYS_SCREENSHOT"
# 終了(F10) ends the program.
xdotool windowfocus --sync "$selection" key F10
for _ in $(seq 20); do kill -0 "$kvsys_pid" 2>/dev/null || break; sleep 0.5; done
kill -0 "$kvsys_pid" 2>/dev/null && fail "kvsys did not end on 終了(F10)"
wait "$kvsys_pid" || fail "kvsys ended with a failure: $(cat "$work/kvsys.log")"
echo "package-check: all passed"
