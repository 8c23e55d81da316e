#include "app/OutputSizeCommands.h"

namespace {

enum SizeAction { Image1, Image2, Average, DvdNtsc, DvdPal, VcdNtsc, VcdPal, Custom, Unknown };

SizeAction ActionOf(int id) {
  switch (id) {
    case 32790: case 32944: case 9106: return Image1;
    case 32791: case 32937: case 9107: return Image2;
    case 32792: case 32938: case 9108: return Average;
    case 32793: case 32939: case 9103: return DvdNtsc;
    case 32794: case 32940: case 9104: return DvdPal;
    case 32795: case 32941: case 9105: return VcdNtsc;
    case 4001: case 32942: case 9109: return VcdPal;
    case 4002: case 32943: case 9110: return Custom;
    default: return Unknown;
  }
}

OutputSizeCommand Fixed(int w, int h) {
  if (w <= 0 || h <= 0) return {};
  return {OutputSizeKind::Fixed, w, h};
}

}  // namespace

OutputSizeCommand ResolveOutputSizeCommand(int nCommand, int W1, int H1, int W2, int H2) {
  switch (ActionOf(nCommand)) {
    case Image1: return Fixed(W1, H1);
    case Image2: return Fixed(W2, H2);
    case Average:
      if (W1 <= 0 || W2 <= 0) return {};
      return Fixed((W1 + W2) >> 1, (H1 + H2) >> 1);
    case DvdNtsc: return Fixed(720, 480);
    case DvdPal: return Fixed(720, 576);
    case VcdNtsc: return Fixed(352, 240);  // the size the item names
    case VcdPal: return Fixed(352, 288);
    case Custom: return {OutputSizeKind::Custom, 0, 0};
    default: return {};
  }
}
