#!/usr/bin/env bash
# Guards the GUI build layout: wxWidgets, GTK and GLX headers are included only by files in
# a folder named `wx` (each such folder is its own library that only the desktop program and
# the GUI tests link), and the command-line tool needs no wx or GTK library, directly (its
# dynamic section) or through another library (ldd; gdk-pixbuf, a picture loader some codec
# libraries pull in, is no GUI library).
#   check_gui_layout.sh headers SOURCE_DIR   fails naming every include outside a wx folder
#   check_gui_layout.sh libraries EXECUTABLE fails naming every wx/GTK library it needs
#   check_gui_layout.sh selftest             the header check catches a planted include
set -u

gui_includes() {  # prints "file:line: text" for GUI includes outside folders named wx
  local root=$1
  find "$root" \( -name '.git' -o -name 'build*' -o -name 'node_modules' \) -prune -o \
    -type f \( -name '*.cpp' -o -name '*.cc' -o -name '*.c' -o -name '*.h' -o -name '*.hpp' \) -print |
    while IFS= read -r file; do
      case "/${file#"$root"/}" in */wx/*) continue ;; esac
      grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](wx/|gtk/|gdk/|glib-object|GL/glx|X11/)' "$file"
    done
}

case "${1:-}" in
  headers)
    found=$(gui_includes "$2")
    if [ -n "$found" ]; then
      echo "GUI headers outside a folder named wx (move the file into the area's wx/ folder):"
      echo "$found"
      exit 1
    fi
    ;;
  libraries)
    needed=$(readelf -d "$2" | grep -E '\(NEEDED\)') || { echo "cannot read the dynamic section of $2"; exit 1; }
    all="$needed"$'\n'"$(ldd "$2" 2>/dev/null)"
    bad=$(echo "$all" | grep -iE 'libwx_|libgtk-|libgdk-' || true)
    if [ -n "$bad" ]; then
      echo "$2 needs GUI libraries:"
      echo "$bad"
      exit 1
    fi
    ;;
  selftest)
    tmp=$(mktemp -d) || exit 1
    trap 'rm -rf "$tmp"' EXIT
    mkdir -p "$tmp/render/wx" "$tmp/tools"
    printf '#include <wx/glcanvas.h>\n' >"$tmp/render/wx/Canvas.cpp"
    printf '#include <cstdio>\n' >"$tmp/tools/Cmd.cpp"
    [ -z "$(gui_includes "$tmp")" ] || { echo "an include inside render/wx/ was refused"; exit 1; }
    printf '  #  include "gtk/gtk.h"\n' >"$tmp/render/Preview.h"
    [ -n "$(gui_includes "$tmp")" ] || { echo "an include in render/ was not caught"; exit 1; }
    ;;
  *)
    echo "usage: $0 headers SOURCE_DIR | libraries EXECUTABLE | selftest"
    exit 2
    ;;
esac
