#!/usr/bin/env bash
# Installs every Debian package Kestrelle needs to build, test and benchmark.
# Cheap when nothing is missing: it asks dpkg first and only runs apt-get for the gaps.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config git
  libwxgtk3.2-dev
  libx11-dev libxtst-dev libgl-dev libglu1-mesa-dev libegl-dev libegl-mesa0 libgl1-mesa-dri
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev
  libx264-164 libvpx7
  libopenjp2-7-dev libtiff-dev libpng-dev libjpeg-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
  xvfb xauth openbox fonts-wqy-microhei python3 python3-numpy python3-pil
  imagemagick ffmpeg jq time nodejs
  clang libclang-rt-14-dev
  libdlib-dev libdlib-data libblas-dev liblapack-dev libjpeg62-turbo-dev
  libopencv-core-dev libopencv-imgproc-dev libopencv-features2d-dev libopencv-calib3d-dev
  librsvg2-bin desktop-file-utils libxml2-utils shared-mime-info dpkg-dev fakeroot
  gettext appstream
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
