#!/usr/bin/env bash
# Fills <build>/seeds/<family>/ with small valid pictures for the fuzz targets: the container's
# own encoders (make_seeds) for what it writes, ImageMagick for the rest.
set -euo pipefail
BUILD=${1:-build-fuzz}
SEEDS="$BUILD/seeds"
mkdir -p "$SEEDS"
"$BUILD/make_seeds" "$SEEDS"

src="$SEEDS/png/seed-24.png"
im() {  # im <family> <output> <convert options...>
  local family=$1 out=$2
  shift 2
  mkdir -p "$SEEDS/$family"
  convert "$src" -depth 8 "$@" "$SEEDS/$family/$out"
}
convert "$src" -depth 8 -colors 16 -type Palette -compress RLE "BMP3:$SEEDS/bmp/seed-rle8.bmp"
im ico seed.ico -resize 16x16
im ico seed-png.ico -resize 256x256
im wbmp seed.wbmp -monochrome
im jpeg2000 seed.jp2
im jpeg2000 seed.j2k
im tiff seed-lzw.tif -compress LZW
im tiff seed-zip.tif -compress Zip
im tga seed-rle.tga -compress RLE
im plain seed.ppm
im plain seed.pgm -colorspace Gray
im plain seed.pbm -monochrome
im plain seed-ascii.ppm -compress None
im plain seed.ras
im plain seed-8.ras -colors 16 -type Palette
im plain seed.pgx -colorspace Gray
for f in ico/seed.ico wbmp/seed.wbmp jpeg2000/seed.j2k plain/seed.ppm plain/seed.ras; do
  cp "$SEEDS/$f" "$SEEDS/detect/"
done
echo "make_seeds: $(find "$SEEDS" -type f | wc -l) seeds in $SEEDS"
