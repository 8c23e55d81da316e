#!/usr/bin/env bash
# Checks a built kestrelle .deb: the files a desktop needs are inside, the runtime
# libraries are declared, the unpacked program runs and finds its data, and apt could
# install it here (simulated: nothing on this machine changes).
set -euo pipefail
deb="$1"
fail() { echo "check-deb: $*" >&2; exit 1; }

[ -f "$deb" ] || fail "no package $deb"
listing=$(dpkg-deb -c "$deb")
for f in ./usr/bin/kestrelle ./usr/bin/kestrelle-cli ./usr/share/applications/kestrelle.desktop \
         ./usr/share/mime/packages/kestrelle.xml ./usr/share/icons/hicolor/48x48/apps/kestrelle.png \
         ./usr/share/icons/hicolor/scalable/apps/kestrelle.svg ./usr/share/kestrelle/exsample.html ./usr/share/kestrelle/config.ini \
         ./usr/share/kestrelle/samples/girl.fmph ./usr/share/man/man1/kestrelle-cli.1.gz ./usr/share/man/man1/kestrelle.1.gz; do
  grep -q " $f\$" <<<"$listing" || fail "$f is missing"
done

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libavcodec libavformat libswscale libpng libjpeg libtiff libopenjp2 libegl-mesa0 libx264 libvpx libwxgtk3.2-1 libwxgtk-gl3.2-1 libopencv-core libdlib; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dpkg-deb -x "$deb" "$tmp/root"
"$tmp/root/usr/bin/kestrelle-cli" --version | grep -q "^kestrelle-cli " || fail "kestrelle-cli --version"
# The desktop program answers --version without a display.
env -u DISPLAY -u WAYLAND_DISPLAY "$tmp/root/usr/bin/kestrelle" --version | grep -q "^kestrelle " || fail "kestrelle --version"
"$tmp/root/usr/bin/kestrelle-cli" render "$tmp/root/usr/share/kestrelle/samples/girl.fmph" \
  -o "$tmp/page.html" --frames 2 --size 64x48 >/dev/null || fail "the unpacked tool cannot render"
[ -f "$tmp/output.swf" ] || fail "no movie beside the page"
"$tmp/root/usr/bin/kestrelle-cli" render "$tmp/root/usr/share/kestrelle/samples/girl.fmph" \
  -o "$tmp/web.mp4" --frames 2 --size 64x48 >/dev/null || fail "the unpacked tool cannot write an MP4"

if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
  apt-get install --simulate -qq "$(realpath "$deb")" >"$tmp/apt.log" 2>&1 || { cat "$tmp/apt.log"; fail "apt would not install it"; }
fi
echo "check-deb: $deb is complete ($(du -h "$deb" | cut -f1))"
