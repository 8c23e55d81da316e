// The AVI compressor choice: a list of the encoders the linked FFmpeg offers for the movie's
// container, uncompressed frames first. Backing out cancels the movie.
#pragma once

#include <vector>

#include "output/MovieCodecs.h"

class IUserInteraction;
class wxWindow;

// The chosen index, or kMovieCodecCancelled.
int ChooseAviCodec(wxWindow* parent, const std::vector<MovieCodecEntry>& entries, IUserInteraction& ui);
