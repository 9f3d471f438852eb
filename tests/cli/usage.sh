#!/bin/sh
# docs/cli.md shows the usage texts word for word: its first block is what --help prints, and
# the first block under each "## COMMAND" heading what "help COMMAND" prints.
#   usage.sh DIRQUILL-CLI CLI.MD
set -u
cli=$1
doc=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

# The first fenced block after the line $1 (from the top when $1 is empty).
block() {
  awk -v head="$1" 'BEGIN { on = (head == "") }
    on == 0 && $0 == head { on = 1; next }
    on == 1 && /^```/ { on = 2; next }
    on == 2 && /^```/ { exit }
    on == 2 { print }' "$doc"
}

compare() { # heading, then the command line's arguments
  head=$1
  shift
  block "$head" >"$work/doc"
  "$cli" "$@" >"$work/help"
  diff -u "$work/doc" "$work/help" || { echo "docs/cli.md differs from 'dirquill-cli $*'"; status=1; }
}

compare "" --help
commands=$("$cli" --help | sed -n '/^Commands:/,$ s/^  \([^ ]*\) .*/\1/p')
[ -n "$commands" ] || { echo "dirquill-cli --help lists no commands"; exit 1; }
for c in $commands; do
  compare "## $c" help "$c"
done
[ $status -eq 0 ] && echo "docs/cli.md matches the help of $(echo $commands | wc -w) commands"
exit $status
