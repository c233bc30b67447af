#include "engine/core/link_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> Values(const ListNode& head) {
  std::vector<int> out;
  for (const ListNode* n = head.next; n->next != nullptr; n = n->next) out.push_back(n->value);
  return out;
}

TEST(LinkList, InsertBehindHeadPutsNewestFirstAndUnlinkJoinsNeighbours) {
  ListNode head, tail, a, b;
  InitLinkList(&head, &tail);
  EXPECT_EQ(head.next, &tail);
  EXPECT_EQ(tail.previous, &head);
  EXPECT_EQ(head.value, -1);
  EXPECT_EQ(tail.data, nullptr);

  int objA = 0, objB = 0;
  LinkListInsert(&head, &a, 1, &objA);
  LinkListInsert(&head, &b, 2, &objB);
  EXPECT_EQ(Values(head), (std::vector<int>{2, 1}));
  EXPECT_EQ(b.data, &objB);

  LinkListUnlink(&b);
  EXPECT_EQ(Values(head), (std::vector<int>{1}));
  EXPECT_EQ(a.previous, &head);
  EXPECT_EQ(b.next, &a);  // the unlinked node keeps its own links

  LinkListUnlink(&a);
  EXPECT_EQ(head.next, &tail);
  EXPECT_EQ(tail.previous, &head);
}

}  // namespace
