#!/usr/bin/env bash
# Writes the message template: every text of the program's sources marked with _() (window
# code) or N_() (GUI-free tables and messages). Tests, benchmarks and the command-line tool
# keep their texts in English and are not read.
#   po/make-pot.sh SOURCE_DIR OUTPUT.pot
set -euo pipefail
src=$(cd "$1" && pwd)
out=$2
version=$(sed -n 's/^project(Kestrelle VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
cd "$src"
find app autokey base core editor output render ui wizard -type f \( -name '*.cpp' -o -name '*.h' \) |
  LC_ALL=C sort |
  xgettext --from-code=UTF-8 --language=C++ --keyword=_ --keyword=N_ --add-comments=TRANSLATORS: \
    --add-location=file --sort-by-file --package-name=Kestrelle --package-version="$version" \
    --msgid-bugs-address=kestrelle@localhost --files-from=- --output=- |
  # The template's charset is known; xgettext leaves a placeholder.
  sed 's/charset=CHARSET/charset=UTF-8/' >"$out"
