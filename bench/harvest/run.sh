#!/usr/bin/env bash
# Harvest benchmark: grabs the same demo-directory listings with dirquill-cli and with a
# Scrapy spider (Debian's python3-scrapy, from bench/setup) at several result-page sizes and
# prints, for each size and each runner, listings per second, megabytes of pages per second
# and the ratio against dirquill-cli grab. Every runner reads the same pages from one
# dirquill-demo-site on loopback, and its listings are checked against the grab's.
#
#   bench/harvest/run.sh                       # sizes 50 200 1000 huge
#   SIZES="50 200" LISTINGS=20000 bench/harvest/run.sh
#   RUNNERS="dirquill scrapy_follow" bench/harvest/run.sh
#   BUILD=build-release bench/harvest/run.sh   # executables from another build folder
#   RENDER_LISTINGS=0 bench/harvest/run.sh     # without the browser-page (render) run
#   DQ_CLI=/path/to/dirquill-cli bench/harvest/run.sh
#   JOURNAL_PAIRS=20 JOURNAL_SIZES=50 bench/harvest/run.sh   # more turns for the journal's cost
#
# A size is a number of listings to a page, or "huge": 50 listings padded with the site's
# huge= switch to about 300 KB, the size of many real result pages.
#
# Another way to harvest is one more runner: a function run_NAME that grabs "$url" into the
# CSV file "$1" (a title row, then the eight listing fields first), a label_NAME, and NAME
# in the runners list below.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
bin="$root/${BUILD:-build}/bin"
cli=${DQ_CLI:-$bin/dirquill-cli}
listings=${LISTINGS:-30000}
sizes=${SIZES:-50 200 1000 huge}
runners=(${RUNNERS:-dirquill dirquill_nojournal dirquill_session scrapy_follow scrapy_parallel})
render_listings=${RENDER_LISTINGS:-2000}
# The journal's cost: this many grabs with it and as many without, taking turns (so a machine
# busy with other work weighs on both alike), of JOURNAL_LISTINGS listings at each of
# JOURNAL_SIZES; 0 pairs leaves it out.
journal_pairs=${JOURNAL_PAIRS:-8}
journal_sizes=${JOURNAL_SIZES:-50 200}
journal_listings=${JOURNAL_LISTINGS:-50000}

for tool in "$bin/dirquill-demo-site" "$cli"; do
  [ -x "$tool" ] || { echo "run.sh: $tool is missing; build it first (cmake --build ${BUILD:-build} --target dirquill-demo-site dirquill-cli)" >&2; exit 1; }
done
command -v scrapy >/dev/null || { echo "run.sh: scrapy is missing (bench/setup installs python3-scrapy)" >&2; exit 1; }

work=$(mktemp -d)
site_pid=""
stop_site() {
  [ -n "$site_pid" ] && kill "$site_pid" 2>/dev/null && wait "$site_pid" 2>/dev/null
  site_pid=""
}
trap 'stop_site; rm -rf "$work"' EXIT

# Starts the site with PER_PAGE listings a page and sets $port; it logs one line per request
# ("GET target status bytes"), which is how each runner's megabytes are counted.
start_site() {
  stop_site
  "$bin/dirquill-demo-site" --port 0 --listings "$2" --per-page "$1" >"$work/site.log" 2>&1 &
  site_pid=$!
  port=""
  for _ in $(seq 100); do
    port=$(sed -n 's|^listening on http://127\.0\.0\.1:\([0-9]*\)/$|\1|p' "$work/site.log")
    [ -n "$port" ] && return 0
    sleep 0.1
  done
  echo "run.sh: the demo site did not start:" >&2; cat "$work/site.log" >&2
  return 1
}

label_dirquill="dirquill-cli grab"
run_dirquill() { "$cli" grab --key "$root/engines/demo-page.key" --url "$url" --out "$1"; }
# The same grab without the journal it keeps beside its output: the journal's cost.
label_dirquill_nojournal="dirquill-cli grab --no-journal"
run_dirquill_nojournal() { "$cli" grab --key "$root/engines/demo-page.key" --url "$url" --out "$1" --no-journal; }
# The same grab dressed as a browser session: a cookie jar, a browser's agent and languages.
label_dirquill_session="dirquill-cli grab, session"
run_dirquill_session() { "$cli" grab --key "$root/engines/demo-page.key" --browser session --url "$url" --out "$1"; }

# Scrapy, following each Next link as a grab does, then with every page asked for at once.
# Following links, Scrapy idles about 0.1 s a page by its own design (it hands a finished
# download on after a fixed 100 ms delay), so the all-at-once run is its fair best.
label_scrapy_follow="scrapy, next links"
run_scrapy_follow() { scrapy runspider "$here/demo_spider.py" -a mode=follow -a start_url="$url" -O "$1"; }
label_scrapy_parallel="scrapy, all pages at once"
run_scrapy_parallel() { scrapy runspider "$here/demo_spider.py" -a mode=parallel -a start_url="$url" -O "$1"; }

# Milliseconds since the epoch, in shell arithmetic.
now() { echo $(( $(date +%s%N) / 1000000 )); }
search="category=plumbers&city=austin&state=tx"
status=0

# Nagle's algorithm in a server costs about 40 ms a page at this size, over a second in all;
# a healthy site and grab take a small fraction of that.
if start_site 100 3000; then
  url="http://127.0.0.1:$port/page/search?$search"
  start=$(now)
  if run_dirquill "$work/check.csv" >/dev/null 2>&1; then
    echo "check: 30 pages of 100 listings grabbed in $(( $(now) - start )) ms"
  else
    echo "check: the grab of 30 pages of 100 listings failed" >&2; status=1
  fi
fi

# One line per run: size, listings a page, runner, listings expected, milliseconds, bytes served, CSV.
: >"$work/results.tsv"
for size in $sizes; do
  per_page=$size extra=""
  if [ "$size" = huge ]; then per_page=50 extra="&huge=0.3"; fi
  start_site "$per_page" "$listings" || { status=1; continue; }
  url="http://127.0.0.1:$port/page/search?$search$extra"
  for runner in "${runners[@]}"; do
    out="$work/$size-$runner.csv"
    log_from=$(wc -l <"$work/site.log")
    start=$(now)
    if "run_$runner" "$out" >"$work/$size-$runner.log" 2>&1; then
      ms=$(( $(now) - start ))
      bytes=$(tail -n +"$((log_from + 1))" "$work/site.log" | awk '$1 == "GET" { n += $4 } END { print n + 0 }')
      label_var="label_$runner"
      printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$size" "$per_page" "${!label_var}" "$listings" "$ms" "$bytes" "$out" \
        >>"$work/results.tsv"
    else
      echo "$runner failed at size $size:" >&2; tail -5 "$work/$size-$runner.log" >&2; status=1
    fi
  done
done
stop_site

# One line per journal run: size, with or without, wall, user and system seconds.
: >"$work/journal.tsv"
if [ "$journal_pairs" -gt 0 ]; then
  for size in $journal_sizes; do
    start_site "$size" "$journal_listings" || { status=1; continue; }
    url="http://127.0.0.1:$port/page/search?$search"
    for _ in $(seq "$journal_pairs"); do
      for runner in dirquill dirquill_nojournal; do
        rm -f "$work/journal.csv" "$work/journal.csv.journal"
        TIMEFORMAT="$size $runner %R %U %S"
        { time "run_$runner" "$work/journal.csv" >"$work/journal.log" 2>&1; } 2>>"$work/journal.tsv" \
          || { echo "$runner failed in the journal runs:" >&2; tail -5 "$work/journal.log" >&2; status=1; }
      done
    done
  done
  stop_site
fi

python3 - "$work/results.tsv" <<'PY' || status=1
import csv, sys

def listings(path):
    with open(path, newline="", encoding="utf-8") as f:
        data = list(csv.reader(f))
    # Every runner writes a title row; compare the eight listing fields.
    return sorted(tuple(r[:8]) for r in data[1:] if any(r))

runs = [line.rstrip("\n").split("\t") for line in open(sys.argv[1], encoding="utf-8") if line.strip()]
ok = True
print("size: listings a page; a grab keeps at most 201 of a page, and so does the spider")
print(f"{'size':>5} {'page KB':>8}  {'runner':27s} {'listings':>8} {'seconds':>8} {'listings/s':>11} {'MB/s':>7} {'dirquill x':>10}")
for size in dict.fromkeys(r[0] for r in runs):
    rows = [r for r in runs if r[0] == size]
    base_rate, base_rows = None, None
    for _, per_page, label, expected, ms, nbytes, path in rows:
        got = listings(path)
        seconds = max(int(ms), 1) / 1000.0
        rate = len(got) / seconds
        total, per_page = int(expected), int(per_page)
        pages = -(-total // per_page)
        # A grab keeps at most 201 listings of a page (the spider does the same).
        expected = sum(min(201, per_page, total - p * per_page) for p in range(pages))
        if base_rate is None:
            base_rate, base_rows = rate, got
        print(f"{size:>5} {int(nbytes) / pages / 1024:8.0f}  {label:27s} {len(got):8d} {seconds:8.2f} {rate:11.0f} "
              f"{int(nbytes) / 1e6 / seconds:7.1f} {base_rate / rate:9.1f}x")
        if len(got) != expected:
            print(f"!! {label} collected {len(got)} listings at size {size}, the site has {expected}")
            ok = False
        elif got != base_rows:
            print(f"!! {label} and {rows[0][2]} differ in their listings at size {size}")
            ok = False
print("all runs collected the same listings" if ok else "!! some runs differ")
sys.exit(0 if ok else 1)
PY

python3 - "$work/journal.tsv" "$journal_pairs" "$journal_listings" <<'PY'
import statistics, sys

runs = {}
for line in open(sys.argv[1], encoding="utf-8"):
    f = line.split()
    if len(f) == 5:
        runs.setdefault((f[0], f[1]), []).append((float(f[2]), float(f[3]) + float(f[4])))
if runs:
    print(f"journal overhead: {sys.argv[2]} grabs of {sys.argv[3]} listings with the journal and as many "
          "without, taking turns; medians")
    print(f"{'size':>5} {'with s':>7} {'without s':>9} {'ratio':>6}   {'CPU with s':>10} {'without s':>9} {'ratio':>6}")
    for size in dict.fromkeys(k[0] for k in runs):
        a, b = runs.get((size, "dirquill"), []), runs.get((size, "dirquill_nojournal"), [])
        if not a or not b:
            continue
        wall = [statistics.median(r[0] for r in x) for x in (a, b)]
        cpu = [statistics.median(r[1] for r in x) for x in (a, b)]
        print(f"{size:>5} {wall[0]:7.2f} {wall[1]:9.2f} {wall[0] / max(wall[1], 1e-3):5.2f}x   "
              f"{cpu[0]:10.2f} {cpu[1]:9.2f} {cpu[0] / max(cpu[1], 1e-3):5.2f}x")
PY

# Render: every page loaded in an offscreen browser page, on the style whose listings a script
# writes in; bounded by the browser engine, so a smaller directory. The page after the last
# (which never shows the listings) is left out: it would only measure the fetch timeout.
if [ "$render_listings" -gt 0 ]; then
  if [ ! -x "$bin/dirquill-cli-browser" ]; then
    echo "render: $bin/dirquill-cli-browser is missing; build it first" >&2; status=1
  elif start_site 50 "$render_listings"; then
    pages=$(( (render_listings + 49) / 50 ))
    start=$(now)
    if QTWEBENGINE_DISABLE_SANDBOX=${QTWEBENGINE_DISABLE_SANDBOX:-1} "$cli" grab --key "$root/engines/demo-script.key" \
        --url "http://127.0.0.1:$port/script/search?$search" --max-pages "$pages" --out "$work/render.csv" \
        >"$work/render.log" 2>&1; then
      ms=$(( $(now) - start ))
      got=$(( $(wc -l <"$work/render.csv") - 1 ))
      python3 -c "import sys; n, ms, p = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]); \
print(f'render (browser page, script-built style, 50 a page): {n} listings in {ms / 1000:.2f} s = {n * 1000 / ms:.0f} listings/s, {p * 1000 / ms:.1f} pages/s')" \
        "$got" "$ms" "$pages"
      [ "$got" -eq "$render_listings" ] || { echo "!! render collected $got listings, the site has $render_listings"; status=1; }
    else
      echo "render grab failed:" >&2; tail -5 "$work/render.log" >&2; status=1
    fi
  fi
  stop_site
fi
exit $status
