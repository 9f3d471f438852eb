#!/bin/sh
# Writes the manual pages dirquill.1 and dirquill-cli.1 into OUTDIR. Every command's text
# comes from the built dirquill-cli's own help, so the pages cannot drift from it.
#   dist/manpages.sh DIRQUILL-CLI OUTDIR VERSION
set -eu
cli=$1
out=$2
version=$3
mkdir -p "$out"

# Plain text to roff: backslashes and hyphens escaped, a leading dot or quote made literal.
roff() { sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"; }

commands=$("$cli" --help | sed -n '/^Commands:/,$ s/^  \([^ ]*\) .*/\1/p')
[ -n "$commands" ] || { echo "manpages.sh: $cli --help lists no commands" >&2; exit 1; }

files_section() {
  cat <<'EOF'
.SH FILES
The site list
.I stpl00.bin
and the key files are read, file by file, from the first place that has them:
.TP
.I $XDG_DATA_HOME/dirquill/
(by default
.IR ~/.local/share/dirquill/ ),
the user's own copies: the site editor and the key\-file window save here;
.TP
the shipped folder:
.B DIRQUILL_HOME
when set, else the program's own folder when it holds
.IR stpl00.bin ,
else
.I ../share/dirquill/
beside the program's folder (for example
.IR /usr/share/dirquill/ ).
.PP
The shipped folder also holds the offline guide. Nothing is ever written into it.
.SH ENVIRONMENT
.TP
.B DIRQUILL_HOME
the folder of the shipped site list, key files and guide.
.TP
.B DIRQUILL_CONFIG_DIR
keep the settings in this folder instead of the per\-user store.
.TP
.B XDG_DATA_HOME
the base of the user's data folder.
EOF
}

{
  printf '.TH DIRQUILL-CLI 1 "" "Dirquill %s" "User Commands"\n' "$version"
  echo '.SH NAME'
  echo 'dirquill\-cli \- grab, convert and print Dirquill tables from the command line'
  echo '.SH SYNOPSIS'
  echo '.nf'
  "$cli" --help | sed -n '/^Usage:/,/^$/p' | sed -e 's/^Usage: //' -e 's/^       //' -e '/^$/d' | roff
  echo '.fi'
  echo '.SH DESCRIPTION'
  echo 'Each command below prints its own text with'
  echo '.BR "dirquill\-cli help" " COMMAND".'
  echo '.SH COMMANDS'
  for c in $commands; do
    printf '.SS "%s"\n' "$c"
    "$cli" --help | sed -n "s/^  $c  *//p" | roff
    echo '.PP'
    echo '.nf'
    "$cli" help "$c" | roff
    echo '.fi'
  done
  files_section
  echo '.SH SEE ALSO'
  echo '.BR dirquill (1)'
} >"$out/dirquill-cli.1"

{
  printf '.TH DIRQUILL 1 "" "Dirquill %s" "User Commands"\n' "$version"
  echo '.SH NAME'
  echo 'dirquill \- build lists of businesses from online directories'
  echo '.SH SYNOPSIS'
  echo '.B dirquill'
  echo '.RI [ TABLE ]'
  echo '.SH DESCRIPTION'
  cat <<'EOF'
Dirquill searches an online business directory in a browser panel; when a results page
shows, it fetches the pages itself, cuts every listing out with the site's key file and
fills a record table page after page. The table can be edited, sorted, saved as a native
.I .tsy
table, comma or tab text, printed as labels or sheets, and its listings dialled, mapped,
visited or mailed.
.PP
.B dirquill\-demo\-site
serves a made\-up directory on the loopback address for trying the program.
.SH OPTIONS
.TP
.I TABLE
a table to open on the Results tab:
.IR .tsy ,
.I .csv
or
.IR .txt ,
told by its extension.
.SH COMMAND LINE
The same work without windows:
.PP
.nf
EOF
  "$cli" --help | sed -n '/^Commands:/,$ s/^  \(.*\)/dirquill-cli \1/p' | roff
  echo '.fi'
  files_section
  echo '.SH SEE ALSO'
  echo '.BR dirquill\-cli (1)'
} >"$out/dirquill.1"
