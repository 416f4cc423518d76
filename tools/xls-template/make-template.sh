#!/usr/bin/env bash
# Rebuilds the Excel import template from its text source with LibreOffice
# (a developer's tool: the build uses the committed workbook).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$(mktemp -d)
soffice --headless --norestore -env:UserInstallation=file://"$out"/profile \
  --convert-to 'xls:MS Excel 97' --outdir "$out" "$here/template.fods" >/dev/null
cp "$out/template.xls" "$here/../../src/resources/template.xls"
rm -rf "$out"
echo "written src/resources/template.xls"
