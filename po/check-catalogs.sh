#!/usr/bin/env bash
# Fails when the template no longer holds exactly the texts the sources mark, or when a
# catalog leaves a marked text untranslated or fuzzy, or keeps one the sources dropped.
#   po/check-catalogs.sh SOURCE_DIR [PO_DIR]
#   po/check-catalogs.sh selftest SOURCE_DIR   the check catches a new text and a fuzzy one
set -u
if [ "${1:-}" = selftest ]; then
  tmp=$(mktemp -d)
  trap 'rm -rf "$tmp"' EXIT
  mkdir "$tmp/tree"
  for part in app autokey base core editor output render ui wizard po CMakeLists.txt; do cp -r "$2/$part" "$tmp/tree/"; done
  bash "$0" "$tmp/tree" >/dev/null || { echo "selftest: the unchanged copy fails"; exit 1; }
  echo 'inline constexpr const char* kPlanted = N_("新加的文字");' >"$tmp/tree/app/Planted.h"
  bash "$0" "$tmp/tree" >/dev/null && { echo "selftest: a newly marked text went unnoticed"; exit 1; }
  rm "$tmp/tree/app/Planted.h"
  sed -i '0,/^msgid "文件"$/s//#, fuzzy\nmsgid "文件"/' "$tmp/tree/po/en.po"
  bash "$0" "$tmp/tree" >/dev/null && { echo "selftest: a fuzzy translation went unnoticed"; exit 1; }
  echo "selftest: both faults caught"
  exit 0
fi
src=$1
po=${2:-$1/po}
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0

bash "$here/make-pot.sh" "$src" "$tmp/fresh.pot" || exit 1
texts() { msgcat --no-location --no-wrap --sort-output "$1" | sed '/^"POT-Creation-Date:/d'; }
if ! diff -u <(texts "$po/kestrelle.pot") <(texts "$tmp/fresh.pot") >"$tmp/diff"; then
  echo "po/kestrelle.pot does not match the texts the sources mark (run po/update.sh):"
  cat "$tmp/diff"
  fail=1
fi

for catalog in "$po"/*.po; do
  name=$(basename "$catalog")
  if ! stats=$(LC_ALL=C msgfmt --check --statistics -o /dev/null "$catalog" 2>&1); then
    echo "$name: $stats"
    fail=1
    continue
  fi
  case "$stats" in *fuzzy* | *untranslated*) echo "$name: $stats" && fail=1 ;; esac
  # Against the fresh template: missing texts come out untranslated, dropped ones obsolete.
  msgmerge --quiet --no-fuzzy-matching -o "$tmp/merged.po" "$catalog" "$tmp/fresh.pot"
  merged=$(LC_ALL=C msgfmt --statistics -o /dev/null "$tmp/merged.po" 2>&1)
  case "$merged" in *untranslated*) echo "$name lacks texts the sources mark: $merged" && fail=1 ;; esac
  obsolete=$(msgattrib --only-obsolete "$tmp/merged.po")
  if [ -n "$obsolete" ]; then
    echo "$name holds texts the sources no longer mark:"
    echo "$obsolete"
    fail=1
  fi
done
[ $fail -eq 0 ] && echo "catalogs: template and every catalog match the sources"
exit $fail
