// Writes small valid pictures in every format the container can encode, as starting inputs
// for the fuzz targets: make_seeds <folder> creates <folder>/<family>/seed-*.<ext>.
// Formats the container cannot write are added by make_seeds.sh with ImageMagick.
#include <cstdio>
#include <string>
#include <sys/stat.h>

#include "image/Picture.h"

namespace {

CPicture MakeSeedPicture(int width, int height) {
  CPicture pic(PICTURE_BMP);
  pic.Create(width, height, 24, PICTURE_BMP);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      RgbQuad c;
      c.rgbRed = uint8_t(x * 255 / (width - 1));
      c.rgbGreen = uint8_t(y * 255 / (height - 1));
      c.rgbBlue = uint8_t((x * 7 + y * 13) & 0xFF);
      pic.SetPixelColor(x, y, c);
    }
  }
  return pic;
}

bool Save(const CPicture& pic, const std::string& dir, const std::string& name, int type) {
  mkdir(dir.c_str(), 0755);
  const std::string path = dir + "/" + name;
  if (!pic.Save(path, type)) {
    std::fprintf(stderr, "make_seeds: %s: %s\n", path.c_str(), pic.GetLastError().c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds <folder>\n");
    return 2;
  }
  const std::string root = argv[1];
  mkdir(root.c_str(), 0755);
  const CPicture rgb = MakeSeedPicture(16, 12);
  CPicture pal8(rgb);
  pal8.DecreaseBpp(8, false);
  CPicture pal4(rgb);
  pal4.DecreaseBpp(4, true);
  CPicture pal1(rgb);
  pal1.DecreaseBpp(1, true);
  CPicture alpha(rgb);
  alpha.AlphaCreate();

  struct Seed {
    const char* family;
    const char* name;
    const CPicture* pic;
    int type;
  };
  const Seed seeds[] = {
      {"bmp", "seed-24.bmp", &rgb, PICTURE_BMP},     {"bmp", "seed-8.bmp", &pal8, PICTURE_BMP},
      {"bmp", "seed-4.bmp", &pal4, PICTURE_BMP},     {"bmp", "seed-1.bmp", &pal1, PICTURE_BMP},
      {"gif", "seed-8.gif", &pal8, PICTURE_GIF},     {"gif", "seed-1.gif", &pal1, PICTURE_GIF},
      {"jpeg", "seed.jpg", &rgb, PICTURE_JPEG},      {"png", "seed-24.png", &rgb, PICTURE_PNG},
      {"png", "seed-8.png", &pal8, PICTURE_PNG},     {"png", "seed-a.png", &alpha, PICTURE_PNG},
      {"tiff", "seed-24.tif", &rgb, PICTURE_TIFF},   {"tiff", "seed-8.tif", &pal8, PICTURE_TIFF},
      {"tga", "seed-24.tga", &rgb, PICTURE_TGA},     {"tga", "seed-8.tga", &pal8, PICTURE_TGA},
      {"pcx", "seed-24.pcx", &rgb, PICTURE_PCX},     {"pcx", "seed-8.pcx", &pal8, PICTURE_PCX},
      {"detect", "seed.bmp", &pal8, PICTURE_BMP},    {"detect", "seed.gif", &pal8, PICTURE_GIF},
      {"detect", "seed.png", &rgb, PICTURE_PNG},     {"detect", "seed.tga", &rgb, PICTURE_TGA},
  };
  int failed = 0;
  for (const Seed& s : seeds) {
    if (!Save(*s.pic, root + "/" + s.family, s.name, s.type)) ++failed;
  }
  return failed == 0 ? 0 : 1;
}
