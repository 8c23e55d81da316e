// Checks on movies beside AviProbe (which reads them back): the MP4 box order browsers need,
// the SWF header's frame count, and how far decoded frames are from what went in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// True when an MP4's "moov" box (its index) comes before its "mdat" box (the frames), so that
// a browser can start playing before the whole file is loaded.
bool Mp4IndexComesFirst(const std::vector<uint8_t>& bytes);

// Mean absolute difference of two equally long byte arrays (a huge value when they differ
// in length or are empty).
double MeanAbsoluteDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

// Frame count field of an uncompressed SWF file's header, -1 when it is not one.
int SwfFrameCount(const std::vector<uint8_t>& bytes);
