#!/usr/bin/env bash
# Records pLaTeX's terminal output and .log over docs/ (code page 932). The checked-in files are
# excerpts of these, cut by hand to the lines the log reader must follow.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r "$here/docs/." "$work/"
cd "$work"
platex=(platex -kanji=sjis -interaction=nonstopmode -synctex=1 -file-line-error)
record() {  # NAME DOC COMMAND...
  local name="$1" doc="$2"
  shift 2
  rm -f ./*.aux ./*.log ./*.dvi ./*.synctex.gz ./*.fdb_latexmk ./*.pdf
  "$@" "$doc.tex" >"$here/$name.stdout" 2>&1 </dev/null || true
  cp "$doc.log" "$here/$name.log"
}
record nested nested "${platex[@]}"
record missing missing "${platex[@]}"
record latexmk-warn warn latexmk -pdfdvi -recorder- -e '$dvipdf=q/dvipdfmx %O -o %D %S/' \
  -e '$latex=q/platex -kanji=sjis -interaction=nonstopmode -file-line-error -synctex=1 %O %S/'
