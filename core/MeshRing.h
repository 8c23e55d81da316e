// The mesh's records (vertices, edges, faces) sit on circular, doubly linked lists reached
// through a head pointer. These are the walks and the two link operations on such a list,
// so that no caller writes the loop by hand.
#pragma once

#include <cstddef>
#include <iterator>

// Every record of a ring once, from its head onwards; an empty (null) head gives none.
// The body must not unlink records: use MeshRingSafe for that.
//   for (MeshVertex* v : MeshRing(head)) ...
template <class T>
class MeshRing {
 public:
  class iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = T*;
    using difference_type = std::ptrdiff_t;
    using pointer = T**;
    using reference = T*;
    iterator() = default;
    iterator(T* cur, T* head) : m_cur(cur), m_head(head) {}
    T* operator*() const { return m_cur; }
    iterator& operator++() {
      m_cur = m_cur->next;
      if (m_cur == m_head) m_cur = nullptr;
      return *this;
    }
    bool operator==(const iterator& o) const { return m_cur == o.m_cur; }
    bool operator!=(const iterator& o) const { return m_cur != o.m_cur; }

   private:
    T* m_cur = nullptr;
    T* m_head = nullptr;
  };

  explicit MeshRing(T* head) : m_head(head) {}
  iterator begin() const { return iterator(m_head, m_head); }
  iterator end() const { return iterator(); }

 private:
  T* m_head;
};

// A walk whose body may unlink the current record or move the head: each record's
// successor is read before the body runs, and the walk stops when it comes back to the
// head as it is then, or when the list has become empty. It starts at the head, or at
// `start` (a record of the ring) when one is given; the first record is always visited.
template <class T>
class MeshRingSafe {
 public:
  class iterator {
   public:
    iterator() = default;
    iterator(T* cur, T* const* head) : m_cur(cur), m_next(cur ? cur->next : nullptr), m_head(head) {}
    T* operator*() const { return m_cur; }
    iterator& operator++() {
      m_cur = m_next;
      if (!*m_head || m_cur == *m_head) {
        m_cur = nullptr;
      } else {
        m_next = m_cur->next;
      }
      return *this;
    }
    bool operator!=(const iterator& o) const { return m_cur != o.m_cur; }

   private:
    T* m_cur = nullptr;
    T* m_next = nullptr;
    T* const* m_head = nullptr;
  };

  explicit MeshRingSafe(T* const& head) : m_head(&head), m_start(head) {}
  MeshRingSafe(T* const& head, T* start) : m_head(&head), m_start(head ? start : nullptr) {}
  iterator begin() const { return iterator(m_start, m_head); }
  iterator end() const { return iterator(); }

 private:
  T* const* m_head;
  T* m_start;
};

// Records counted once around the ring.
template <class T>
int MeshRingCount(const T* head) {
  int n = 0;
  for (const T* p : MeshRing<const T>(head)) {
    (void)p;
    ++n;
  }
  return n;
}

// Links p just before the head (at the tail); an empty ring gets p as its head.
template <class T>
void MeshRingLink(T*& head, T* p) {
  if (head) {
    p->next = head;
    p->prev = head->prev;
    head->prev = p;
    p->prev->next = p;
  } else {
    head = p;
    p->next = p->prev = p;
  }
}

// Unlinks p; a head that is removed passes to its successor (or null). The record's own
// links keep pointing at its former neighbours, so a walk that had already stepped onto it
// still reaches the rest of the ring.
template <class T>
void MeshRingUnlink(T*& head, T* p) {
  if (!head) return;
  if (head == head->next)
    head = nullptr;
  else if (p == head)
    head = head->next;
  p->next->prev = p->prev;
  p->prev->next = p->next;
}

// Unlinks every record for which doomed(record) holds, keeping the order of the rest.
template <class T, class Pred>
void MeshRingUnlinkIf(T*& head, Pred doomed) {
  while (head && doomed(head)) MeshRingUnlink(head, head);
  if (!head) return;
  for (T* p : MeshRingSafe<T>(head, head->next))
    if (doomed(p)) MeshRingUnlink(head, p);
}
