#include "render/ProjectFrame.h"

MorphTriangles ProjectTriangles(const MorphProject& project) {
  return project.m_mesh.GetMorphTriangles();
}

MorphFrameRequest MakeProjectFrameRequest(const MorphProject& project,
                                          const MorphTriangles& triangles, int nFrame) {
  MorphFrameRequest request;
  request.pImage1 = project.m_pImage1.get();
  request.pImage2 = project.m_pImage2.get();
  request.pTriangles = &triangles;
  request.nMorphType = project.m_nMorphType;
  request.nCurFrame = nFrame;
  request.nFrameCount = project.m_nFrameCount;
  request.nOutputWidth = project.m_nOutputWidth;
  request.nOutputHeight = project.m_nOutputHeight;
  return request;
}
