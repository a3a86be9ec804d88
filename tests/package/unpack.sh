# Sourced by the package tests: finds the package built from this build and unpacks it into
# $root, or skips the test saying why.
deb_dir=$1
built=$2
deb=$(ls "$deb_dir"/tvq418-control_*.deb 2>/dev/null | head -n 1 || true)
if [ -z "$deb" ]; then
  echo "SKIP: no package in $deb_dir; scripts/package builds one (scripts/test does)"
  exit 77
fi
if [ "$built" -nt "$deb" ]; then
  echo "SKIP: $deb is older than the programs built since; run scripts/package again"
  exit 77
fi
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

fail() {
  echo "FAIL: $*"
  exit 1
}
