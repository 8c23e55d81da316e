#include "output/OutputFormats.h"

#include <iterator>

#include "base/Limits.h"
#include "base/PathParts.h"
#include "base/TextMarks.h"

namespace {

const char kPictureFilters[] =
    "BMP (*.bmp)|*.bmp|PNG (*.png)|*.png|JPG (*.jpg)|*.jpg|GIF (*.gif)|*.gif|TIF (*.tif ;*.tiff)|*.tif;*.tiff|"
    "TGA (*.tga)|*.tga|PCX (*.pcx)|*.pcx";

using W = OutputWriterKind;
using F = OutputFrameKind;
using L = OutputLoopKind;
using C = MovieContainer;

// The command line lists the extensions in this order; --format lists the words by format
// code, and the save dialogs offer a code's rows in this order, its own first.
const OutputFormatRow kRowTable[] = {
    {"gif", AnimatedGif, C::Avi, "gif", "GIF", N_("Animated GIF"), "GIF (*.gif)|*.gif", "", W::Gif, 1, F::Whole, 1,
     kMaxOutputSide, L::Plays, true},
    {"webp", AnimatedGif, C::WebP, "webp", "WebP", N_("Animated WebP"), "WebP (*.webp)|*.webp", "(animated WebP)",
     W::Animation, 1, F::Whole, 1, kMaxWebPSide, L::Plays, true},
    {"apng", AnimatedGif, C::Apng, "apng", "APNG", N_("Animated PNG"), "APNG (*.apng)|*.apng", "", W::Animation, 1,
     F::Whole, 1, kMaxOutputSide, L::Plays, true},
    {"avi", AviMovie, C::Avi, "avi", "AVI", N_("AVI Movie"), "AVI (*.avi)|*.avi", "", W::Movie, 2, F::CropFour, 4,
     kMaxOutputSide, L::None, true},
    {"mp4", AviMovie, C::Mp4, "mp4", "MP4", N_("MP4 Movie"), "MP4 (*.mp4)|*.mp4", "", W::Movie, 2, F::Even, 2,
     kMaxOutputSide, L::None, true},
    {"webm", AviMovie, C::WebM, "webm", "WebM", N_("WebM Movie"), "WebM (*.webm)|*.webm", "", W::Movie, 2, F::Even, 2,
     kMaxOutputSide, L::None, true},
    {"swf", FlashMovie, C::Avi, "swf", "SWF", N_("Flash Movie"), "FLASH (*.swf)|*.swf", "", W::Swf, 2, F::Whole, 1,
     kMaxOutputSide, L::OnceOrEndless, true},
    {"html", HtmlPage, C::Avi, "html", "HTML", N_("Html Page"), "HTML (*.html)|*.html", "", W::SwfPage, 2, F::Whole, 1,
     kMaxOutputSide, L::OnceOrEndless, true},
    {"sequence", ImageSequence, C::Avi, nullptr, "", N_("JPG Pictrue"), kPictureFilters, "", W::Sequence, 1, F::Whole,
     1, kMaxOutputSide, L::None, false},
    {"frame", SingleFrame, C::Avi, nullptr, "", "", kPictureFilters, "", W::Single, 1, F::Whole, 1, kMaxOutputSide,
     L::None, false},
};

// Filled on first use, so that callers during start-up find it complete.
const std::vector<OutputFormatRow>& Rows() {
  static const std::vector<OutputFormatRow> rows(std::begin(kRowTable), std::end(kRowTable));
  return rows;
}

const OutputFormatRow* FirstRowOf(int nFormat) {
  for (const OutputFormatRow& row : Rows())
    if (row.nFormat == nFormat) return &row;
  return nullptr;
}

// Any code without rows writes a picture sequence.
const OutputFormatRow& RowOrSequence(const OutputFormatRow* pRow) {
  return pRow ? *pRow : *FirstRowOf(ImageSequence);
}

}  // namespace

const std::vector<OutputFormatRow>& OutputFormatRows() { return Rows(); }

const OutputFormatRow& OutputFormatFor(int nFormat, const std::string& szPath) {
  const std::string ext = PathExtension(szPath);
  for (const OutputFormatRow& row : Rows())
    if (row.nFormat == nFormat && row.szExtension && ext == row.szExtension) return row;
  return RowOrSequence(FirstRowOf(nFormat));
}

const OutputFormatRow& OutputFormatFor(int nFormat, MovieContainer container) {
  for (const OutputFormatRow& row : Rows())
    if (row.nFormat == nFormat && row.container == container) return row;
  return RowOrSequence(FirstRowOf(nFormat));
}

const OutputFormatRow* OutputFormatForWord(const std::string& szWord) {
  for (const OutputFormatRow& row : Rows())
    if (szWord == row.szWord) return &row;
  return nullptr;
}

const OutputFormatRow* OutputFormatForExtension(const std::string& szExtension) {
  for (const OutputFormatRow& row : Rows())
    if (row.szExtension && szExtension == row.szExtension) return &row;
  return nullptr;
}

std::vector<std::string> OutputShortNames(OutputWriterKind writer) {
  std::vector<std::string> names;
  for (const OutputFormatRow& row : Rows())
    if (row.writer == writer) names.push_back(row.szShortName);
  return names;
}

std::vector<std::string> OutputExtensions() {
  std::vector<std::string> exts;
  for (const OutputFormatRow& row : Rows())
    if (row.szExtension) exts.push_back(std::string(".") + row.szExtension);
  return exts;
}

std::string JoinedList(const std::vector<std::string>& items, const std::string& szLast) {
  std::string s;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) s += i + 1 == items.size() ? szLast : ", ";
    s += items[i];
  }
  return s;
}
