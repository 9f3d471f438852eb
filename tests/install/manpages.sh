#!/bin/sh
# The manual pages carry the command list and every command's help text word for word, and
# man reads them without a warning.
#   manpages.sh DIRQUILL-CLI MAN-FOLDER
set -u
cli=$1
dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

unroff() { sed -e 's/^\\&//' -e 's/\\-/-/g' -e 's/\\e/\\/g'; }

listed=$("$cli" --help | sed -n '/^Commands:/,$ s/^  \([^ ]*\) .*/\1/p')
paged=$(sed -n 's/^\.SS "\(.*\)"$/\1/p' "$dir/dirquill-cli.1")
if [ -z "$listed" ] || [ "$listed" != "$paged" ]; then
  echo "dirquill-cli --help lists [$listed]; dirquill-cli.1 has [$paged]"
  status=1
fi
for c in $listed; do
  "$cli" help "$c" >"$work/help"
  sed -n "/^\\.SS \"$c\"\$/,/^\\.fi\$/p" "$dir/dirquill-cli.1" | sed -e '1,/^\.nf$/d' -e '$d' | unroff >"$work/page"
  diff -u "$work/help" "$work/page" || { echo "dirquill-cli.1 differs from 'dirquill-cli help $c'"; status=1; }
  grep -qF "dirquill\\-cli $(echo "$c" | sed 's/-/\\-/g') " "$dir/dirquill.1" || { echo "dirquill.1 does not list $c"; status=1; }
done
for page in dirquill dirquill-cli; do
  warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$dir/$page.1" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "$page.1: $warnings"; status=1; }
done
[ $status -eq 0 ] && echo "manual pages match the help of $(echo $listed | wc -w) commands"
exit $status
