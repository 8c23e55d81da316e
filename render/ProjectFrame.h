// Frames of the open project: what the off-screen renderer needs, taken from the project's
// pictures, mesh and animation settings.
#pragma once

#include "core/MorphProject.h"
#include "render/OffscreenRenderer.h"

// The project's triangles with the image2 position of every key point.
MorphTriangles ProjectTriangles(const MorphProject& project);

// Frame k of the project at its output size, morph type and frame count. The request
// points into `triangles` (from ProjectTriangles) and into the project's pictures, which
// must outlive it.
MorphFrameRequest MakeProjectFrameRequest(const MorphProject& project,
                                          const MorphTriangles& triangles, int nFrame);
