#!/usr/bin/env bash
# The chain service as the package installs it: systemd accepts its unit, the unit's command line
# with the example settings starts the packaged tvq418d, and the postinst moves a site's
# tvq418-plans settings over (or leaves them and says what to do).
set -uo pipefail
source "$(dirname "$0")/unpack.sh"
unit=$root/usr/lib/systemd/system/tvq418d@.service
scratch=$(mktemp -d)
trap 'rm -rf "$root" "$scratch"' EXIT

# systemd-analyze verify reports problems but exits 0 for most: any output fails. It checks that
# the program exists, so it reads a copy naming the unpacked one.
if command -v systemd-analyze >/dev/null; then
  [ -x "$root/usr/bin/tvq418d" ] || install -D /bin/true "$root/usr/bin/tvq418d"
  sed "s#/usr/bin/tvq418d#$root/usr/bin/tvq418d#" "$unit" >"$scratch/tvq418d@hall.service"
  out=$(systemd-analyze verify --man=no "$scratch/tvq418d@hall.service" 2>&1) ||
    fail "systemd-analyze verify: $out"
  [ -z "$out" ] || fail "systemd-analyze verify: $out"
else
  echo "systemd-analyze is not installed: the unit is not verified"
fi

# The unit's ExecStart with the example settings, expanded as systemd does ($X split into words,
# ${X} one word), its folders moved under the scratch folder: the packaged tvq418d takes the
# options and serves (the example's serial port is absent here: it keeps trying).
if [ "${4:-0}" = 1 ]; then
  (
    set -a
    TVQ418D_ADDRESSES=1
    source "$root/usr/share/doc/tvq418-control/examples/example.conf"
    set +a
    line=$(sed -n 's/^ExecStart=//p' "$unit" | sed -e "s#%i#hall#g" -e "s#/usr/bin/#$root/usr/bin/#" \
      -e "s#/run/tvq418#$scratch/run#g" -e "s#/var/lib/tvq418#$scratch/lib#g")
    mkdir -p "$scratch/run" "$scratch/lib/hall/journal"
    eval "set -- $(sed -e 's/\${\([A-Z0-9_]*\)}/"${\1}"/g' <<<"$line")"
    "$@" >"$scratch/tvq418d.out" 2>&1 &
    pid=$!
    for _ in $(seq 50); do [ -S "$scratch/run/hall.sock" ] && break; sleep 0.1; done
    [ -S "$scratch/run/hall.sock" ] || fail "the unit's command line made no socket: $* $(cat "$scratch/tvq418d.out")"
    kill -TERM $pid
    wait $pid || fail "tvq418d exits $? on SIGTERM: $(cat "$scratch/tvq418d.out")"
  ) || exit 1
fi

# The postinst on a scratch root (DPKG_ROOT), with the account tools stood in for.
dpkg-deb -e "$deb" "$scratch/control"
mkdir -p "$scratch/bin"
for tool in systemd-sysusers chown; do printf '#!/bin/sh\n' >"$scratch/bin/$tool"; done
chmod +x "$scratch/bin"/*
shipped='# Settings of tvq418-plans.service, which runs "tvq418ctl run-plans"; see tvq418ctl(1).
# After a change: systemctl restart tvq418-plans.service

# The link to the processors: --tcp HOST:PORT or --serial PATH
TVQ418_LINK="--serial /dev/ttyUSB0"

# Device address 1..255, or 0 for every processor of the chain at once
TVQ418_ADDRESS=1

# The plan file: the controller'"'"'s Planinfo.ini, or a copy of it
TVQ418_PLAN_FILE=/etc/tvq418-plans/Planinfo.ini

# More run-plans options, for example --kinds day,week
TVQ418_OPTIONS='
# Each case: the old settings | enabled (1/0) | the plans.conf wanted ("-": none) | what the
# postinst must say ("": nothing) | the old settings left in place (1/0).
cases=(
  "$shipped|0|-||0"
  "$shipped|1|TVQ418D_LINK=\"--serial /dev/ttyUSB0\" TVQ418D_ADDRESSES=1|tvq418d@plans.service is enabled|0"
  "TVQ418_LINK='--tcp=10.0.0.5:4001'
TVQ418_ADDRESS=03
TVQ418_PLAN_FILE=/srv/plans.ini
TVQ418_OPTIONS=|0|TVQ418D_LINK=\"--tcp 10.0.0.5:4001\" TVQ418D_ADDRESSES=3|copied to /var/lib/tvq418/plans/Planinfo.ini|0"
  "TVQ418_LINK=--serial /dev/ttyS0
TVQ418_ADDRESS=0
TVQ418_PLAN_FILE=/srv/plans.ini|1|-|TVQ418_ADDRESS=0 reaches every processor.*has been stopped|1"
  "TVQ418_LINK=--serial /dev/ttyS0
TVQ418_ADDRESS=2
TVQ418_PLAN_FILE=/srv/plans.ini
TVQ418_OPTIONS=--kinds day|0|-|TVQ418_OPTIONS=\"--kinds day\" has no counterpart|1"
)
for case in "${cases[@]}"; do
  IFS='|' read -r -d '' old enabled want says kept <<<"$case" || true
  kept=${kept%$'\n'}
  dpkg_root=$(mktemp -d "$scratch/root.XXXXXX")
  mkdir -p "$dpkg_root/etc/default" "$dpkg_root/srv" "$dpkg_root/etc/systemd/system/multi-user.target.wants"
  printf '%s\n' "$old" >"$dpkg_root/etc/default/tvq418-plans"
  echo "[DAYTIME]" >"$dpkg_root/srv/plans.ini"
  [ "$enabled" = 1 ] && ln -s /usr/lib/systemd/system/tvq418-plans.service \
    "$dpkg_root/etc/systemd/system/multi-user.target.wants/tvq418-plans.service"
  said=$(DPKG_ROOT=$dpkg_root PATH="$scratch/bin:$PATH" sh "$scratch/control/postinst" configure 2>&1) ||
    fail "postinst exits $? for: $old"
  label=$(head -n 1 <<<"$old")
  [ ! -e "$dpkg_root/etc/systemd/system/multi-user.target.wants/tvq418-plans.service" ] ||
    fail "[$label] tvq418-plans.service is still enabled"
  if [ "$want" = - ]; then
    [ ! -e "$dpkg_root/etc/tvq418/plans.conf" ] || fail "[$label] made $(cat "$dpkg_root/etc/tvq418/plans.conf")"
  else
    got=$(grep -v '^#' "$dpkg_root/etc/tvq418/plans.conf" | grep -v '^TVQ418D_OPTIONS=$' | tr '\n' ' ')
    [ "$got" = "$want " ] || fail "[$label] plans.conf holds '$got', expected '$want'"
    wants_link=$dpkg_root/etc/systemd/system/multi-user.target.wants/tvq418d@plans.service
    if [ "$enabled" = 1 ] && [ "$(readlink "$wants_link")" != /usr/lib/systemd/system/tvq418d@.service ]; then
      fail "[$label] tvq418d@plans.service is not enabled in the old unit's place"
    fi
    if [ "$enabled" = 0 ] && [ -e "$wants_link" ]; then fail "[$label] enabled a unit it was not asked to"; fi
    if [[ $old == */srv/plans.ini* ]]; then
      cmp -s "$dpkg_root/srv/plans.ini" "$dpkg_root/var/lib/tvq418/plans/Planinfo.ini" ||
        fail "[$label] the plan file was not copied to /var/lib/tvq418/plans/Planinfo.ini"
    fi
  fi
  if [ -z "$says" ]; then
    [ -z "$said" ] || fail "[$label] says '$said'"
  else
    grep -q "$says" <<<"$(tr '\n' ' ' <<<"$said")" || fail "[$label] says '$said', expected /$says/"
  fi
  [ -e "$dpkg_root/etc/default/tvq418-plans" ] && left=1 || left=0
  [ "$left" = "$kept" ] || fail "[$label] old settings left: $left, expected $kept"
done
echo "the chain service's unit and the move from tvq418-plans are as they should be"
