#!/bin/sh
# The main window on big tables: each long command's wall time, the longest the event loop
# waited (10 ms heartbeat), and the peak memory, at 100,000 and 1,000,000 rows (one process
# per size, so the peak belongs to that size).
#   bench/ui/run.sh [BUILD_DIR] [SIZES...]      (defaults: build, 100000 1000000)
#   DQ_BENCH_PRINT=0 bench/ui/run.sh             (without the label and sheet previews)
#   DQ_BENCH_STDERR=FILE bench/ui/run.sh         (keeps the program's standard error)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
[ $# -gt 0 ] && shift
sizes=${*:-100000 1000000}
grid=$(find "$build" -name bench_grid -type f -perm -u+x | head -n 1)
ui=$(find "$build" -name bench_ui -type f -perm -u+x | head -n 1)
[ -n "$grid" ] && [ -n "$ui" ] || { echo "build bench_grid and bench_ui first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for rows in $sizes; do
    echo "== $rows rows x 13 columns (+ $((rows / 10)) duplicate rows appended)"
    # The same seed gives the small table the big one's first rows: Append brings duplicates.
    "$grid" make "$rows" "$work/$rows" >/dev/null
    "$grid" make $((rows / 10)) "$work/$rows/dups" >/dev/null
    # The browser engine's start-up chatter goes to stderr.
    "$ui" "$work/$rows" 2>"${DQ_BENCH_STDERR:-/dev/null}"
done
