#!/usr/bin/env bash
# Re-records the typesetter's output for the log reader's tests: runs documents under docs/
# through the commands the editor offers and keeps the terminal output (stdout and stderr as
# the editor sees them) and, for nested, the .log file. The documents are code page 932. The
# checked-in files are excerpts of these recordings, cut by hand to the lines the reader must
# follow (file opens and closes, wrapped lines, the messages); the tests never run this.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r "$here/docs/." "$work/"
cd "$work"

platex=(platex -kanji=sjis -interaction=nonstopmode -synctex=1)
latexmk_platex=(latexmk -pdfdvi -recorder-
  -e '$latex=q/platex -kanji=sjis -interaction=nonstopmode -file-line-error -synctex=1 %O %S/'
  -e '$dvipdf=q/dvipdfmx %O -o %D %S/')

# record NAME DOC COMMAND...: NAME.stdout and NAME.log from one run in a clean folder.
record() {
  local name="$1" doc="$2"
  shift 2
  rm -f ./*.aux ./*.log ./*.dvi ./*.synctex.gz ./*.fdb_latexmk ./*.pdf
  "$@" "$doc.tex" >"$here/$name.stdout" 2>&1 </dev/null || true
  cp "$doc.log" "$here/$name.log"
}

record nested nested "${platex[@]}" -file-line-error
record bad-nofle bad "${platex[@]}"
# pTeX picks its terminal code from the locale's name (it need not be installed).
LC_ALL=ja_JP.SJIS record jmsg-sjis-locale jmsg "${platex[@]}" -file-line-error
record missing missing "${platex[@]}" -file-line-error
# latexmk typesets twice here (the first run writes the .aux).
record latexmk-warn warn "${latexmk_platex[@]}"
