// The embedded pictures: every id the windows use loads through the resource table at
// the size their layout places it, the markers carry their exact colours, and the
// application icons decode at their sizes.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "art/Artwork.h"
#include "image/Picture.h"
#include "image/Resources.h"

namespace {

struct Size {
  int w, h;
};

// The sizes the window layout expects, written out apart from the manifest.
std::map<int, Size> ExpectedSizes() {
  std::map<int, Size> m;
  for (int id = 153; id <= 173; ++id)
    if (id != 154 && id != 155 && id != 157) m[id] = {38, 38};
  for (int id = 400; id < 424; ++id) m[id] = {38, 32};
  for (int id = 430; id < 448; ++id) m[id] = {90, 32};
  for (int id = 450; id < 456; ++id) m[id] = {36, 38};
  m[460] = m[461] = {10, 8};
  m[462] = m[463] = {10, 10};
  m[470] = m[471] = {60, 22};
  m[472] = m[473] = {55, 22};
  m[249] = {1022, 692};
  for (int id : {250, 251, 252, 253}) m[id] = {16, 16};
  m[254] = m[260] = {500, 16};
  m[255] = m[257] = {16, 400};
  m[256] = m[259] = {500, 42};
  m[258] = {9, 9};
  m[261] = {117, 42};
  m[262] = {108, 42};
  m[263] = {10, 12};
  m[264] = {211, 10};
  m[265] = m[266] = {6, 6};
  for (int id : {204, 267, 268, 270, 271}) m[id] = {32, 32};
  m[237] = {120, 264};
  return m;
}

TEST(Artwork, EveryPictureTheWindowsUseLoadsAtItsSize) {
  RegisterArtwork();
  const std::map<int, Size> expected = ExpectedSizes();
  std::set<int> registered;
  for (size_t i = 0; i < ArtworkCount(); ++i) registered.insert(ArtworkId(i));
  EXPECT_EQ(registered.size(), ArtworkCount()) << "an id is registered twice";
  for (int id : registered) EXPECT_TRUE(expected.count(id)) << "picture " << id << " has no place in the windows";

  for (const auto& [id, size] : expected) {
    SCOPED_TRACE("picture " + std::to_string(id));
    CPicture pic;
    ASSERT_TRUE(pic.LoadResource(id, PICTURE_PNG)) << pic.GetLastError();
    EXPECT_EQ(pic.GetWidth(), size.w);
    EXPECT_EQ(pic.GetHeight(), size.h);
  }
}

// Faces of one button differ between states, so a disabled or hovered button shows it.
TEST(Artwork, ButtonStatesLookDifferent) {
  RegisterArtwork();
  auto bytes = [](int id) {
    const uint8_t* p = nullptr;
    size_t n = 0;
    EXPECT_TRUE(FindPictureResource(id, &p, &n));
    return std::vector<uint8_t>(p, p + n);
  };
  for (int base : {kArtPlay, kArtOutputGif, kArtLoadImage1}) {
    EXPECT_NE(bytes(base), bytes(base + kArtHotOffset)) << base;
    EXPECT_NE(bytes(base), bytes(base + kArtDisabledOffset)) << base;
  }
  EXPECT_NE(bytes(kArtSelect), bytes(kArtSelectHot));
  EXPECT_NE(bytes(kArtPlay), bytes(kArtPause));
}

TEST(Artwork, MarkersAndTintHaveTheirExactColours) {
  RegisterArtwork();
  struct Case {
    int id;
    uint8_t r, g, b;
  };
  for (const Case& c : {Case{kArtMarker, 0, 255, 0}, Case{kArtMarkerHot, 255, 0, 0}}) {
    CPicture pic;
    ASSERT_TRUE(pic.LoadResource(c.id, PICTURE_PNG));
    ASSERT_TRUE(pic.HasAlpha());
    for (int y = 1; y <= 4; ++y)
      for (int x = 1; x <= 4; ++x) {
        const RgbQuad q = pic.GetPixelColor(x, y);
        EXPECT_EQ(q.rgbRed, c.r);
        EXPECT_EQ(q.rgbGreen, c.g);
        EXPECT_EQ(q.rgbBlue, c.b);
        EXPECT_EQ(*pic.AlphaGetPointer(x, y), 255);
      }
    for (int x : {0, 5})
      for (int y : {0, 5}) EXPECT_EQ(*pic.AlphaGetPointer(x, y), 12) << c.id << " corner " << x << "," << y;
  }
  CPicture tint;
  ASSERT_TRUE(tint.LoadResource(kArtPaneTint, PICTURE_PNG));
  const RgbQuad q = tint.GetPixelColor(4, 4);
  EXPECT_EQ(q.rgbRed, 0);
  EXPECT_EQ(q.rgbGreen, 84);
  EXPECT_EQ(q.rgbBlue, 166);
  EXPECT_EQ(*tint.AlphaGetPointer(4, 4), 51);
}

TEST(Artwork, CursorsHaveHotSpotsInsideTheirPictures) {
  for (int id : {kArtCursorDeletePoint, kArtCursorAddPoint, kArtCursorMovePoint, kArtCursorZoomIn,
                 kArtCursorZoomOut}) {
    const CursorSpec* cursor = FindCursorSpec(id);
    ASSERT_NE(cursor, nullptr) << id;
    EXPECT_EQ(cursor->id, id);
    EXPECT_GE(cursor->hotX, 0);
    EXPECT_LT(cursor->hotX, 32);
    EXPECT_GE(cursor->hotY, 0);
    EXPECT_LT(cursor->hotY, 32);
  }
  EXPECT_EQ(FindCursorSpec(kArtPlay), nullptr);
}

TEST(Artwork, AppIconsDecodeAtTheirSizes) {
  ASSERT_GE(AppIconSizeCount(), 6u);
  for (size_t i = 0; i < AppIconSizeCount(); ++i) {
    const int size = AppIconSize(i);
    const uint8_t* data = nullptr;
    size_t bytes = 0;
    int actual = 0;
    ASSERT_TRUE(FindAppIconPng(size, &data, &bytes, &actual));
    EXPECT_EQ(actual, size);
    CPicture pic;
    ASSERT_TRUE(pic.Decode(data, bytes, PICTURE_PNG)) << size << ": " << pic.GetLastError();
    EXPECT_EQ(pic.GetWidth(), size);
    EXPECT_EQ(pic.GetHeight(), size);
  }
  int actual = 0;
  ASSERT_TRUE(FindAppIconPng(20, nullptr, nullptr, &actual));
  EXPECT_EQ(actual, 22) << "the next larger size";
  ASSERT_TRUE(FindAppIconPng(4096, nullptr, nullptr, &actual));
  EXPECT_EQ(actual, 256) << "the largest";
}

}  // namespace
