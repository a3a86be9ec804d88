#!/usr/bin/env bash
# Runs every tvq418ctl and tvq418-sim command of the user guides' and the README's shell
# examples, as written, against a simulated chain, so a renamed option or command, or an example
# the default simulator refuses, fails here. The example endpoints and serial ports become the
# test's simulator, the chain service's sockets and journal a tvq418d of its own over it (those
# commands are left out of a build without tvq418d).
# Usage: commands_test.sh SOURCE_DIR BIN_DIR SCRATCH_DIR [HAS_TVQ418D]
set -uo pipefail
root=$1 bin=$(cd "$2" && pwd) scratch=$3 has_daemon=${4:-0}
export PATH="$bin:$PATH"
rm -rf "$scratch"
mkdir -p "$scratch"

tvq418-sim --tcp 127.0.0.1:0 --addresses 1,2,3,4 < /dev/null > "$scratch/sim.out" &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null' EXIT
for _ in $(seq 50); do grep -q '^tcp ' "$scratch/sim.out" && break; sleep 0.1; done
endpoint=$(sed -n 's/^tcp //p' "$scratch/sim.out")
[ -n "$endpoint" ] || { echo "the simulator did not start"; exit 1; }
service=$scratch/chain.sock
if [ "$has_daemon" = 1 ]; then
  tvq418d --tcp "$endpoint" --addresses 1,2,3,4 --socket "$service" --journal "$scratch/journal" \
    --plans "$scratch/service-plans.ini" > "$scratch/tvq418d.out" 2>&1 &
  daemon=$!
  trap 'kill $sim $daemon 2>/dev/null; wait $sim $daemon 2>/dev/null' EXIT
  for _ in $(seq 50); do [ -S "$service" ] && break; sleep 0.1; done
  [ -S "$service" ] || { echo "tvq418d did not start: $(cat "$scratch/tvq418d.out")"; exit 1; }
fi

# The commands of a guide's ```sh blocks, continuation lines joined, comments dropped.
commands() {
  awk '/^```sh/ {on=1; next} /^```/ {on=0} on' "$1" |
    sed -e 's/[[:space:]]#.*$//' |
    awk '{ if (sub(/\\$/, "")) { line = line $0 } else { print line $0; line = "" } }' |
    grep -E '^(tvq418ctl|tvq418-sim)( |$)'
}

status=0 count=0
guides=("$root/docs/guide.md" "$root/docs/guide_zh.md" "$root/README.md")
for guide in "${guides[@]}"; do
  [ -f "$guide" ] || { echo "missing $guide"; status=1; }
done
# Both guides show mostly the same commands: each distinct one runs once, in the order shown
# (plans add before plans list), in one folder that holds the plan file.
work="$scratch/work"
mkdir -p "$work"
while IFS=$'\t' read -r guide shown; do
  count=$((count + 1))
  command=${shown//127.0.0.1:40313/$endpoint}
  command=${command//127.0.0.1:5555/$endpoint}
  command=$(sed -E "s#--serial /dev/(ttyUSB0|pts/7)#--tcp $endpoint#" <<< "$command")
  command=$(sed -E -e "s#(/run/tvq418|/tmp)/hall\.sock#$service#" \
    -e "s#/var/lib/tvq418/hall/journal#$scratch/journal#" <<< "$command")
  if [ "$has_daemon" != 1 ] && [[ $command == *--service* || $command == *" journal "* ]]; then
    echo "no tvq418d in this build: not run: $shown"
    continue
  fi
  # Servers and the plan runner run until stopped, and the README's whole-chain scan and
  # whole-wall program take tens of seconds: still running after 2 s is a pass.
  case "$guide:$command" in
    *:tvq418-sim*\&) continue ;;  # a second simulator in the background: this test has its own
    *:tvq418-sim*|*run-plans*|*" watch"*|README.md:*scan*|README.md:*wall\ program*) long=1 ;;
    *) long=0 ;;
  esac
  (cd "$work" && timeout 40 bash -c "$( [ $long = 1 ] && echo 'timeout 2 ' )$command" \
    < /dev/null > "$work/out" 2>&1)
  result=$?
  if [ $result = 0 ] || { [ $long = 1 ] && [ $result = 124 ]; }; then continue; fi
  echo "$guide: \`$shown\` exited with $result:"
  sed 's/^/    /' "$work/out"
  status=1
done < <(for guide in "${guides[@]}"; do
           [ -f "$guide" ] && commands "$guide" | sed "s|^|$(basename "$guide")\t|"
         done | awk -F'\t' '!seen[$2]++')
[ $count -gt 0 ] || { echo "no commands found in the guides"; status=1; }
echo "$count commands checked"
exit $status
