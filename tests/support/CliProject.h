// Fixture of the command-line tests that render: two pattern pictures saved as PNG beside
// a project with one key-point pair, in a temporary folder of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/TestSupport.h"

struct CliProjectLayout {
  int nWidth1 = 48, nHeight1 = 36, nSeed1 = 1;
  int nWidth2 = 48, nHeight2 = 36, nSeed2 = 4;
  int x1 = 20, y1 = 12;        // the pair's image1 point
  double x2 = 30, y2 = 20;     // where its image2 point is moved
  std::string szName = "p.fmph";
};

class CliProjectTest : public ::testing::Test {
 protected:
  // Writes one.png, two.png and the project into m_dir (call from SetUp).
  void MakeProject(const CliProjectLayout& layout);
  // kestrelle-cli render PROJECT -o OUT EXTRA
  CliResult Render(const std::string& out, const std::string& extra) const;

  TempDir m_dir;
  std::string m_szImage1, m_szImage2, m_szProject;
};
