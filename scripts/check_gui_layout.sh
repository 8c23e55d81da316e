#!/usr/bin/env bash
# Guards the build layout.
# - GUI headers: wxWidgets, GTK and GLX headers are included only by files in a folder named
#   `wx` (each such folder is its own library that only the desktop program and the GUI tests
#   link).
# - Folder layers: a source folder includes only the folders the table below allows it, so the
#   GUI-free libraries stay GUI-free and the editor and wizard need no renderer or movie code.
# - Libraries: the command-line tool needs no wx or GTK library, directly (its dynamic section)
#   or through another library (ldd; gdk-pixbuf, a picture loader some codec libraries pull
#   in, is no GUI library); the editor's and the wizard's libraries link no FFmpeg or EGL.
#   check_gui_layout.sh headers SOURCE_DIR        fails naming every GUI include outside a wx folder
#   check_gui_layout.sh layers SOURCE_DIR         fails naming every include the table does not allow
#   check_gui_layout.sh libraries EXECUTABLE      fails naming every wx/GTK library it needs
#   check_gui_layout.sh nomedia LIB LINKED... [-- LIB LINKED...]  fails naming every FFmpeg/EGL library linked
#   check_gui_layout.sh selftest                  the header and layer checks catch planted includes
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

# Each source folder and the folders its files may include by "folder/..." (its own is always
# allowed). Lower layers first; tests/, bench/ and fuzz/ sit above all and are not checked.
# Every folder holding sources must be listed.
LAYERS='
base:
image: base
core: base image
render: base image core
output: base image core render
art: base image
editor: base image core art
wizard: base image core art
autokey: base image core
ui: base image art
app: base image core render output art editor wizard autokey ui
tools: base image core render output autokey
render/wx: base image core render
ui/wx: base image art ui
output/wx: base image core render output art ui ui/wx
wizard/wx: base image core art wizard ui ui/wx
app/wx: base image core render output art editor wizard autokey ui app render/wx ui/wx output/wx wizard/wx
'

layer_violations() {  # prints "file:line: text (folder may include: ...)" for each include the table refuses
  local root=${1%/}
  find "$root" \( -name '.git' -o -name 'build*' -o -name 'node_modules' \) -prune -o \
    -type f \( -name '*.cpp' -o -name '*.cc' -o -name '*.c' -o -name '*.h' -o -name '*.hpp' \) -print0 |
    xargs -0 -r awk -v root="$root/" -v layers="$LAYERS" '
      BEGIN {
        n = split(layers, lines, "\n")
        for (i = 1; i <= n; ++i) {
          if (lines[i] !~ /:/) continue
          folder = substr(lines[i], 1, index(lines[i], ":") - 1)
          listed[folder] = 1
          split(folder, top, "/")
          known[top[1]] = 1
          shown[folder] = substr(lines[i], index(lines[i], ":") + 2)
          allowed[folder] = " " folder " " shown[folder] " "
        }
        known["tests"] = known["bench"] = known["fuzz"] = 1
      }
      FNR == 1 {
        rel = substr(FILENAME, length(root) + 1)
        nparts = split(rel, part, "/")
        folder = part[1]
        if (nparts > 2 && part[2] == "wx") folder = folder "/wx"
        skip = (nparts < 2 || part[1] == "tests" || part[1] == "bench" || part[1] == "fuzz")
        if (!skip && !(folder in listed)) {
          print rel ": folder " folder " is not in the layer table"
          skip = 1
        }
      }
      !skip && /^[ \t]*#[ \t]*include[ \t]*"[a-z_]+\// {
        target = $0
        sub(/^[^"]*"/, "", target)
        nt = split(target, t, "/")
        dep = t[1]
        if (!(dep in known)) next
        if (nt > 2 && t[2] == "wx") dep = dep "/wx"
        if (index(allowed[folder], " " dep " ") == 0)
          print rel ":" FNR ": " $0 " (" folder " may include: " shown[folder] ")"
      }'
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
  layers)
    found=$(layer_violations "$2")
    if [ -n "$found" ]; then
      echo "Includes across the folder layers: move the code to a folder both may use, or widen the table in"
      echo "$0 only where the layers hold (GUI-free below wx, no movie or GL code below render and output):"
      echo "$found"
      exit 1
    fi
    ;;
  nomedia)
    # Each group: a library, then every library it links (the build lists them), up to "--".
    shift
    bad=$(printf '%s\n' "$@" | awk '
      $0 == "--" { name = ""; next }
      name == "" { name = $0; next }
      /FFMPEG|avformat|avcodec|avutil|swscale|EGL/ { print name " links " $0 }')
    if [ -n "$bad" ]; then
      echo "GUI-free libraries that link movie or EGL code:"
      echo "$bad"
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
    mkdir -p "$tmp/editor" "$tmp/app/wx" "$tmp/tests/editor" "$tmp/newfolder"
    printf '#include "core/MorphProject.h"\n#include "editor/Tools.h"\n' >"$tmp/editor/Tools.cpp"
    printf '#include "render/wx/GLView.h"\n#include "editor/Tools.h"\n' >"$tmp/app/wx/Main.cpp"
    printf '#include "output/OutputRun.h"\n' >"$tmp/tests/editor/test_tools.cpp"
    rm "$tmp/render/Preview.h" "$tmp/render/wx/Canvas.cpp" "$tmp/tools/Cmd.cpp"
    [ -z "$(layer_violations "$tmp")" ] || { echo "allowed includes were refused:"; layer_violations "$tmp"; exit 1; }
    printf '#include "base/Result.h"\n  # include "output/OutputRun.h"\n' >"$tmp/editor/Playback.cpp"
    found=$(layer_violations "$tmp")
    [ "$(echo "$found" | grep -c .)" = 1 ] && [[ "$found" == editor/Playback.cpp:2:* ]] ||
      { echo "an include of output/ in editor/ was not caught alone: $found"; exit 1; }
    rm "$tmp/editor/Playback.cpp"
    printf '#include "render/wx/GLView.h"\n' >"$tmp/render/Preview.cpp"
    [[ "$(layer_violations "$tmp")" == render/Preview.cpp:1:* ]] || { echo "render/ including render/wx/ was not caught"; exit 1; }
    rm "$tmp/render/Preview.cpp"
    printf 'int x;\n' >"$tmp/newfolder/New.cpp"
    [[ "$(layer_violations "$tmp")" == *"newfolder is not in the layer table"* ]] || { echo "a folder missing from the table was not caught"; exit 1; }
    bash "$0" nomedia keditor kcore kimage -- kwizard kbase >/dev/null || { echo "GUI-free links were refused"; exit 1; }
    if bash "$0" nomedia keditor kcore -- kwizard kbase koutput PkgConfig::FFMPEG >/dev/null; then
      echo "a linked FFmpeg was not caught"
      exit 1
    fi
    ;;
  *)
    echo "usage: $0 headers SOURCE_DIR | layers SOURCE_DIR | libraries EXECUTABLE | nomedia LIB LINKED... | selftest"
    exit 2
    ;;
esac
