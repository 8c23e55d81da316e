#include <gtest/gtest.h>

#include "app/CommandIds.h"
#include "app/OutputCommands.h"
#include "output/OutputSettings.h"

TEST(OutputCommands, FormatsSpeedCopyAndRedrawRestart) {
  struct Case {
    int nId, nFormat;
    bool bCopy, bRestart;
  };
  const Case cases[] = {{ids::kOutputSequence, ImageSequence, true, false}, {ids::kOutputGif, AnimatedGif, true, false},
                        {ids::kOutputSwf, FlashMovie, true, false},        {ids::kOutputHtml, HtmlPage, true, true},
                        {ids::kOutputAvi, AviMovie, true, true},           {ids::kOutputAviMenu, AviMovie, false, true}};
  for (const Case& c : cases) {
    const OutputCommand r = ResolveOutputCommand(c.nId);
    ASSERT_TRUE(r.bValid) << c.nId;
    EXPECT_EQ(r.nFormat, c.nFormat) << c.nId;
    EXPECT_EQ(r.bCopySpeed, c.bCopy) << c.nId;
    EXPECT_EQ(r.bRestartRedraw, c.bRestart) << c.nId;
  }
  EXPECT_FALSE(ResolveOutputCommand(ids::kSingleFrameButton).bValid);
  EXPECT_FALSE(ResolveOutputCommand(0).bValid);
}
