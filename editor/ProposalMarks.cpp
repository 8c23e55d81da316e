#include "editor/ProposalMarks.h"

#include <algorithm>

namespace editor {

void ProposalMarks::Mark(int first, int count) {
  if (first < 0 || count <= 0) return;
  const size_t end = static_cast<size_t>(first) + static_cast<size_t>(count);
  if (m_marked.size() < end) m_marked.resize(end, false);
  std::fill(m_marked.begin() + first, m_marked.begin() + static_cast<long>(end), true);
}

void ProposalMarks::Touched(int vnum) {
  if (vnum >= 0 && static_cast<size_t>(vnum) < m_marked.size()) m_marked[static_cast<size_t>(vnum)] = false;
}

void ProposalMarks::Deleted(int vnum) {
  if (vnum >= 0 && static_cast<size_t>(vnum) < m_marked.size()) m_marked.erase(m_marked.begin() + vnum);
}

bool ProposalMarks::IsMarked(int vnum) const {
  return vnum >= 0 && static_cast<size_t>(vnum) < m_marked.size() && m_marked[static_cast<size_t>(vnum)];
}

bool ProposalMarks::IsEmpty() const { return std::none_of(m_marked.begin(), m_marked.end(), [](bool b) { return b; }); }

}  // namespace editor
