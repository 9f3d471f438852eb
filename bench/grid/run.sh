#!/bin/sh
# Grid file figures: native, comma and Excel workbook save/load of 100,000 and 1,000,000
# listing rows, a sort by one column, undo of a sort and of Delete Duplicates with the undo
# stack's memory, the peak memory of each step (one process per step), and pandas' read_csv
# of the same comma file for comparison.
#   bench/grid/run.sh [BUILD_DIR]      (default: build)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
bin=$(find "$build" -name bench_grid -type f -perm -u+x | head -n 1)
[ -n "$bin" ] || { echo "bench_grid not built (ninja -C $build bench_grid)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Debian's python3-pandas lives with the system interpreter, not a user-installed one.
py=/usr/bin/python3
[ -x "$py" ] || py=python3

for rows in 100000 1000000; do
    echo "== $rows rows x 13 columns"
    "$bin" make "$rows" "$work/$rows"
    "$bin" load-native "$work/$rows/listings.tsy"
    out=$("$bin" load-comma "$work/$rows/listings.csv")
    echo "$out"
    ours=$(echo "$out" | awk '/^load comma/ {print $3}')
    "$bin" sort "$work/$rows/listings.tsy" | grep -E 'sort|peak'
    "$bin" save-xlsx "$work/$rows/listings.tsy" "$work/$rows/listings.xlsx" | grep -E 'xlsx|peak'
    out=$("$bin" load-xlsx "$work/$rows/listings.xlsx")
    echo "$out"
    xlsx=$(echo "$out" | awk '/^load xlsx/ {print $3}')
    awk -v a="$xlsx" -v b="$ours" 'BEGIN { printf "%-28s %8.2f (target: 3 or less)\n", "xlsx load / comma load", a / b }'
    "$bin" undo "$work/$rows/listings.tsy" | grep -vE '^load native'
    if "$py" -c 'import pandas' 2>/dev/null; then
        theirs=$("$py" - "$work/$rows/listings.csv" <<'PY'
import sys, time
import pandas as pd
t = time.perf_counter()
pd.read_csv(sys.argv[1], dtype=str, keep_default_na=False)
print(f"{time.perf_counter() - t:.3f}")
PY
)
        printf '%-28s %8.3f s\n' "pandas read_csv" "$theirs"
        awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%-28s %8.2f (below 1 = faster than pandas)\n", "comma load / pandas", a / b }'
    else
        echo "python3-pandas is not installed; no comparison"
    fi
done
