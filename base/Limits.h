// Every limit the program enforces, once, with the reason for its value. Checks and messages
// refer to these names; a message that quotes a number is tied to it by a static_assert where
// the text is fixed.
#pragma once

#include <cstddef>
#include <cstdint>

// --- Pictures read from disk -----------------------------------------------------------------
// The decode budget: how large a picture any reader accepts, checked from the header before
// anything is allocated. Generous enough for real photographs (150-megapixel medium-format
// frames, 65535-pixel panoramas), small enough that a hostile header cannot make the process
// ask for gigabytes: the biggest picture costs about 480 MB at 24 bits (an RGBA texture of it
// 640 MB), which fits a 2 GB address-space limit with room for the program.
constexpr int64_t kDecodePixelBudget = 160'000'000;
// Longest side in pixels (the 16-bit fields of most formats hold no more).
constexpr int64_t kDecodeSideBudget = 65535;
// Bytes one decoder may hold for the pixels of one picture, its intermediate rows included.
constexpr int64_t kDecodeByteBudget = int64_t(640) << 20;
// Files larger than this are refused before reading; no picture within the budget needs more.
constexpr long long kMaxPictureFileBytes = 1LL << 30;

// --- The project -----------------------------------------------------------------------------
// Key-point table entries, the frame's corner and edge points included: the project file's
// fixed record count and the triangulation's working arrays are sized by it.
constexpr int kMaxKeyPoints = 128;
// A picture path must fit the project file's 260-byte path record (255 bytes and terminator).
constexpr size_t kMaxPathBytes = 255;
// Frame count N kept by the more/fewer frame buttons.
constexpr int kMinFrameCount = 5;
constexpr int kMaxFrameCount = 1000;
// Smallest N the frame-count entry accepts (the slider needs at least a few stops).
constexpr int kMinTypedFrameCount = 4;
// The wizard's animation length box.
constexpr int kMinWizardFrameLength = 6;
constexpr int kMaxWizardFrameLength = 998;

// --- Rendering and output --------------------------------------------------------------------
// Largest output side: what every software and hardware OpenGL driver renders to, and what
// the JPEG frames of a SWF movie can hold.
constexpr int kMaxOutputSide = 16384;
// Largest frame area (colour, depth and read-back each take 4 bytes per pixel: 768 MiB).
constexpr long long kMaxFramePixels = 64LL * 1024 * 1024;
// The largest side an animated WebP can have (its 14-bit size fields).
constexpr int kMaxWebPSide = 16383;
// Frame rates a request may name (a movie player shows nothing faster).
constexpr int kMaxOutputFrameRate = 100;
// Largest N an output run accepts (an hour of movie at 15 frames per second, twice over).
constexpr int kMaxOutputFrameCount = 100000;
// What an MP4 or WebM movie keeps in memory of its way there for its way back (the encoder's
// 4:2:0 input), latest first; beyond it the way back draws again (an AVI reads its frames back
// from the movie itself). Bounded so that a long run at a large size needs the memory of a
// short one: 32 MiB holds 46 frames of 800 x 600.
constexpr long long kMovieReuseBytes = 32LL << 20;
