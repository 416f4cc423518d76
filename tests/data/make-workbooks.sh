#!/usr/bin/env bash
# Rebuilds the test workbooks from import.fods with LibreOffice (the tests use
# the committed files).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$(mktemp -d)
for format in 'xls:MS Excel 97' 'xlsx:Calc MS Excel 2007 XML'; do
  soffice --headless --norestore -env:UserInstallation=file://"$out"/profile \
    --convert-to "$format" --outdir "$out" "$here/import.fods" >/dev/null
done
cp "$out/import.xls" "$out/import.xlsx" "$here/"
rm -rf "$out"
