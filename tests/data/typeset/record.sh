#!/usr/bin/env bash
# Re-records the typesetter's output for the log reader's tests: runs each document under docs/
# through the commands the editor offers and keeps the terminal output (stdout and stderr as
# the editor sees them) and the .log file byte for byte. The documents are code page 932.
# The recordings are checked in; the tests never run this. Run it from anywhere.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r "$here/docs/." "$work/"
cd "$work"

platex_fle=(platex -kanji=sjis -interaction=nonstopmode -file-line-error -synctex=1)
platex_plain=(platex -kanji=sjis -interaction=nonstopmode -synctex=1)
latexmk_platex=(latexmk -pdfdvi -recorder-
  -e '$latex=q/platex -kanji=sjis -interaction=nonstopmode -file-line-error -synctex=1 %O %S/'
  -e '$dvipdf=q/dvipdfmx %O -o %D %S/')
uplatex_fle=(uplatex -kanji=sjis -interaction=nonstopmode -file-line-error -synctex=1)

# record NAME DOC COMMAND...: NAME.stdout and NAME.log from one run in a clean folder.
record() {
  local name="$1" doc="$2"
  shift 2
  rm -f ./*.aux ./*.log ./*.dvi ./*.synctex.gz ./*.fdb_latexmk ./*.pdf
  "$@" "$doc.tex" >"$here/$name.stdout" 2>&1 </dev/null || true
  cp "$doc.log" "$here/$name.log"
}

record bad bad "${platex_fle[@]}"
record bad-nofle bad "${platex_plain[@]}"
record nested nested "${platex_fle[@]}"
record nested-nofle nested "${platex_plain[@]}"
record warn warn "${platex_fle[@]}"
record jmsg jmsg "${platex_fle[@]}"
# pTeX picks its terminal code from the locale's name (it need not be installed).
LC_ALL=ja_JP.SJIS record jmsg-sjis-locale jmsg "${platex_fle[@]}"
record missing missing "${platex_fle[@]}"
record up-doc "up 文書" "${uplatex_fle[@]}"
# latexmk typesets twice here (the first run writes the .aux); only the .log of the last run stays.
record latexmk-warn warn "${latexmk_platex[@]}"
