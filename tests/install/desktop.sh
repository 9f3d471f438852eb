#!/bin/sh
# The desktop entry, the AppStream data and the table file type pass their validators.
#   desktop.sh SOURCE-FOLDER BUILD-FOLDER
set -u
src=$1
build=$2
status=0
desktop-file-validate "$src/dist/com.orlenco.Dirquill.desktop" || status=1
appstreamcli validate --no-net --strict "$build/dist/com.orlenco.Dirquill.metainfo.xml" || status=1
# The MIME database takes the table type and finds tables by their extension.
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
mime=$data/mime
mkdir -p "$mime/packages"
cp "$src/dist/dirquill-mime.xml" "$mime/packages/dirquill.xml"
complaints=$(XDG_DATA_HOME="$data" update-mime-database "$mime" 2>&1)
[ -z "$complaints" ] || { echo "$complaints"; status=1; }
grep -q ':application/x-dirquill-table:\*\.tsy$' "$mime/globs2" || { echo "no *.tsy glob"; status=1; }
# The table type is what the desktop entry opens.
grep -q '^MimeType=application/x-dirquill-table;$' "$src/dist/com.orlenco.Dirquill.desktop" \
  && grep -q 'type="application/x-dirquill-table"' "$src/dist/dirquill-mime.xml" || { echo "MIME types differ"; status=1; }
exit $status
