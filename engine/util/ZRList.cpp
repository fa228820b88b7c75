#include "engine/util/ZRList.h"

#include <algorithm>
#include <cstdlib>
#include <functional>

ZRList::~ZRList() {
    clear();
    for (ZRListIterator* it : m_iterators) {
        it->m_list = nullptr;
        it->m_node = nullptr;
    }
}

void ZRList::deleteItem(void*) {
    // A list of plain pointers cannot know how to free its items; typed owners override this.
}

void ZRList::clear() {
    while (m_first) {
        Node* node = m_first;
        unlink(node);
        if (m_autoDelete) deleteItem(node->item);
        delete node;
    }
}

void ZRList::append(void* item) {
    insertAt(m_count, item);
}

bool ZRList::insertAt(uint32_t index, void* item) {
    if (index > m_count) return false;
    Node* after = index == m_count ? nullptr : nodeAt(index);
    Node* node = new Node{after ? after->prev : m_last, after, newItem(item)};
    (node->prev ? node->prev->next : m_first) = node;
    (after ? after->prev : m_last) = node;
    ++m_count;
    m_current = node;
    m_currentIndex = static_cast<int>(index);
    return true;
}

// Walks from the nearest of the first node, the last node and the current node.
ZRList::Node* ZRList::nodeAt(uint32_t index) {
    if (index >= m_count) return nullptr;
    Node* node = m_first;
    int64_t at = 0;
    const int64_t target = index;
    int64_t best = target;
    if (m_count - 1 - target < best) {
        best = m_count - 1 - target;
        node = m_last;
        at = m_count - 1;
    }
    if (m_current && std::abs(target - m_currentIndex) < best) {
        node = m_current;
        at = m_currentIndex;
    }
    while (at < target) {
        node = node->next;
        ++at;
    }
    while (at > target) {
        node = node->prev;
        --at;
    }
    m_current = node;
    m_currentIndex = static_cast<int>(index);
    return node;
}

void ZRList::unlink(Node* node) {
    for (ZRListIterator* it : m_iterators) {
        if (it->m_node == node) it->m_node = nullptr;
    }
    if (node == m_current) {
        // The successor becomes current (the predecessor at the end); indexes stay right.
        m_current = node->next ? node->next : node->prev;
        if (!node->next) --m_currentIndex;
    } else if (m_current && m_currentIndex >= 0) {
        // An earlier node leaving shifts the current index down.
        for (Node* n = node->next; n; n = n->next) {
            if (n == m_current) {
                --m_currentIndex;
                break;
            }
        }
    }
    (node->prev ? node->prev->next : m_first) = node->next;
    (node->next ? node->next->prev : m_last) = node->prev;
    --m_count;
    if (!m_current) m_currentIndex = -1;
}

bool ZRList::removeAt(uint32_t index) {
    Node* node = nodeAt(index);
    if (!node) return false;
    unlink(node);
    if (m_autoDelete) deleteItem(node->item);
    delete node;
    return true;
}

bool ZRList::remove(void* item) {
    const int index = find(item);
    return index >= 0 && removeAt(static_cast<uint32_t>(index));
}

void* ZRList::takeFirst() {
    if (!m_first) return nullptr;
    Node* node = m_first;
    void* item = node->item;
    unlink(node);
    delete node;
    return item;
}

int ZRList::find(void* item) {
    int index = 0;
    for (Node* n = m_first; n; n = n->next, ++index) {
        if (n->item == item) {
            m_current = n;
            m_currentIndex = index;
            return index;
        }
    }
    return -1;
}

int ZRList::findNext(void* item) {
    if (!m_current) return -1;
    int index = m_currentIndex + 1;
    for (Node* n = m_current->next; n; n = n->next, ++index) {
        if (n->item == item) {
            m_current = n;
            m_currentIndex = index;
            return index;
        }
    }
    return -1;
}

uint32_t ZRList::contains(void* item) const {
    uint32_t n = 0;
    for (Node* node = m_first; node; node = node->next)
        n += node->item == item;
    return n;
}

bool ZRList::has(const void* item) const {
    for (Node* node = m_first; node; node = node->next)
        if (node->item == item) return true;
    return false;
}

int ZRList::compareItems(void* a, void* b) const {
    const auto x = reinterpret_cast<uintptr_t>(a);
    const auto y = reinterpret_cast<uintptr_t>(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

void ZRList::inSort(void* item) {
    uint32_t index = 0;
    for (Node* n = m_first; n; n = n->next, ++index) {
        if (compareItems(n->item, item) >= 0) break;
    }
    insertAt(index, item);
}

// Heapsort over the nodes; the nodes stay in place and exchange their items.
void ZRList::sort() {
    if (m_count < 2) return;
    std::vector<Node*> nodes;
    nodes.reserve(m_count);
    for (Node* n = m_first; n; n = n->next)
        nodes.push_back(n);
    auto less = [this](Node* a, Node* b) { return compareItems(a->item, b->item) < 0; };
    std::vector<void*> items;
    items.reserve(m_count);
    std::make_heap(nodes.begin(), nodes.end(), less);
    std::sort_heap(nodes.begin(), nodes.end(), less);
    for (Node* n : nodes)
        items.push_back(n->item);
    size_t i = 0;
    for (Node* n = m_first; n; n = n->next)
        n->item = items[i++];
}

void* ZRList::at(uint32_t index) {
    Node* node = nodeAt(index);
    return node ? node->item : nullptr;
}

void* ZRList::first() {
    m_current = m_first;
    m_currentIndex = m_first ? 0 : -1;
    return current();
}

void* ZRList::last() {
    m_current = m_last;
    m_currentIndex = m_last ? static_cast<int>(m_count) - 1 : -1;
    return current();
}

void* ZRList::next() {
    if (!m_current) return nullptr;
    m_current = m_current->next;
    m_currentIndex = m_current ? m_currentIndex + 1 : -1;
    return current();
}

void* ZRList::prev() {
    if (!m_current) return nullptr;
    m_current = m_current->prev;
    m_currentIndex = m_current ? m_currentIndex - 1 : -1;
    return current();
}

ZRListIterator::ZRListIterator(ZRList& list) : m_list(&list), m_node(list.m_first) {
    list.m_iterators.push_back(this);
}

ZRListIterator::~ZRListIterator() {
    if (m_list) std::erase(m_list->m_iterators, this);
}

void* ZRListIterator::toFirst() {
    m_node = m_list ? m_list->m_first : nullptr;
    return current();
}

void* ZRListIterator::next() {
    if (m_node) m_node = m_node->next;
    return current();
}

void* ZRListIterator::current() const {
    return m_node ? m_node->item : nullptr;
}
