// Which key-point pairs the automatic command placed and the user has not touched yet: their
// markers are drawn in a colour of their own. Pair numbers follow deletions.
#pragma once

#include <vector>

namespace editor {

class ProposalMarks {
 public:
  // Pairs first .. first + count - 1 are proposals (earlier marks stay).
  void Mark(int first, int count);
  // The user moved the pair: it is theirs now.
  void Touched(int vnum);
  // Pair vnum was deleted: the pairs after it move down by one.
  void Deleted(int vnum);
  void Clear() { m_marked.clear(); }

  bool IsMarked(int vnum) const;
  bool IsEmpty() const;

 private:
  std::vector<bool> m_marked;  // by pair number
};

}  // namespace editor
