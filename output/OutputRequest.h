// The one way from a project to an output run, and the one check of a run request. The
// command-line tool, the output dialog, the run itself and the tests all go through these, so
// a rule about N, sizes or paths is written once.
#pragma once

#include <string>

#include "core/MorphProject.h"
#include "output/OutputRun.h"

// A run of the project's animation: its pictures, morph type, N, output size and current
// frame (the frame a SingleFrame run renders), to `szOutputPath` in `nFormat`. The request
// points into `triangles` (from ProjectTriangles) and the project's pictures, which must
// outlive it.
OutputRunRequest MakeOutputRunRequest(const MorphProject& project, const MorphTriangles& triangles,
                                      int nFormat, const std::string& szOutputPath);

// The container a run of nFormat to the path writes: for AviMovie AVI, MP4 or WebM, for
// AnimatedGif an animated WebP or APNG (Avi: the GIF), by the path's extension.
MovieContainer RunContainerFor(int nFormat, const std::string& szOutputPath);

// Ok when the run can start; otherwise the message to show. Checks both pictures, the
// triangles, N, the output size, a SingleFrame run's frame, the output path, that its
// folder can take files (AVI movies report their own file errors) and that no file the run
// writes is one of the request's inputs. Nothing is written.
Result CheckOutputRunRequest(const OutputRunRequest& request);
// Every file a run of the request may write: the output, a sequence's frames, an HTML page's
// movie, a movie's name with its container's extension added.
std::vector<std::string> OutputRunFiles(const OutputRunRequest& request);
