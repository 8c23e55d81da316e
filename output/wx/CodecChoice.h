// The AVI compressor choice: a list of the encoders the linked FFmpeg offers for the movie's
// container, uncompressed frames first. Backing out cancels the movie.
#pragma once

#include <vector>

#include "output/AviCodecs.h"

class IUserInteraction;
class wxWindow;

// The chosen index, or kAviCodecCancelled.
int ChooseAviCodec(wxWindow* parent, const std::vector<AviCodecEntry>& entries, IUserInteraction& ui);
