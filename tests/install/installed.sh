#!/bin/sh
# Unpacks the .deb (scripts/package), or installs a build folder as the package lays it out
# (the test suite: a Release build and a .deb take longer than a test run may), into a
# temporary root and runs the installed dirquill-cli from there with a fresh HOME and nothing
# pointing back at the build: it lists the shipped engines and grabs from the installed demo site.
#   installed.sh BUILD-FOLDER | PACKAGE.deb
set -u
from=$1
root=$(mktemp -d)
site_pid=""
trap '[ -n "$site_pid" ] && kill "$site_pid"; rm -rf "$root"' EXIT
fail() { echo "$*"; exit 1; }

case $from in
  *.deb) dpkg-deb -x "$from" "$root/tree" >"$root/install.log" 2>&1 ;;
  *) DESTDIR="$root/tree" cmake --install "$from" --prefix /usr >"$root/install.log" 2>&1 ;;
esac || { cat "$root/install.log"; fail "installing $from failed"; }
usr=$root/tree/usr
for f in bin/dirquill bin/dirquill-cli bin/dirquill-demo-site share/dirquill/stpl00.bin \
  share/dirquill/demo-page.key share/dirquill/QRBX/Guide/index.html \
  share/applications/com.orlenco.Dirquill.desktop share/metainfo/com.orlenco.Dirquill.metainfo.xml \
  share/mime/packages/dirquill.xml share/icons/hicolor/scalable/apps/com.orlenco.Dirquill.svg \
  share/icons/hicolor/16x16/apps/com.orlenco.Dirquill.png share/icons/hicolor/256x256/apps/com.orlenco.Dirquill.png \
  share/man/man1/dirquill.1.gz share/man/man1/dirquill-cli.1.gz; do
  [ -e "$usr/$f" ] || fail "the install lacks $f"
done

mkdir "$root/home"
run() { env -i HOME="$root/home" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"; }
before=$(find "$usr" -newer "$root/install.log" | wc -l)

engines=$(run "$usr/bin/dirquill-cli" engines) || fail "dirquill-cli engines failed"
echo "$engines"
[ "$(echo "$engines" | wc -l)" -eq 7 ] || fail "expected the 7 shipped engines"
echo "$engines" | grep -q missing && fail "a shipped key file is missing"

run "$usr/bin/dirquill-demo-site" --port 0 --quiet >"$root/site.log" 2>&1 &
site_pid=$!
port=""
for _ in $(seq 100); do
  port=$(sed -n 's|^listening on http://127\.0\.0\.1:\([0-9]*\)/$|\1|p' "$root/site.log")
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || fail "the installed demo site did not start: $(cat "$root/site.log")"
run "$usr/bin/dirquill-cli" grab --engine "Demo Directory - Next links" \
  --url "http://127.0.0.1:$port/next/search?category=plumbers&city=austin&state=tx" --out "$root/home/out.csv" \
  2>"$root/grab.log" || { cat "$root/grab.log"; fail "dirquill-cli grab failed"; }
rows=$(wc -l <"$root/home/out.csv")
[ "$rows" -eq 251 ] || fail "expected a title row and the demo site's 250 listings, got $rows lines"
[ "$(find "$usr" -newer "$root/install.log" | wc -l)" -eq "$before" ] || fail "something was written into the install"
echo "installed tree: engines listed, $((rows - 1)) listings grabbed"
