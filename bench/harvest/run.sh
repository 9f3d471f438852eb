#!/usr/bin/env bash
# Harvest benchmark: grabs the same demo-directory listings with dirquill-cli and with a
# Scrapy spider (Debian's python3-scrapy) and prints listings per second for each and the
# ratio. Both read the same result pages from one dirquill-demo-site on loopback.
#
#   bench/harvest/run.sh                 # 50,000 listings, 50 to a page
#   LISTINGS=10000 PER_PAGE=100 bench/harvest/run.sh
#   BUILD=build-release bench/harvest/run.sh      # executables from another build folder
#   DQ_CLI=/path/to/dirquill-cli bench/harvest/run.sh
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
bin="$root/${BUILD:-build}/bin"
cli=${DQ_CLI:-$bin/dirquill-cli}
listings=${LISTINGS:-50000}
per_page=${PER_PAGE:-50}

for tool in "$bin/dirquill-demo-site"; do
  [ -x "$tool" ] || { echo "run.sh: $tool is missing; build it first (ninja -C ${BUILD:-build} dirquill-demo-site dirquill-cli)" >&2; exit 1; }
done
command -v scrapy >/dev/null || { echo "run.sh: scrapy is missing (scripts/setup installs python3-scrapy)" >&2; exit 1; }

work=$(mktemp -d)
site_pid=""
cleanup() {
  [ -n "$site_pid" ] && kill "$site_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

"$bin/dirquill-demo-site" --port 0 --quiet --listings "$listings" --per-page "$per_page" >"$work/site.log" 2>&1 &
site_pid=$!
for _ in $(seq 100); do
  grep -q '^listening on ' "$work/site.log" && break
  sleep 0.1
done
port=$(sed -n 's|^listening on http://127\.0\.0\.1:\([0-9]*\)/$|\1|p' "$work/site.log")
[ -n "$port" ] || { echo "run.sh: the demo site did not start:" >&2; cat "$work/site.log" >&2; exit 1; }
url="http://127.0.0.1:$port/page/search?category=plumbers&city=austin&state=tx"
echo "demo site: $listings listings, $per_page to a page, $url"

# Milliseconds since the epoch, in shell arithmetic.
now() { echo $(( $(date +%s%N) / 1000000 )); }
status=0

# Dirquill: one grab with the shipped key file for this paging style.
dq_ms=""
if [ -x "$cli" ]; then
  start=$(now)
  if "$cli" grab --key "$root/engines/demo-page.key" --url "$url" --out "$work/dirquill.csv" 2>"$work/dirquill.log"; then
    dq_ms=$(( $(now) - start ))
  else
    echo "dirquill-cli grab failed:" >&2; tail -5 "$work/dirquill.log" >&2; status=1
  fi
else
  echo "$cli is missing; build it first (ninja -C ${BUILD:-build} dirquill-cli)" >&2; status=1
fi

# Scrapy, following each Next link as a grab does, then with every page asked for at once.
run_spider() {
  local mode=$1
  local start
  start=$(now)
  if scrapy runspider "$here/demo_spider.py" -a mode="$mode" -a start_url="$url" -O "$work/scrapy-$mode.csv" \
      >"$work/scrapy-$mode.log" 2>&1; then
    echo $(( $(now) - start ))
  else
    echo "scrapy ($mode) failed:" >&2; tail -5 "$work/scrapy-$mode.log" >&2
    return 1
  fi
}
sc_follow=$(run_spider follow) || status=1
sc_parallel=$(run_spider parallel) || status=1

python3 - "$work" "$listings" "${dq_ms:-}" "${sc_follow:-}" "${sc_parallel:-}" <<'PY' || status=1
import csv, sys, os
work, expected = sys.argv[1], int(sys.argv[2])
ms = {"dirquill-cli grab": sys.argv[3], "scrapy, next links": sys.argv[4], "scrapy, all pages at once": sys.argv[5]}
files = {"dirquill-cli grab": "dirquill.csv", "scrapy, next links": "scrapy-follow.csv",
         "scrapy, all pages at once": "scrapy-parallel.csv"}

def rows(name):
    path = os.path.join(work, files[name])
    if not os.path.exists(path):
        return None
    with open(path, newline="", encoding="utf-8") as f:
        data = list(csv.reader(f))
    # Both write a title row; compare the eight listing fields.
    return sorted(tuple(r[:8]) for r in data[1:] if any(r))

rates = {}
results = {}
for name, millis in ms.items():
    got = rows(name) if millis else None
    if got is None:
        print(f"{name:28s} no result")
        continue
    results[name] = got
    seconds = max(int(millis), 1) / 1000.0
    rate = len(got) / seconds
    rates[name] = rate
    print(f"{name:28s} {len(got):7d} listings in {seconds:7.2f} s = {rate:9.0f} listings/s")

ok = True
for name, got in results.items():
    if len(got) != expected:
        print(f"!! {name} collected {len(got)} listings, the site has {expected}")
        ok = False
if "dirquill-cli grab" in results:
    for name in ("scrapy, next links", "scrapy, all pages at once"):
        if name in results and results[name] != results["dirquill-cli grab"]:
            print(f"!! {name} and dirquill-cli grab differ in their listings")
            ok = False
    if ok and len(results) > 1:
        print("all runs collected the same listings")
    base = rates.get("dirquill-cli grab")
    if base:
        for name in ("scrapy, next links", "scrapy, all pages at once"):
            if name in rates:
                print(f"ratio dirquill / {name}: {base / rates[name]:.1f}x")
sys.exit(0 if ok else 1)
PY
for mode in follow parallel; do
  grep -h '^scrapy (' "$work/scrapy-$mode.log" 2>/dev/null | sed 's/^/  spider alone: /'
done
exit $status
