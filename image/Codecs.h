// Internal table of the container's codecs. Decoders fill the picture through its public
// interface and leave their error text in it; encoders write to an open file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "image/Picture.h"

#include "base/DecodeBudget.h"


// Decoders: true and a valid picture, or false with the error text set in `pic`.
bool DecodeBmp(CPicture& pic, const uint8_t* data, size_t size);
bool DecodeGif(CPicture& pic, const uint8_t* data, size_t size);
bool DecodeJpeg(CPicture& pic, const uint8_t* data, size_t size);
bool DecodePng(CPicture& pic, const uint8_t* data, size_t size);
bool DecodeIco(CPicture& pic, const uint8_t* data, size_t size);
bool DecodeTiff(CPicture& pic, const uint8_t* data, size_t size);
bool DecodeTga(CPicture& pic, const uint8_t* data, size_t size);
bool DecodePcx(CPicture& pic, const uint8_t* data, size_t size);
bool DecodeWbmp(CPicture& pic, const uint8_t* data, size_t size);
// JPEG 2000 file / code stream through OpenJPEG (codes 11, 12).
bool DecodeJpeg2000(CPicture& pic, const uint8_t* data, size_t size);
bool DecodePgx(CPicture& pic, const uint8_t* data, size_t size);
bool DecodePnm(CPicture& pic, const uint8_t* data, size_t size);
bool DecodeRas(CPicture& pic, const uint8_t* data, size_t size);

// Encoders: true, or false with the error text in `err`.
bool EncodeBmp(const CPicture& pic, FILE* fp, std::string& err);
bool EncodeGif(const CPicture& pic, FILE* fp, std::string& err);
bool EncodeJpeg(const CPicture& pic, FILE* fp, std::string& err);
bool EncodePng(const CPicture& pic, FILE* fp, std::string& err);
bool EncodeTiff(const CPicture& pic, FILE* fp, std::string& err);
bool EncodeTga(const CPicture& pic, FILE* fp, std::string& err);
bool EncodePcx(const CPicture& pic, FILE* fp, std::string& err);
