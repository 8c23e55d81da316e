// Fault injection against the real kestrelle-cli: a file system that fills (a file-size
// limit), signals in the middle of an export, inputs that are not files, outputs that would
// overwrite inputs, decompression bombs under an address-space limit and two exports racing
// to one path. Every case checks that an existing file is byte-identical, that nothing
// temporary is left, and that the exit status and message say what happened.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "support/CliFixture.h"
#include "support/HostileFiles.h"

namespace {

const std::string kOldText = "the user's old file, which a failed export must leave alone\n";
const std::vector<uint8_t> kOld(kOldText.begin(), kOldText.end());

bool WaitForTemporary(CCliProcess& process, const std::vector<std::string>& folders, double nSeconds = 60) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(nSeconds);
  while (std::chrono::steady_clock::now() < end && process.IsRunning()) {
    for (const std::string& folder : folders)
      if (!Temporaries(folder).empty()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

// Exports that run long enough to be interrupted: many frames at a size that takes a while.
const char* const kLongRun[] = {"--frames", "400", "--size", "320x240"};

class CliFaultTest : public CliProjectTest {
 protected:
  void SetUp() override { MakeProject(CliProjectLayout{}); }
  std::vector<std::string> RenderArgs(const std::string& szOut, std::vector<std::string> extra) const {
    std::vector<std::string> args = {"render", m_szProject, "-o", szOut};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  void ExpectUntouched(const std::string& szPath) const {
    EXPECT_EQ(ReadFileBytes(szPath), kOld) << szPath << " was changed";
  }
  void ExpectNoTemporaries() const {
    EXPECT_TRUE(Temporaries(m_out.Path()).empty()) << testing::PrintToString(Temporaries(m_out.Path()));
    EXPECT_TRUE(Temporaries(m_tmp.Path()).empty()) << testing::PrintToString(Temporaries(m_tmp.Path()));
  }

  TempDir m_out, m_tmp;  // outputs; the process's own $TMPDIR
};

}  // namespace

// A file-size limit stands for a disk that fills: the write fails part way, the old output
// keeps every byte, no temporary stays, and the message names the file and the system's cause.
TEST_F(CliFaultTest, FullDiskKeepsTheOldOutputOfEveryKind) {
  struct Case {
    std::string name;
    std::vector<std::string> args;
    std::vector<std::string> kept;  // outputs that existed before
  };
  const std::string seq = m_out.File("s.png"), gif = m_out.File("a.gif"), avi = m_out.File("a.avi"),
                    swf = m_out.File("a.swf"), page = m_out.File("page.html"), frame = m_out.File("f.bmp"),
                    project = m_out.File("p.fmph"), png = m_out.File("c.png"), webp = m_out.File("a.webp"),
                    apng = m_out.File("a.apng");
  const Case cases[] = {
      {"gif", RenderArgs(gif, {"--frames", "20", "--size", "200x150"}), {gif}},
      {"avi", RenderArgs(avi, {"--frames", "20", "--size", "200x150"}), {avi}},
      {"webp", RenderArgs(webp, {"--frames", "20", "--size", "200x150"}), {webp}},
      {"apng", RenderArgs(apng, {"--frames", "20", "--size", "200x150"}), {apng}},
      {"swf", RenderArgs(swf, {"--frames", "20", "--size", "200x150"}), {swf}},
      {"html", RenderArgs(page, {"--frames", "20", "--size", "200x150"}), {m_out.File("output.swf")}},
      {"sequence", RenderArgs(seq, {"--frames", "4", "--size", "200x150"}),
       {m_out.File("s0.png"), m_out.File("s1.png"), m_out.File("s4.png")}},
      {"frame", RenderArgs(frame, {"--frame", "2", "--size", "200x150"}), {frame}},
      {"project", {"new", m_szImage1, m_szImage2, "-o", project, "--pair", "1,1:2,2"}, {project}},
      {"convert", {"convert", m_szImage1, png}, {png}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const std::string& path : c.kept) WriteFileBytes(path, kOld);
    CliLimits limits;
    limits.nFileSize = 300;  // bytes: every output here needs more
    limits.szTempDir = m_tmp.Path();
    const CliResult r = RunCliLimited(c.args, limits);
    EXPECT_EQ(r.nSignal, 0) << r.szOutput;
    EXPECT_GT(r.nExitCode, 0) << r.szOutput;
    EXPECT_NE(r.szErr.find(std::strerror(EFBIG)), std::string::npos) << r.szErr;
    EXPECT_EQ(r.szErr.find("kestrelle-tmp"), std::string::npos) << "temporary name shown: " << r.szErr;
    EXPECT_EQ(r.szErr.find("kestrelle-frames"), std::string::npos) << "temporary name shown: " << r.szErr;
    for (const std::string& path : c.kept) ExpectUntouched(path);
    ExpectNoTemporaries();
    // Nothing new either: the outputs that did not exist before are still absent.
    EXPECT_FALSE(std::filesystem::exists(m_out.File("s2.png")));
    EXPECT_FALSE(std::filesystem::exists(page));
    for (const std::string& path : c.kept) std::filesystem::remove(path);
  }
}

// SIGINT, SIGTERM and SIGHUP once the first temporary exists: the run stops after its frame,
// removes what it had started and exits with 128 + the signal, saying so.
TEST_F(CliFaultTest, SignalsDuringAnExportLeaveNothingBehind) {
  struct Case {
    std::string name, out;
    int nSignal;
    std::vector<std::string> kept;
  };
  const Case cases[] = {
      {"avi", m_out.File("a.avi"), SIGINT, {m_out.File("a.avi")}},
      {"gif", m_out.File("a.gif"), SIGTERM, {m_out.File("a.gif")}},
      {"webp", m_out.File("a.webp"), SIGINT, {m_out.File("a.webp")}},
      {"apng", m_out.File("a.apng"), SIGHUP, {m_out.File("a.apng")}},
      {"swf", m_out.File("a.swf"), SIGHUP, {m_out.File("a.swf")}},
      {"html", m_out.File("page.html"), SIGINT, {m_out.File("output.swf")}},
      {"sequence", m_out.File("s.png"), SIGTERM, {m_out.File("s0.png"), m_out.File("s7.png")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const std::string& path : c.kept) WriteFileBytes(path, kOld);
    CliLimits limits;
    limits.szTempDir = m_tmp.Path();
    CCliProcess process;
    ASSERT_TRUE(process.Start(RenderArgs(c.out, {std::begin(kLongRun), std::end(kLongRun)}), limits));
    ASSERT_TRUE(WaitForTemporary(process, {m_out.Path(), m_tmp.Path()})) << "the export ended before it could be interrupted";
    process.Signal(c.nSignal);
    const CliResult r = process.Wait();
    EXPECT_FALSE(r.bTimedOut);
    EXPECT_EQ(r.nSignal, 0) << "died of the signal instead of handling it";
    EXPECT_EQ(r.nExitCode, 128 + c.nSignal) << r.szOutput;
    EXPECT_NE(r.szErr.find("interrupted"), std::string::npos) << r.szErr;
    for (const std::string& path : c.kept) ExpectUntouched(path);
    ExpectNoTemporaries();
    std::vector<std::string> expected;
    for (const std::string& path : c.kept) expected.push_back(std::filesystem::path(path).filename());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderEntries(m_out.Path()), expected);
    for (const std::string& path : c.kept) std::filesystem::remove(path);
  }
}

// A FIFO or a folder named like a picture or project is refused at once; opening a FIFO for
// reading would otherwise wait for a writer forever.
TEST_F(CliFaultTest, FifosAndFoldersAreRefusedWithoutBlocking) {
  const std::string fifo = m_dir.File("pipe.png"), folder = m_dir.File("folder.png");
  const std::string fifoProject = m_dir.File("pipe.fmph"), folderProject = m_dir.File("folder.fmph");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(fifoProject.c_str(), 0600), 0);
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  ASSERT_TRUE(std::filesystem::create_directory(folderProject));
  const std::string out = m_out.File("o.png");
  const std::vector<std::vector<std::string>> runs = {
      {"info", fifo},
      {"info", folder},
      {"convert", fifo, out},
      {"new", fifo, m_szImage2, "-o", m_out.File("n.fmph")},
      {"new", m_szImage1, folder, "-o", m_out.File("n.fmph")},
      {"render", fifoProject, "-o", out},
      {"render", folderProject, "-o", out},
  };
  for (const auto& args : runs) {
    SCOPED_TRACE(testing::PrintToString(args));
    const CliResult r = RunCliLimited(args, {}, 20);
    ASSERT_FALSE(r.bTimedOut) << "blocked on a non-regular file";
    EXPECT_EQ(r.nExitCode, 1) << r.szOutput;
    EXPECT_NE(r.szErr.find("not a regular file"), std::string::npos) << r.szErr;
  }
  // A project whose picture became a FIFO after it was saved.
  std::filesystem::remove(m_szImage1);
  ASSERT_EQ(::mkfifo(m_szImage1.c_str(), 0600), 0);
  const CliResult r = RunCliLimited(RenderArgs(out, {"--frame", "1"}), {}, 20);
  ASSERT_FALSE(r.bTimedOut) << "blocked on a picture that is a FIFO";
  EXPECT_EQ(r.nExitCode, 1) << r.szOutput;
  EXPECT_NE(r.szErr.find("not a regular file"), std::string::npos) << r.szErr;
  EXPECT_TRUE(FolderEntries(m_out.Path()).empty());
}

// An output that names an input of the project, directly or by another spelling, is refused
// before anything is written.
TEST_F(CliFaultTest, OutputsOverInputsAreRefused) {
  const std::vector<uint8_t> image1 = ReadFileBytes(m_szImage1), project = ReadFileBytes(m_szProject);
  const std::string otherSpelling = m_dir.Path() + "/./one.png";
  const std::vector<std::vector<std::string>> runs = {
      {"new", m_szImage1, m_szImage2, "-o", m_szImage1},
      {"new", m_szImage1, m_szImage2, "-o", otherSpelling},
      {"render", m_szProject, "-o", m_szImage1, "--frame", "1"},
      {"render", m_szProject, "-o", m_szProject, "--format", "gif"},
      {"render", m_szProject, "-o", m_szImage1, "--format", "webp"},
  };
  for (const auto& args : runs) {
    SCOPED_TRACE(testing::PrintToString(args));
    const CliResult r = RunCliLimited(args, {});
    EXPECT_EQ(r.nExitCode, 1) << r.szOutput;
    EXPECT_FALSE(r.szErr.empty());
    EXPECT_EQ(ReadFileBytes(m_szImage1), image1);
    EXPECT_EQ(ReadFileBytes(m_szProject), project);
    EXPECT_TRUE(Temporaries(m_dir.Path()).empty());
  }
}

// Files that declare huge pictures in a few bytes: refused with a message under a 2 GB
// address-space limit, by `info` and by a render of a project that uses one, never by a
// signal (an abort from bad_alloc, a kill for memory).
TEST_F(CliFaultTest, DecompressionBombsAreRefusedUnderAnAddressSpaceLimit) {
  if (BuiltWithAddressSanitizer()) GTEST_SKIP() << "the address sanitizer cannot start under an address-space limit";
  struct Bomb {
    std::string name;
    std::vector<uint8_t> bytes;
  };
  const Bomb bombs[] = {
      {"huge.png", PngBomb(16384, 16384)},    // beyond the pixel budget
      {"large.png", PngBomb(12000, 12000)},   // within it, but the body cannot hold it
      {"huge.jpg", JpegBomb(m_dir, 16384, 16384)},
      {"large.jpg", JpegBomb(m_dir, 12000, 12000)},
  };
  CliLimits limits;
  limits.nAddressSpace = 2147483648LL;
  for (const Bomb& b : bombs) {
    SCOPED_TRACE(b.name + " (" + std::to_string(b.bytes.size()) + " bytes)");
    const std::string path = m_dir.File(b.name);
    WriteFileBytes(path, b.bytes);
    CliResult r = RunCliLimited({"info", path}, limits);
    EXPECT_EQ(r.nSignal, 0) << r.szOutput;
    EXPECT_EQ(r.nExitCode, 1) << r.szOutput;
    EXPECT_NE(r.szErr.find(path), std::string::npos) << r.szErr;

    // The project's image2 replaced by the bomb after the project was saved.
    WriteFileBytes(m_szImage2, b.bytes);
    r = RunCliLimited(RenderArgs(m_out.File("f.png"), {"--frame", "1"}), limits);
    EXPECT_EQ(r.nSignal, 0) << r.szOutput;
    EXPECT_EQ(r.nExitCode, 1) << r.szOutput;
    EXPECT_FALSE(r.szErr.empty());
    EXPECT_TRUE(FolderEntries(m_out.Path()).empty());
  }
}

// Two exports to one path at once: each grows its own temporary, so the path ends up holding
// one complete movie, byte for byte what one of them writes alone.
TEST_F(CliFaultTest, ConcurrentExportsToOnePathLeaveOneCompleteFile) {
  const std::vector<std::string> a = {"--frames", "12", "--size", "120x90"}, b = {"--frames", "9", "--size", "100x80"};
  const std::string aloneA = m_out.File("alone-a.gif"), aloneB = m_out.File("alone-b.gif");
  ASSERT_EQ(RunCliLimited(RenderArgs(aloneA, a), {}).nExitCode, 0);
  ASSERT_EQ(RunCliLimited(RenderArgs(aloneB, b), {}).nExitCode, 0);
  const std::vector<uint8_t> bytesA = ReadFileBytes(aloneA), bytesB = ReadFileBytes(aloneB);
  const std::string same = m_out.File("same.gif");
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    CCliProcess first, second;
    ASSERT_TRUE(first.Start(RenderArgs(same, a)));
    ASSERT_TRUE(second.Start(RenderArgs(same, b)));
    const CliResult ra = first.Wait(), rb = second.Wait();
    EXPECT_EQ(ra.nExitCode, 0) << ra.szOutput;
    EXPECT_EQ(rb.nExitCode, 0) << rb.szOutput;
    const std::vector<uint8_t> result = ReadFileBytes(same);
    EXPECT_TRUE(result == bytesA || result == bytesB) << "a movie that matches neither run (" << result.size()
                                                      << " bytes)";
    EXPECT_TRUE(Temporaries(m_out.Path()).empty());
  }
}
