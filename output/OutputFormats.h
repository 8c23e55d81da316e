// Every kind of output the program writes, one row each: what the window and the command line
// call it, the extension that picks it, the writer that makes it, how the run passes over the
// frames and what shape the frames take. The run, the request check, the dialogs, the movie
// containers and the command-line tool all read this table, so a new kind of output is one row
// here plus its writer.
#pragma once

#include <string>
#include <vector>

#include "output/MovieCodecs.h"
#include "output/OutputSettings.h"

// What makes the file out of the rendered frames.
enum class OutputWriterKind {
  Sequence,   // one picture file per frame, numbered by frame index
  Single,     // one picture of the frame asked for
  Gif,        // an animated GIF of 256-colour frames
  Animation,  // an animated picture of true-colour frames with a loop count (WebP, APNG)
  Movie,      // a video stream through CAviWriter (AVI, MP4, WebM)
  Swf,        // temporary JPEG frames that become a SWF movie
  SwfPage,    // the same movie beside an HTML page made from the template
};

// The frames a writer takes.
enum class OutputFrameKind {
  Whole,     // drawn and kept at the output size
  CropFour,  // drawn at the output size; the bitmap keeps its bottom-left part in multiples of 4
  Even,      // drawn whole at the output size rounded down to even sides (4:2:0 video)
};

// Which loop setting the output carries.
enum class OutputLoopKind {
  None,           // pictures do not play; movie players decide themselves
  Plays,          // a play count, 0 endlessly, up to kMaxOutputPlays
  OnceOrEndless,  // 1 once, 0 endlessly
};

// Largest play count a GIF, WebP or APNG holds (a 16-bit field).
constexpr int kMaxOutputPlays = 65535;

struct OutputFormatRow {
  const char* szWord;        // the command line's --format word
  int nFormat;               // the OutputFormat code the window and the run use
  MovieContainer container;  // of a Movie or Animation writer (Avi for the others)
  const char* szExtension;   // the extension that picks it; null: any picture extension
  const char* szShortName;   // in texts that list kinds ("AVI, MP4 and WebM")
  const char* szName;        // what the output dialog calls it (a message id); "" for none
  const char* szFilters;     // the save dialog's filters: "label|pattern|label|pattern..."
  const char* szCliNote;     // after ".ext word" in the command line's help; "" for none
  OutputWriterKind writer;
  int nPasses;               // 1: frames 0..N; 2: then N..0 again
  OutputFrameKind frame;
  int nMinSide;              // smallest output side the writer takes
  int nMaxSide;              // largest output side the writer takes
  OutputLoopKind loops;
  bool bTimed;               // has a frame rate
};

// The rows, in the order the command line lists extensions.
const std::vector<OutputFormatRow>& OutputFormatRows();

// The row of an output format code writing to szPath: the row of that code whose extension
// the path has, else the code's first row (any code without rows: the picture sequence, which
// is what unknown codes write).
const OutputFormatRow& OutputFormatFor(int nFormat, const std::string& szPath);
// The row of a code and container, else the code's first row.
const OutputFormatRow& OutputFormatFor(int nFormat, MovieContainer container);
// The row of a --format word, or null.
const OutputFormatRow* OutputFormatForWord(const std::string& szWord);
// The row of a file extension (lower case, without the dot), or null.
const OutputFormatRow* OutputFormatForExtension(const std::string& szExtension);

// The short names of the rows a writer makes: "AVI", "MP4", "WebM".
std::vector<std::string> OutputShortNames(OutputWriterKind writer);
// The extensions of every row that has one, with their dots, in the table's order.
std::vector<std::string> OutputExtensions();
// "a, b and c" (szLast " and ") or "a, b or c" (szLast " or ").
std::string JoinedList(const std::vector<std::string>& items, const std::string& szLast);
