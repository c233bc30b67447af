#include "engine/core/link_list.h"

int InitLinkList(ListNode* head, ListNode* tail) {
  *head = {-1, nullptr, nullptr, tail};
  *tail = {-1, nullptr, head, nullptr};
  return 0;
}

int LinkListInsert(ListNode* after, ListNode* node, int value, void* data) {
  node->value = value;
  node->data = data;
  node->previous = after;
  node->next = after->next;
  if (after->next != nullptr) after->next->previous = node;
  after->next = node;
  return 0;
}

int LinkListUnlink(ListNode* node) {
  if (node->previous != nullptr) node->previous->next = node->next;
  if (node->next != nullptr) node->next->previous = node->previous;
  return 0;
}
