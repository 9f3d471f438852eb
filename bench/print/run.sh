#!/bin/sh
# Printing from the command line: `labels` and `sheet` of every row to PDF at 100,000 and
# 1,000,000 rows, with each run's wall time, CPU time and peak memory. Given a second
# dirquill-cli (an older build), runs it on the same tables too and prints the ratios.
#   bench/print/run.sh [BUILD_DIR] [BASELINE_CLI]      (default: build, no baseline)
#   SIZES="100000" bench/print/run.sh                  (other table sizes)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
baseline=${2:-}
sizes=${SIZES:-100000 1000000}
grid=$(find "$build" -name bench_grid -type f -perm -u+x | head -n 1)
cli=$(find "$build" -name dirquill-cli -type f -perm -u+x | head -n 1)
[ -n "$grid" ] && [ -n "$cli" ] || { echo "build bench_grid and dirquill-cli first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Prints "wall cpu peak" (seconds, seconds, MB) of one run.
run() {
    /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    awk '{ printf "%.2f %.2f %.0f\n", $1, $2 + $3, $4 / 1024 }' "$work/time"
}

for rows in $sizes; do
    echo "== $rows rows x 13 columns"
    "$grid" make "$rows" "$work/$rows" >/dev/null
    for command in labels sheet; do
        now=$(run "$cli" "$command" "$work/$rows/listings.tsy" --pdf "$work/out.pdf")
        echo "$now" | awk -v c="$command" '{ printf "%-8s now      wall %7.2f s   cpu %7.2f s   peak %6d MB\n", c, $1, $2, $3 }'
        [ -n "$baseline" ] || continue
        then=$(run "$baseline" "$command" "$work/$rows/listings.tsy" --pdf "$work/out.pdf")
        echo "$then" | awk -v c="$command" '{ printf "%-8s baseline wall %7.2f s   cpu %7.2f s   peak %6d MB\n", c, $1, $2, $3 }'
        echo "$now $then" | awk -v c="$command" '{ printf "%-8s now / baseline: wall %.2f, cpu %.2f, peak %.2f\n", c, $1 / $4, $2 / $5, $3 / $6 }'
    done
    rm -f "$work/out.pdf"
done
