#!/usr/bin/env bash
# Rebuilds samples/sample-meet.ovz, the bundled sample meet: two competitions, the first with results and the
# entries they came from, the second with entries only. The generator gives the same bytes for the same options,
# and the zip entry gets a fixed time stamp, so the same generator rebuilds the same archive.
# Usage: tools/make-sample.sh path/to/orvgen
set -euo pipefail

if [ $# -ne 1 ] || [ ! -f "$1" ] || [ ! -x "$1" ]; then
    echo "usage: $0 path/to/orvgen" >&2
    exit 2
fi
orvgen="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
root="$(cd "$(dirname "$0")/.." && pwd)"
command -v zip >/dev/null || { echo "$0: zip is not installed" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

"$orvgen" --seed 2024 --competitions 2 --sessions 4 --events 8 --clubs 12 --athletes 15 --relays 2 \
    --with-entries --result-competitions 1 -o "$work/sample-meet.ovf"
# Zip stores local time: pin both the zone and the stamp.
export TZ=UTC
touch -d '2024-06-01 12:00:00' "$work/sample-meet.ovf"
(cd "$work" && zip -q -9 -j -X sample-meet.ovz sample-meet.ovf)

mkdir -p "$root/samples"
mv "$work/sample-meet.ovz" "$root/samples/sample-meet.ovz"
echo "$root/samples/sample-meet.ovz"
