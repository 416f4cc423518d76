#!/usr/bin/env bash
# Rebuilds, with LibreOffice, the workbooks of formulas (every kind of cached
# result, as .xls and .xlsx) and the .xls with an empty text cell from their
# text sources (the tests use the committed files).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
convert() {
  soffice --headless --norestore -env:UserInstallation=file://"$out"/profile \
    --convert-to "$1" --outdir "$out" "$2" >/dev/null
}
convert 'xls:MS Excel 97' "$here/formulas.fods"
convert 'xlsx:Calc MS Excel 2007 XML' "$here/formulas.fods"
convert 'xls:MS Excel 97' "$here/empty-text.fods"
cp "$out/formulas.xls" "$out/formulas.xlsx" "$out/empty-text.xls" "$here/"
