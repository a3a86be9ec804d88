#!/usr/bin/env bash
# Usage: screenshots_test.sh SOURCE_DIR BIN_DIR SCRATCH_DIR
set -uo pipefail
root=$1 bin=$2 scratch=$3
if ! command -v xvfb-run >/dev/null; then
  echo "SKIP: xvfb-run is missing (Debian package xvfb), so no window can be opened"
  exit 77
fi
[ -x "$bin/tvq418-sim" ] || { echo "SKIP: tvq418-sim is not built in $bin"; exit 77; }
rm -rf "$scratch"
mkdir -p "$scratch"
"$root/scripts/screenshots" --check "$scratch" --bin "$bin" || exit 1

# A picture the guide names but the script no longer makes would show as a broken image.
status=0
for guide in "$root/docs/guide.md" "$root/docs/guide_zh.md"; do
  [ -f "$guide" ] || { echo "missing $guide"; status=1; continue; }
  for picture in $(grep -o 'guide/[A-Za-z0-9_]*\.png' "$guide" | sort -u); do
    if [ ! -s "$scratch/${picture#guide/}" ]; then
      echo "$(basename "$guide") shows $picture, which scripts/screenshots does not make"
      status=1
    fi
  done
done
exit $status
