// The desktop program's entry point.
#include "app/wx/MorphApp.h"

wxIMPLEMENT_APP(CMorphApp);
