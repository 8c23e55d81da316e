// A report of the program's windows as the toolkit has them: every top-level window and its
// controls with id, kind, text, screen rectangle and state, written as JSON to a file while
// the program runs. Tools that drive the program from outside (the desktop journeys, screen
// readers' test scripts) find controls and read their texts through it; the program itself
// never reads it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <wx/gdicmn.h>

// Writes the report to `path` whenever the windows changed, at most every `nIntervalMs`.
void StartWindowReport(const std::string& path, int nIntervalMs = 50);
// The report of the windows as they stand now.
std::string WindowReportText();

// A window that paints parts of itself which are no windows of their own (the picture panes
// of one canvas) names them, so that the report can say where they are.
class IReportAreas {
 public:
  virtual ~IReportAreas() = default;
  // Named rectangles in the window's client coordinates; empty ones are left out.
  virtual std::vector<std::pair<std::string, wxRect>> ReportAreas() const = 0;
};
