#include "support/CliProject.h"

#include "core/MorphProject.h"
#include "core/ProjectFile.h"

void CliProjectTest::MakeProject(const CliProjectLayout& layout) {
  m_szImage1 = m_dir.File("one.png");
  m_szImage2 = m_dir.File("two.png");
  ASSERT_TRUE(MakePatternPicture(layout.nWidth1, layout.nHeight1, layout.nSeed1).Save(m_szImage1, PICTURE_PNG));
  ASSERT_TRUE(MakePatternPicture(layout.nWidth2, layout.nHeight2, layout.nSeed2).Save(m_szImage2, PICTURE_PNG));
  MorphProject project;
  ASSERT_TRUE(project.LoadImage1(m_szImage1));
  ASSERT_TRUE(project.LoadImage2(m_szImage2));
  int vnum = -1;
  ASSERT_TRUE(project.AddPairAt(1, layout.x1, layout.y1, &vnum));
  ASSERT_TRUE(project.MovePoint(2, vnum, layout.x2, layout.y2));
  m_szProject = m_dir.File(layout.szName);
  ASSERT_TRUE(SaveProject(project, m_szProject));
}

CliResult CliProjectTest::Render(const std::string& out, const std::string& extra) const {
  return RunCli("render " + ShellQuote(m_szProject) + " -o " + ShellQuote(out) + " " + extra);
}
