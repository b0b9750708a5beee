#pragma once

// Intrusive circular doubly linked list. The head is a record with the same
// two links, linked to itself when empty; any record whose first two fields
// are `next` and `prev` of its own type can be linked.
template <typename Node>
inline void listInit(Node* head) {
    head->next = head;
    head->prev = head;
}

template <typename Node>
inline void listInsertTail(Node* node, Node* head) {
    node->next = head;
    node->prev = head->prev;
    head->prev = node;
    node->prev->next = node;
}

template <typename Node>
inline void listRemove(Node* node) {
    node->prev->next = node->next;
    node->next->prev = node->prev;
    node->next = node;
    node->prev = node;
}

template <typename Node>
inline bool listEmpty(const Node* head) {
    return head->next == head;
}
