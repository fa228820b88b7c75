#pragma once

#include <cstdint>
#include <vector>

class ZRListIterator;

/// The engine's doubly linked list of pointers with a current item and sorting (the timeline's
/// registries). With auto-delete set, `deleteItem` frees items as they leave; a subclass that
/// frees items calls `clear` in its own destructor (the base's cannot reach the override).
/// Not thread-safe: owners guard it with their own lock.
class ZRList {
public:
    ZRList() = default;
    ZRList(const ZRList&) = delete;
    ZRList& operator=(const ZRList&) = delete;
    virtual ~ZRList();

    virtual uint32_t count() const { return m_count; }
    /// Removes every item (deleting them with auto-delete set).
    virtual void clear();
    virtual void append(void* item);
    /// Index of `item` from the start, making it current; -1 when absent.
    virtual int find(void* item);
    /// Index of the next occurrence of `item` after the current one; -1 when none.
    virtual int findNext(void* item);
    /// Number of occurrences of `item`.
    virtual uint32_t contains(void* item) const;
    /// Whether `item` occurs, looking no further than its first occurrence.
    bool has(const void* item) const;
    /// Order used by `inSort` and `sort`: the pointers as unsigned numbers (-1, 0, 1).
    virtual int compareItems(void* a, void* b) const;
    /// Inserts before the first item that compares greater than or equal to `item`.
    virtual void inSort(void* item);
    /// Ascending by `compareItems`; equal items keep no particular order.
    virtual void sort();

    bool insertAt(uint32_t index, void* item);
    /// Removes the first occurrence of `item`; false when absent.
    bool remove(void* item);
    /// Removes the item at `index`; false past the end.
    bool removeAt(uint32_t index);
    /// Takes the first item out without deleting it; null when empty.
    void* takeFirst();
    void* at(uint32_t index);
    void* first();
    void* last();
    void* next();
    void* prev();
    void* current() const { return m_current ? m_current->item : nullptr; }
    int currentIndex() const { return m_currentIndex; }

    void setAutoDelete(bool on) { m_autoDelete = on; }

protected:
    /// What to store for an inserted item: the item itself for pointer lists.
    virtual void* newItem(void* item) { return item; }
    /// Frees an item leaving the list when auto-delete is set.
    virtual void deleteItem(void* item);

private:
    friend class ZRListIterator;
    struct Node {
        Node* prev;
        Node* next;
        void* item;
    };

    Node* nodeAt(uint32_t index);
    void unlink(Node* node);

    bool m_autoDelete = false;
    Node* m_first = nullptr;
    Node* m_last = nullptr;
    Node* m_current = nullptr;
    std::vector<ZRListIterator*> m_iterators;
    uint32_t m_count = 0;
    int m_currentIndex = -1;
};

/// Walks a list without touching its current item; drops its place when that node is removed.
class ZRListIterator {
public:
    explicit ZRListIterator(ZRList& list);
    ~ZRListIterator();
    ZRListIterator(const ZRListIterator&) = delete;
    ZRListIterator& operator=(const ZRListIterator&) = delete;

    void* toFirst();
    void* next();
    void* current() const;

private:
    friend class ZRList;
    ZRList* m_list;
    ZRList::Node* m_node = nullptr;
};

/// A `ZRList` of `T*` (the five registries differ only in their item type).
template <class T> class ZRTypedList : public ZRList {
public:
    void append(T* item) { ZRList::append(item); }
    T* at(uint32_t index) { return static_cast<T*>(ZRList::at(index)); }
    T* first() { return static_cast<T*>(ZRList::first()); }
    T* next() { return static_cast<T*>(ZRList::next()); }
    T* takeFirst() { return static_cast<T*>(ZRList::takeFirst()); }
    bool remove(T* item) { return ZRList::remove(item); }
    uint32_t contains(T* item) const { return ZRList::contains(item); }
    bool has(const T* item) const { return ZRList::has(item); }

private:
    // The untyped virtuals stay overridable but out of reach through a typed list, so an item
    // of another type does not convert to `void*` and slip in.
    using ZRList::append;
    using ZRList::contains;
};
