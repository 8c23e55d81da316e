// How the program describes itself. The desktop entry's Comment and the software-centre
// listing's summary carry this text and its English translation; a packaging test keeps
// them equal to the catalogs.
#pragma once

#include "base/TextMarks.h"

namespace ProgramText {
inline constexpr const char* kSummary = N_("用静态图片制作变形动画");
}  // namespace ProgramText
