#!/usr/bin/env bash
# tvq418ctl's bash completion as installed: what it offers after typical partial command lines.
set -uo pipefail
source "$(dirname "$0")/unpack.sh"
common=/usr/share/bash-completion/bash_completion
if [ ! -f "$common" ]; then
  echo "SKIP: bash-completion is not installed (scripts/setup installs it)"
  exit 77
fi
source "$common"
source "$root/usr/share/bash-completion/completions/tvq418ctl"

# Each case: the words typed so far (the last one being completed) | what must be offered,
# exactly, in any order.
cases=(
  "tvq418ctl --tcp 1.2.3.4:5 so|source"
  "tvq418ctl --tcp 1.2.3.4:5 s|scan send set settings source status"
  "tvq418ctl --serial /dev/ttyUSB0 --address 3 source H|HDMI"
  "tvq418ctl source HDMI |"
  "tvq418ctl --tcp localhost:1 plans |add delete list today"
  "tvq418ctl plans add --kind w|week"
  "tvq418ctl wall |calc program"
  "tvq418ctl --timeout |"
  "tvq418ctl --ver|--version"
  "tvq418ctl scan --f|--from"
  "tvq418ctl set sh|sharpness"
  "tvq418ctl --service /run/tvq418/hall.sock w|wall watch"
  "tvq418ctl --service /s watch --events state,l|state,link"
)
failed=0
for case in "${cases[@]}"; do
  line=${case%%|*}
  want=${case#*|}
  read -r -a COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE=$line
  COMP_POINT=${#line}
  COMPREPLY=()
  _tvq418ctl tvq418ctl "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort | tr '\n' ' ')
  expected=$(printf '%s\n' $want | sed '/^$/d' | sort | tr '\n' ' ')
  if [ "$got" != "$expected" ]; then
    echo "FAIL: '$line' offers '$got', expected '$expected'"
    failed=1
  fi
done
[ $failed -eq 0 ] && echo "completion offers what it should"
exit $failed
