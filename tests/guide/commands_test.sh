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

# Starts a simulator of four processors; prints its endpoint.
start_sim() {  # $1: a name for its files
  tvq418-sim --tcp 127.0.0.1:0 --addresses 1,2,3,4 < /dev/null > "$scratch/$1.out" &
  echo $! > "$scratch/$1.pid"
  for _ in $(seq 50); do grep -q '^tcp ' "$scratch/$1.out" && break; sleep 0.1; done
  sed -n 's/^tcp //p' "$scratch/$1.out"
}
endpoint=$(start_sim sim)
# A wall program takes seconds a cell and leaves the processors in mosaic: it runs alongside the
# rest on a simulator of its own.
wall_endpoint=$(start_sim wall-sim)
sims="$(cat "$scratch/sim.pid") $(cat "$scratch/wall-sim.pid")"
trap 'kill $sims 2>/dev/null; wait $sims 2>/dev/null' EXIT
if [ -z "$endpoint" ] || [ -z "$wall_endpoint" ]; then echo "the simulators did not start"; exit 1; fi
service=$scratch/chain.sock
if [ "$has_daemon" = 1 ]; then
  tvq418d --tcp "$endpoint" --addresses 1,2,3,4 --socket "$service" --journal "$scratch/journal" \
    --plans "$scratch/service-plans.ini" > "$scratch/tvq418d.out" 2>&1 &
  daemon=$!
  trap 'kill $sims $daemon 2>/dev/null; wait $sims $daemon 2>/dev/null' EXIT
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

status=0 count=0 pending=()
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
  # The slow ones that change nothing the others depend on (read-backs, the guide's wall on its
  # own simulator) run in the background; their results are looked at in the end.
  case "$long:$command" in
    0:*"wall program"*) command=${command//$endpoint/$wall_endpoint} background=1 ;;
    0:*" settings"*) background=1 ;;
    *) background=0 ;;
  esac
  run() {  # leaves 0 for a pass, else the exit code
    (cd "$work" && timeout 40 bash -c "$( [ $long = 1 ] && echo 'timeout 2 ' )$command" \
      < /dev/null > "$work/out.$count" 2>&1)
    local result=$?
    [ $long = 1 ] && [ $result = 124 ] && result=0
    echo $result > "$work/result.$count"
  }
  printf '%s\t%s\n' "$guide" "$shown" > "$work/shown.$count"
  if [ $background = 1 ]; then run & pending+=("$!"); else run; fi
done < <(for guide in "${guides[@]}"; do
           [ -f "$guide" ] && commands "$guide" | sed "s|^|$(basename "$guide")\t|"
         done | awk -F'\t' '!seen[$2]++')
[ ${#pending[@]} = 0 ] || wait "${pending[@]}"
for ((n = 1; n <= count; n++)); do
  if [ ! -f "$work/result.$n" ] || [ "$(cat "$work/result.$n")" = 0 ]; then continue; fi
  IFS=$'\t' read -r guide shown < "$work/shown.$n"
  echo "$guide: \`$shown\` exited with $(cat "$work/result.$n"):"
  sed 's/^/    /' "$work/out.$n"
  status=1
done
[ $count -gt 0 ] || { echo "no commands found in the guides"; status=1; }
echo "$count commands checked"
exit $status
