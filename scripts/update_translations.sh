#!/bin/sh
# Refreshes both catalogues from the texts in the code. New Japanese texts are the source
# texts themselves and are marked finished; new English entries are left unfinished until
# someone writes them (the catalogue test fails until then). Texts gone from the code are
# dropped, so neither catalogue keeps entries nobody shows.
set -eu
cd "$(dirname "$0")/.."
LUPDATE=${LUPDATE:-$(command -v lupdate || echo /usr/lib/qt6/bin/lupdate)}
folders="app player playlist editor skin platform engine wavsink"
for lang in ja en; do
  # shellcheck disable=SC2086
  "$LUPDATE" -silent -locations none -no-obsolete -source-language ja_JP -target-language "$lang" \
    -extensions cpp,h -I . $folders -ts "resources/translations/veltra_$lang.ts"
done
python3 scripts/finish_japanese_catalogue.py resources/translations/veltra_ja.ts
left=$(grep -c 'type="unfinished"' resources/translations/veltra_en.ts || true)
if [ "$left" -gt 0 ]; then
  echo "update_translations: $left English texts still to translate in resources/translations/veltra_en.ts"
fi
