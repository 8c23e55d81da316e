#include "core/ProjectFile.h"

#include <unistd.h>

#include <cerrno>

#include "base/AtomicFile.h"
#include "base/FileChecks.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <vector>

#include "base/ExecutableFolder.h"
#include "base/PathParts.h"
#include "base/UniqueFile.h"
#include "core/AppFolders.h"

const SampleProject kSampleProjects[7] = {
    {"girltoleopard.fmph", false}, {"boytobill.fmph", false}, {"monalisa.fmph", false},
    {"cattotirger.fmph", false},   {"griltoboy.fmph", false}, {"girl.fmph", true},
    {"cushaw.fmph", true},
};

namespace {

constexpr size_t kPathField = 256;
// The largest well-formed file: 128 pairs. Reading one byte more than that is enough to
// parse any file, and nothing is ever allocated from a stored count.
constexpr size_t kMaxProjectBytes = kProjectHeaderSize + kProjectPairSize * kMaxKeyPoints;

void PutInt32(uint8_t* p, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  p[0] = static_cast<uint8_t>(u);
  p[1] = static_cast<uint8_t>(u >> 8);
  p[2] = static_cast<uint8_t>(u >> 16);
  p[3] = static_cast<uint8_t>(u >> 24);
}

int32_t GetInt32(const uint8_t* p) {
  const uint32_t u = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  return static_cast<int32_t>(u);
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The string of a 256-byte path field; false when it has no terminating zero.
bool PathFromRecord(const uint8_t* rec, std::string& out) {
  const void* nul = std::memchr(rec, 0, kPathField);
  if (!nul) return false;
  out.assign(reinterpret_cast<const char*>(rec), static_cast<const uint8_t*>(nul) - rec);
  return true;
}

// Part after the last folder separator; stored paths may come from either kind of system.
std::string FileNamePart(const std::string& path) { return SplitPath(path, kAnySystemPathSeparators).fileName; }

// A stored path is used as it is when it names a file. Otherwise a project that travelled
// with its pictures still opens: a relative path is tried from the project file's folder,
// then the bare file name beside the project file. The stored path is kept when none exists,
// so the message names what the file asked for.
std::string LocatePicture(const std::string& stored, const std::string& projectFile) {
  if (FileExists(stored)) return stored;
  const std::string folder = PathFolder(projectFile);
  if (!stored.empty() && stored[0] != '/') {
    const std::string relative = folder + "/" + stored;
    if (FileExists(relative)) return relative;
  }
  const std::string beside = folder + "/" + FileNamePart(stored);
  if (FileExists(beside)) return beside;
  return stored;
}

std::string OpenImageError(const std::string& path) {
  std::string text = ProjectFileText::kOpenImageError;
  const size_t at = text.find("%s");
  text.replace(at, 2, path);
  return text;
}

// Shared reader. `samplesDir` non-empty: picture paths are rebuilt in that folder.
Result ReadProject(MorphProject& project, const std::string& fileName,
                          const std::string& samplesDir) {
  std::vector<uint8_t> data;
  {
    // Only a regular file is read, and opening never blocks on a FIFO.
    std::string szReason;
    const int fd = OpenRegularFile(fileName, &szReason);
    if (fd < 0) return Result::Fail(ErrorKind::Io, ProjectFileText::kOpenProjectError, fileName + ": " + szReason);
    data.resize(kMaxProjectBytes + 1);
    const size_t got = ReadFully(fd, data.data(), data.size());
    ::close(fd);
    data.resize(got);
  }

  std::string stored[2];
  std::string paths[2];
  int types[2] = {0, 0};
  for (int k = 0; k < 2; ++k) {
    const size_t at = static_cast<size_t>(k) * kProjectPathRecord;
    if (data.size() < at + kProjectPathRecord) return Result::Fail(ErrorKind::Truncated, ProjectText::kError);
    if (!PathFromRecord(data.data() + at, stored[k])) return Result::Fail(ProjectText::kError);
    if (PathExtension(stored[k]).empty()) return Result::Fail(ProjectText::kError);
    types[k] = ImageTypeFromExtension(stored[k]);
    paths[k] = samplesDir.empty() ? LocatePicture(stored[k], fileName)
                                  : samplesDir + "/" + FileNamePart(stored[k]);
    if (paths[k].size() > kMaxPathBytes) return Result::Fail(ErrorKind::TooLarge, ProjectText::kPathTooLong);
    if (!FileExists(paths[k])) {
      std::string why;
      IsReadableRegularFile(paths[k], &why);
      return Result::Fail(ErrorKind::Io, OpenImageError(paths[k]), why.empty() ? why : "(" + why + ")");
    }
  }

  // The reader uses the second count. A count outside 1..128 pairs cannot come from a
  // project, and a file shorter than its count claims is cut.
  const int32_t count = GetInt32(data.data() + kProjectPathRecord + kPathField);
  if (count < 0 || count >= kMaxKeyPoints) return Result::Fail(ProjectText::kError);
  const int n = count + 1;
  if (data.size() < static_cast<size_t>(kProjectHeaderSize) + static_cast<size_t>(n) * kProjectPairSize)
    return Result::Fail(ErrorKind::Truncated, ProjectText::kError);

  auto pImage1 = std::make_unique<CPicture>(paths[0], types[0]);
  if (!pImage1->IsValid()) {
    const std::string& text = pImage1->GetLastError();
    return Result::Fail(pImage1->GetLastErrorKind(), text.empty() ? std::string(ProjectFileText::kErrorImage) : text);
  }
  auto pImage2 = std::make_unique<CPicture>(paths[1], types[1]);
  if (!pImage2->IsValid()) {
    const std::string& text = pImage2->GetLastError();
    return Result::Fail(pImage2->GetLastErrorKind(), text.empty() ? std::string(ProjectFileText::kErrorCreateImage) : text);
  }

  CKeyPointMesh mesh;
  mesh.m_bDebug = project.m_mesh.m_bDebug;
  mesh.m_bCheck = project.m_mesh.m_bCheck;
  std::vector<std::array<int32_t, 4>> pairs;
  pairs.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const uint8_t* p = data.data() + kProjectHeaderSize + static_cast<size_t>(i) * kProjectPairSize;
    pairs.push_back({GetInt32(p), GetInt32(p + 4), GetInt32(p + 8), GetInt32(p + 12)});
  }
  for (const auto& p : pairs) mesh.AddPointPair(p[0], p[1], p[2], p[3]);
  if (!mesh.RebuildTriangulation()) return Result::Fail(ProjectText::kError);
  if (!mesh.IsConsistent()) {
    // Repeated image1 points cannot all be in the hull: keep the first of each, renumbered.
    std::vector<bool> inHull(static_cast<size_t>(n), false);
    for (const MeshVertex* v : mesh.Vertices(1))
      if (v->vnum >= 0 && v->vnum < n) inHull[static_cast<size_t>(v->vnum)] = true;
    mesh.ResetMesh();
    for (int i = 0; i < n; ++i) {
      const auto& p = pairs[static_cast<size_t>(i)];
      if (inHull[static_cast<size_t>(i)]) mesh.AddPointPair(p[0], p[1], p[2], p[3]);
    }
    if (!mesh.RebuildTriangulation() || !mesh.IsConsistent())
      return Result::Fail(ProjectText::kError);
  }

  project.ReplaceContent(std::move(pImage1), std::move(pImage2), paths[0], paths[1], std::move(mesh));
  return Result::Success();
}

}  // namespace

Result ProjectFileBytes(const MorphProject& project, std::vector<uint8_t>& bytes,
                               const std::string& path1, const std::string& path2) {
  // A longer path does not fit its field; cutting it would name another file.
  if (path1.size() > kMaxPathBytes || path2.size() > kMaxPathBytes)
    return Result::Fail(ErrorKind::TooLarge, ProjectFileText::kSavePathTooLong);

  const CKeyPointMesh& mesh = project.m_mesh;
  const int n = std::min(mesh.CountList1(), int(kMaxKeyPoints));
  bytes.assign(static_cast<size_t>(kProjectHeaderSize) + static_cast<size_t>(n) * kProjectPairSize, 0);
  const std::string* paths[2] = {&path1, &path2};
  for (int k = 0; k < 2; ++k) {
    uint8_t* rec = bytes.data() + static_cast<size_t>(k) * kProjectPathRecord;
    std::memcpy(rec, paths[k]->data(), paths[k]->size());
    PutInt32(rec + kPathField, n - 1);
  }
  for (int i = 0; i < n; ++i) {
    uint8_t* p = bytes.data() + kProjectHeaderSize + static_cast<size_t>(i) * kProjectPairSize;
    PutInt32(p, mesh.Point1(i).x);
    PutInt32(p + 4, mesh.Point1(i).y);
    PutInt32(p + 8, mesh.Point2(i).x);
    PutInt32(p + 12, mesh.Point2(i).y);
  }
  return Result::Success();
}

Result SaveProject(const MorphProject& project, const std::string& fileName) {
  std::vector<uint8_t> bytes;
  Result made = ProjectFileBytes(project, bytes, project.m_szImagePath1, project.m_szImagePath2);
  if (!made) return made;

  // The new file replaces the old one only once it is complete, so a full disk or a
  // file-size limit leaves the previous project as it was.
  std::string szCause;
  if (!WriteFileAtomically(fileName, bytes.data(), bytes.size(), &szCause))
    return Result::Fail(ErrorKind::Io, ProjectFileText::kSaveProjectError, szCause);
  return Result::Success();
}

Result OpenProject(MorphProject& project, const std::string& fileName) {
  return ReadProject(project, fileName, std::string());
}

Result OpenSampleProject(MorphProject& project, const std::string& samplesDir,
                                const std::string& projectFileName) {
  const std::string dir = samplesDir.empty() ? std::string(".") : samplesDir;
  return ReadProject(project, dir + "/" + projectFileName, dir);
}

Result OpenShippedSample(MorphProject& project, const SampleProject& sample, const std::string& samplesDir) {
  Result r = OpenSampleProject(project, samplesDir.empty() ? DefaultSamplesDir() : samplesDir, sample.szFileName);
  if (r && sample.bWarp) project.m_nMorphType = 2;
  return r;
}

std::string DefaultSamplesDir() {
  // An installed data folder first, then the samples beside the program.
  const std::string found = FindDataPath("samples");
  if (!found.empty()) return found;
  const std::string folder = ExecutableFolder();
  return (folder.empty() ? std::string(".") : folder) + "/samples";
}
