// The container's codecs and the one table of picture formats that every caller walks: type
// code, name, extensions, signature, reader and writer. Decoders fill the picture through its
// public interface; encoders write to an open file. Both report through Result, whose text is
// what the picture's last error shows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "base/DecodeBudget.h"
#include "base/Result.h"
#include "image/Picture.h"

using PictureDecoder = Result (*)(CPicture& pic, const uint8_t* data, size_t size);
using PictureEncoder = Result (*)(const CPicture& pic, FILE* fp);
// True when the bytes start with the format's signature.
using PictureSniffer = bool (*)(const uint8_t* data, size_t size);

struct PictureCodec {
  int nType;
  const char* szName;
  const char* aszExtensions[3];  // lower case, unused entries null
  // Null for a format without a signature (TGA, WBMP): detection still tries its reader, but
  // its refusal only means "not this format".
  PictureSniffer pfnSniff;
  PictureDecoder pfnDecode;  // null: not read
  PictureEncoder pfnEncode;  // null: not written
};

// Every format with a type code, in the order detection tries them.
extern const std::array<PictureCodec, 15> kPictureCodecs;
// The row of a type code; null when none has it.
const PictureCodec* FindPictureCodec(int type);

// The last error of a picture (what Create or AlphaCreate left) as a failure.
inline Result FailureOf(const CPicture& pic) { return Result::Fail(pic.GetLastErrorKind(), pic.GetLastError()); }

// Signatures, for detection (each reader checks its own the same way).
bool SniffBmp(const uint8_t* data, size_t size);
bool SniffGif(const uint8_t* data, size_t size);
bool SniffJpeg(const uint8_t* data, size_t size);
bool SniffPng(const uint8_t* data, size_t size);
bool SniffIco(const uint8_t* data, size_t size);
bool SniffTiff(const uint8_t* data, size_t size);
bool SniffPcx(const uint8_t* data, size_t size);
bool SniffJp2(const uint8_t* data, size_t size);  // JPEG 2000 file
bool SniffJpc(const uint8_t* data, size_t size);  // JPEG 2000 code stream
bool SniffPgx(const uint8_t* data, size_t size);
bool SniffPnm(const uint8_t* data, size_t size);
bool SniffRas(const uint8_t* data, size_t size);

Result DecodeBmp(CPicture& pic, const uint8_t* data, size_t size);
Result DecodeGif(CPicture& pic, const uint8_t* data, size_t size);
Result DecodeJpeg(CPicture& pic, const uint8_t* data, size_t size);
Result DecodePng(CPicture& pic, const uint8_t* data, size_t size);
Result DecodeIco(CPicture& pic, const uint8_t* data, size_t size);
Result DecodeTiff(CPicture& pic, const uint8_t* data, size_t size);
Result DecodeTga(CPicture& pic, const uint8_t* data, size_t size);
Result DecodePcx(CPicture& pic, const uint8_t* data, size_t size);
Result DecodeWbmp(CPicture& pic, const uint8_t* data, size_t size);
// JPEG 2000 file or code stream through OpenJPEG (codes 11, 12), told apart by the content.
Result DecodeJpeg2000(CPicture& pic, const uint8_t* data, size_t size);
Result DecodePgx(CPicture& pic, const uint8_t* data, size_t size);
Result DecodePnm(CPicture& pic, const uint8_t* data, size_t size);
Result DecodeRas(CPicture& pic, const uint8_t* data, size_t size);

Result EncodeBmp(const CPicture& pic, FILE* fp);
Result EncodeGif(const CPicture& pic, FILE* fp);
Result EncodeJpeg(const CPicture& pic, FILE* fp);
Result EncodePng(const CPicture& pic, FILE* fp);
Result EncodeTiff(const CPicture& pic, FILE* fp);
Result EncodeTga(const CPicture& pic, FILE* fp);
Result EncodePcx(const CPicture& pic, FILE* fp);
