#!/usr/bin/env bash
# Records the typesetter's output over the documents in docs/ (code page 932): the terminal
# output as the editor sees it and the .log. The checked-in files are excerpts of these, cut by
# hand to the lines the log reader must follow; the tests never run this.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r "$here/docs/." "$work/"
cd "$work"
platex=(platex -kanji=sjis -interaction=nonstopmode -synctex=1)

record() {  # NAME DOC COMMAND...: NAME.stdout and NAME.log from one run in a clean folder
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
record latexmk-warn warn latexmk -pdfdvi -recorder- -e '$dvipdf=q/dvipdfmx %O -o %D %S/' \
  -e '$latex=q/platex -kanji=sjis -interaction=nonstopmode -file-line-error -synctex=1 %O %S/'
