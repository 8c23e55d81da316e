// The ring walks that every mesh list uses: once around from the head, and the walk whose
// body unlinks records or moves the head.
#include <gtest/gtest.h>

#include <vector>

#include "core/MeshRing.h"

namespace {

struct Node {
  int id = 0;
  Node* next = nullptr;
  Node* prev = nullptr;
};

struct Ring {
  explicit Ring(int n) : nodes(static_cast<size_t>(n)) {
    for (int i = 0; i < n; ++i) {
      nodes[static_cast<size_t>(i)].id = i;
      MeshRingLink(head, &nodes[static_cast<size_t>(i)]);
    }
  }
  std::vector<int> Ids() const {
    std::vector<int> ids;
    for (const Node* p : MeshRing<Node>(head)) ids.push_back(p->id);
    return ids;
  }
  std::vector<Node> nodes;
  Node* head = nullptr;
};

}  // namespace

TEST(MeshRing, WalksOnceAroundInLinkOrderAndCounts) {
  EXPECT_EQ(Ring(0).Ids(), std::vector<int>{});
  EXPECT_EQ(MeshRingCount<Node>(nullptr), 0);
  EXPECT_EQ(Ring(1).Ids(), std::vector<int>{0});
  Ring r(4);
  EXPECT_EQ(r.Ids(), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(MeshRingCount(r.head), 4);
  r.head = &r.nodes[2];
  EXPECT_EQ(r.Ids(), (std::vector<int>{2, 3, 0, 1}));
}

TEST(MeshRing, SafeWalkSurvivesUnlinkingTheHeadAndEmptyingTheRing) {
  Ring r(3);
  std::vector<int> visited;
  for (Node* p : MeshRingSafe<Node>(r.head)) {
    visited.push_back(p->id);
    MeshRingUnlink(r.head, p);
  }
  // Unlinking the head moves it on; the walk then stops at the new head, as the hull's
  // loops expect.
  EXPECT_EQ(visited, std::vector<int>{0});
  EXPECT_EQ(r.Ids(), (std::vector<int>{1, 2}));

  Ring s(3);
  visited.clear();
  for (Node* p : MeshRingSafe<Node>(s.head, s.head->next)) {
    visited.push_back(p->id);
    if (p != s.head) MeshRingUnlink(s.head, p);
  }
  EXPECT_EQ(visited, (std::vector<int>{1, 2}));
  EXPECT_EQ(s.Ids(), std::vector<int>{0});
}

TEST(MeshRing, UnlinkIfKeepsTheOrderOfTheRestAndMayEmptyTheRing) {
  Ring r(6);
  MeshRingUnlinkIf(r.head, [](const Node* p) { return p->id % 2 == 0; });
  EXPECT_EQ(r.Ids(), (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(r.head->prev->id, 5);
  MeshRingUnlinkIf(r.head, [](const Node*) { return true; });
  EXPECT_EQ(r.head, nullptr);
  MeshRingUnlinkIf(r.head, [](const Node*) { return true; });
  EXPECT_EQ(r.head, nullptr);
}
