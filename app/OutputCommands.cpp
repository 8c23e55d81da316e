#include "app/OutputCommands.h"

#include "app/CommandIds.h"
#include "output/OutputSettings.h"

OutputCommand ResolveOutputCommand(int nCommand) {
  switch (nCommand) {
    case ids::kOutputSequence: return {true, ImageSequence, true, false};
    case ids::kOutputGif: return {true, AnimatedGif, true, false};
    case ids::kOutputSwf: return {true, FlashMovie, true, false};
    case ids::kOutputHtml: return {true, HtmlPage, true, true};
    case ids::kOutputAvi: return {true, AviMovie, true, true};
    // The menu command keeps the speed of the last button used.
    case ids::kOutputAviMenu: return {true, AviMovie, false, true};
    default: return {};
  }
}
