#!/usr/bin/env bash
# After texts were added or changed in the sources: regenerates the template and merges it
# into every catalog, where new texts appear untranslated and changed ones fuzzy (texts the
# sources dropped are removed). Translate them, remove the fuzzy marks, and `make test` checks
# that nothing is left.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bash "$here/make-pot.sh" "$here/.." "$here/kestrelle.pot"
for po in "$here"/*.po; do
  msgmerge --quiet --update --backup=none --add-location=file "$po" "$here/kestrelle.pot"
  msgattrib --no-obsolete --add-location=file --output-file="$po" "$po"
done
