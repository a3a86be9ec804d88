#!/usr/bin/env bash
# The package as a user gets it: each program starts from the unpacked root with the system's
# own libraries (no build tree, no display), and the files a desktop and a system need are there.
set -euo pipefail
version=$3
source "$(dirname "$0")/unpack.sh"
unset LD_LIBRARY_PATH DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

programs="tvq418-control tvq418ctl tvq418-sim"
[ "$4" = 1 ] && programs+=" tvq418d" # when this build has the chain service
for program in $programs; do
  bin=$root/usr/bin/$program
  [ -x "$bin" ] || fail "$program is not in the package"
  if ldd "$bin" | grep -q 'not found'; then fail "$program: $(ldd "$bin" | grep 'not found')"; fi
  out=$("$bin" --version) || fail "$program --version exits $?"
  [ "$out" = "$program $version" ] || fail "$program --version prints '$out'"
  out=$("$bin" --help) || fail "$program --help exits $?"
  grep -qi "^usage: $program" <<<"$out" || fail "$program --help prints no usage: $out"
  grep -q -- '--version' <<<"$out" || fail "$program --help does not mention --version"
  section=1
  [ $program = tvq418d ] && section=8
  page=$root/usr/share/man/man$section/$program.$section.gz
  zcat "$page" 2>/dev/null | grep -q '^\.TH' || fail "no manual page $program($section)"
done

# Run-time dependencies come from the linked libraries; nothing needed only for building.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6serialport6 libstdc++6; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
if grep -Eq -- '-dev\b|cmake|qt6-l10n-tools' <<<"$depends"; then fail "Depends names build tools: $depends"; fi

for file in usr/share/applications/org.tvq418.control.desktop \
  usr/share/metainfo/org.tvq418.control.metainfo.xml \
  usr/share/icons/hicolor/scalable/apps/tvq418-control.svg \
  usr/share/icons/hicolor/48x48/apps/tvq418-control.png \
  usr/share/icons/hicolor/256x256/apps/tvq418-control.png \
  usr/share/bash-completion/completions/tvq418ctl usr/share/bash-completion/completions/tvq418d \
  usr/lib/systemd/system/tvq418d@.service usr/lib/sysusers.d/tvq418.conf \
  usr/share/doc/tvq418-control/examples/example.conf \
  usr/share/doc/tvq418-control/copyright usr/share/doc/tvq418-control/changelog.gz; do
  [ -f "$root/$file" ] || fail "/$file is not in the package"
done
# The chain service took the plan service's place; the postinst moves its settings over.
for file in usr/lib/systemd/system/tvq418-plans.service etc/default/tvq418-plans; do
  [ ! -e "$root/$file" ] || fail "/$file is still in the package"
done
for script in postinst prerm postrm; do
  dpkg-deb -I "$deb" $script >/dev/null 2>&1 || fail "the package has no $script"
done
# A PNG of the wrong size is scaled blurry or ignored by the menus.
file "$root/usr/share/icons/hicolor/48x48/apps/tvq418-control.png" | grep -q '48 x 48' ||
  fail "the 48x48 icon is $(file -b "$root/usr/share/icons/hicolor/48x48/apps/tvq418-control.png")"

# The menu's launch: the desktop entry's Exec line, unquoted as a desktop would, starts the
# controller with its settings folder made under the XDG configuration folder.
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/org.tvq418.control.desktop")
script=${exec_line#sh -c }
[ "$script" != "$exec_line" ] || fail "unexpected Exec line: $exec_line"
script=${script#\"}
script=${script%\"}
script=$(sed -e 's/\\\\/\\/g' <<<"$script")                 # the desktop file's own escapes
script=$(sed -e 's/\\\([\\"$`]\)/\1/g' <<<"$script")         # the Exec line's quoting
check_launch() { # expected folder, then environment assignments
  local want=$1
  shift
  (cd /tmp && exec env -u XDG_CONFIG_HOME "$@" PATH="$root/usr/bin:$PATH" QT_QPA_PLATFORM=offscreen \
    sh -c "$script" >/dev/null 2>&1) &
  local pid=$! i
  for i in $(seq 100); do
    [ -d "$want" ] && break
    sleep 0.1
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  [ -d "$want" ] || fail "a menu launch with $* made no $want (script: $script)"
}
check_launch "$root/home/.config/tvq418-control" HOME="$root/home"
check_launch "$root/xdg/tvq418-control" HOME="$root/home" XDG_CONFIG_HOME="$root/xdg"
echo "package $deb installs and runs"
