// Damaged and hostile inputs shared by the command-line and the window tests: pictures that
// claim more than they hold or hold nothing usable, and project files that are cut, count
// impossibly, name no picture or name a bad one. Each comes with a name that says what it is.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "support/TestSupport.h"

struct HostileFile {
  std::string name;  // a file name with the extension the file claims
  std::vector<uint8_t> bytes;
};

// Bytes of a project file as its layout describes it.
std::vector<uint8_t> ProjectFileBytesOf(const std::string& path1, const std::string& path2,
                                        const std::vector<std::array<int32_t, 4>>& pairs, int32_t count1,
                                        int32_t count2);

// A tiny PNG whose header promises width x height RGB pixels; its data hold a few zero bytes.
std::vector<uint8_t> PngBomb(uint32_t width, uint32_t height);
// A real small JPEG (written in `dir` on the way) whose frame header claims width x height.
std::vector<uint8_t> JpegBomb(const TempDir& dir, int width, int height);

// Pictures no reader may take: empty, garbage, every format cut short, headers of impossible
// sizes.
std::vector<HostileFile> HostilePictures(const TempDir& dir);

// Projects no open may take. `picture` is a good picture file; the damaged pictures they name
// are written into `dir`.
std::vector<HostileFile> HostileProjects(const TempDir& dir, const std::string& picture);
