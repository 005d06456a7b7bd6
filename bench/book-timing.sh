#!/bin/sh
# Whole-process timing of the result book: generates a meet of 20,000 athletes (400 clubs of 50, seed 50, as the
# window benchmark's "20k-athletes") with orvgen and writes its book as HTML and as PDF, with and without split times
# and as the club book of all clubs, five runs each; prints the median wall-clock seconds and the median CPU seconds
# (user + system) of every case. Run it on an idle machine; the settings file beside the program is only read.
#
#     bench/book-timing.sh [BUILD-DIR]     (default build-release)
set -eu
build=${1:-build-release}
folder=${TMPDIR:-/tmp}/veltro-book-bench
mkdir -p "$folder"
meet=$folder/meet-20k.ovf
[ -f "$meet" ] || "$build/tools/orvgen" --clubs 400 --athletes 50 --seed 50 -o "$meet"

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

run_case() {
    label=$1
    shift
    : > "$folder/times"
    for _ in 1 2 3 4 5; do
        /usr/bin/time -f "%e %U %S" -a -o "$folder/times" "$build/src/veltro" --book "$meet" --language us "$@" \
            > /dev/null 2>&1
    done
    wall=$(awk '{ print $1 }' "$folder/times" | median)
    cpu=$(awk '{ print $2 + $3 }' "$folder/times" | median)
    echo "$label: median $wall s wall, $cpu s CPU"
}

run_case "HTML" --html "$folder/book.htm"
run_case "PDF" --pdf "$folder/book.pdf"
run_case "HTML, splits" --splits --html "$folder/book-splits.htm"
run_case "PDF, splits" --splits --pdf "$folder/book-splits.pdf"
run_case "HTML, all clubs" --all-clubs --html "$folder/clubs.htm"
run_case "PDF, all clubs" --all-clubs --pdf "$folder/clubs.pdf"
