#include "ui/wx/DesktopInfo.h"

#include <wx/utils.h>

// Last: the X11 headers define names (None, Success) that other headers use.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

bool DesktopHasWindowManager() {
  Display* display = wxGetX11Display();
  if (!display) return true;  // not X11: the compositor manages every window
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const int rc = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type,
                                    &format, &count, &after, &data);
  const bool found = rc == Success && type == XA_WINDOW && count == 1;
  if (data) XFree(data);
  return found;
}
