#!/bin/sh
# Grid file figures: native, comma and Excel workbook save/load of 100,000 and 1,000,000
# listing rows, a sort by one column, undo of a sort and of Delete Duplicates with the undo
# stack's memory, the peak memory of each step (one process per step), and pandas' read_csv
# of the same comma file for comparison.
#   bench/grid/run.sh [BUILD_DIR]      (default: build; DQ_BENCH_ROUNDS load rounds, default 7)
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

rounds=$(seq "${DQ_BENCH_ROUNDS:-7}")

for rows in 100000 1000000; do
    echo "== $rows rows x 13 columns"
    "$bin" make "$rows" "$work/$rows"
    "$bin" load-native "$work/$rows/listings.tsy"
    "$bin" load-comma "$work/$rows/listings.csv"
    "$bin" sort "$work/$rows/listings.tsy" | grep -E 'sort|peak'
    "$bin" save-xlsx "$work/$rows/listings.tsy" "$work/$rows/listings.xlsx" | grep -E 'xlsx|peak'
    "$bin" load-xlsx "$work/$rows/listings.xlsx"
    # One run of each says little on a shared machine: the two loads take turns, and the
    # medians of their wall and CPU times are compared.
    for round in $rounds; do
        "$bin" load-comma "$work/$rows/listings.csv" | awk '/^load comma/ {print "comma", $3, $6}'
        "$bin" load-xlsx "$work/$rows/listings.xlsx" | awk '/^load xlsx/ {print "xlsx", $3, $6}'
    done >"$work/rounds"
    median() { grep "^$1 " "$work/rounds" | awk -v f="$2" '{print $f}' | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
    ours=$(median comma 2) xlsx=$(median xlsx 2) oursCpu=$(median comma 3) xlsxCpu=$(median xlsx 3)
    printf '%-28s %8.3f s   (cpu %.3f s)\n' "load comma, median" "$ours" "$oursCpu" "load xlsx, median" "$xlsx" "$xlsxCpu"
    awk -v a="$xlsx" -v b="$ours" -v c="$xlsxCpu" -v d="$oursCpu" -v n="$(echo $rounds | wc -w)" \
        'BEGIN { printf "%-28s %8.2f (cpu %.2f; target: 3 or less; %d rounds)\n", "xlsx load / comma load", a / b, c / d, n }'
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
