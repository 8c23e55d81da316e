// Project files (".fmph"): the two picture paths and the integer coordinates of every
// key-point pair, little-endian, no signature:
//   0    256  image1 path, zero-terminated
//   256  4    N - 1
//   260  256  image2 path, zero-terminated
//   516  4    N - 1 (the copy the reader uses)
//   520  16*N pairs: x1, y1, x2, y2 (int32 each)
// An open either replaces the whole project or leaves it exactly as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/TextMarks.h"
#include "core/MorphProject.h"

namespace ProjectFileText {
inline constexpr const char* kOpenProjectError = N_("open project error!");
inline constexpr const char* kOpenImageError = "open image [%s] error";
inline constexpr const char* kErrorImage = N_("error image!");
inline constexpr const char* kErrorCreateImage = N_("error create image!");
inline constexpr const char* kSaveProjectError = N_("save project error!");
inline constexpr const char* kSavePathTooLong =
    N_("The project cannot be saved: a picture path is longer than 255 bytes.");
}  // namespace ProjectFileText

constexpr int kProjectPathRecord = 260;  // path field plus count
constexpr int kProjectHeaderSize = 2 * kProjectPathRecord;
constexpr int kProjectPairSize = 16;

// The file's bytes for the project with the given picture paths (the project's own, or
// others naming the same pictures).
Result ProjectFileBytes(const MorphProject& project, std::vector<uint8_t>& bytes,
                               const std::string& path1, const std::string& path2);
// Writes the project to `fileName` (the caller has asked for the name).
Result SaveProject(const MorphProject& project, const std::string& fileName);
// Reads a project file and replaces the current project with it.
Result OpenProject(MorphProject& project, const std::string& fileName);
// Reads a sample project: the pictures are looked up in `samplesDir` by the file names of
// the stored paths (the stored folders are ignored).
Result OpenSampleProject(MorphProject& project, const std::string& samplesDir,
                                const std::string& projectFileName);

// The seven sample projects shipped in the samples folder, in the order the program offers them.
struct SampleProject {
  const char* szFileName;
  bool bWarp;  // opening it sets morph type 2
};
extern const SampleProject kSampleProjects[7];
// Opens a shipped sample; samplesDir empty means DefaultSamplesDir().
Result OpenShippedSample(MorphProject& project, const SampleProject& sample,
                         const std::string& samplesDir = std::string());

// The "samples" folder beside the executable ("./samples" when its folder cannot be found).
std::string DefaultSamplesDir();
