#include "support/CliProject.h"

#include "core/MorphProject.h"
#include "core/ProjectFile.h"

void CliProjectTest::MakeProject(const CliProjectSpec& spec) {
  m_szImage1 = m_dir.File("one.png");
  m_szImage2 = m_dir.File("two.png");
  ASSERT_TRUE(MakePatternPicture(spec.nWidth1, spec.nHeight1, spec.nSeed1).Save(m_szImage1, PICTURE_PNG));
  ASSERT_TRUE(MakePatternPicture(spec.nWidth2, spec.nHeight2, spec.nSeed2).Save(m_szImage2, PICTURE_PNG));
  MorphProject project;
  ASSERT_TRUE(project.LoadImage1(m_szImage1));
  ASSERT_TRUE(project.LoadImage2(m_szImage2));
  int vnum = -1;
  ASSERT_TRUE(project.AddPairAt(1, spec.x1, spec.y1, &vnum));
  ASSERT_TRUE(project.MovePoint(2, vnum, spec.x2, spec.y2));
  m_szProject = m_dir.File(spec.szName);
  ASSERT_TRUE(SaveProject(project, m_szProject));
}

CliResult CliProjectTest::Render(const std::string& out, const std::string& extra) const {
  return RunCli("render " + ShellQuote(m_szProject) + " -o " + ShellQuote(out) + " " + extra);
}
