// Intrusive doubly linked list with head and tail sentinels. Nodes live inside the objects they describe.
#pragma once

struct ListNode {
  int value;  // the object's handle; -1 in the sentinels
  void* data;
  ListNode* previous;
  ListNode* next;
};

int InitLinkList(ListNode* head, ListNode* tail);
// Links node right behind after, with the given value and data.
int LinkListInsert(ListNode* after, ListNode* node, int value, void* data);
// Joins the node's neighbours; the node's own links are left as they were.
int LinkListUnlink(ListNode* node);
