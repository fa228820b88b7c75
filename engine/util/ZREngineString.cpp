#include "engine/util/ZREngineString.h"

#include <cstring>

namespace {
char emptyText[1] = {0};

// Buffers grow in 256-byte steps.
int roundedCapacity(int bytes) {
    return (bytes / 256 + 1) * 256;
}
} // namespace

struct ZREngineString::Rep {
    int refs = 1;
    char* buffer = emptyText;
    int length = 0;

    virtual ~Rep() {
        if (buffer != emptyText) delete[] buffer;
    }
};

// Never counted down, never destroyed.
ZREngineString::Rep* ZREngineString::sharedEmpty() {
    static Rep* empty = new Rep;
    return empty;
}

ZREngineString::ZREngineString() : m_rep(sharedEmpty()), m_capacity(0) {}

ZREngineString::ZREngineString(const char* text) : ZREngineString() {
    *this = text;
}

ZREngineString::ZREngineString(const ZREngineString& other)
    : m_rep(other.m_rep), m_capacity(other.m_capacity) {
    if (m_rep != sharedEmpty()) ++m_rep->refs;
}

ZREngineString& ZREngineString::operator=(const ZREngineString& other) {
    if (other.m_rep == m_rep) return *this;
    release();
    m_rep = other.m_rep;
    m_capacity = other.m_capacity;
    if (m_rep != sharedEmpty()) ++m_rep->refs;
    return *this;
}

ZREngineString::~ZREngineString() {
    release();
}

void ZREngineString::release() {
    if (m_rep != sharedEmpty() && --m_rep->refs == 0) delete m_rep;
    m_rep = sharedEmpty();
    m_capacity = 0;
}

// Makes the buffer hold at least `needed` bytes and belong to this handle alone.
void ZREngineString::reserve(int needed, bool keepText) {
    const bool shared = m_rep == sharedEmpty() || m_rep->refs > 1;
    if (needed <= m_capacity && !shared) return;
    const int capacity = needed <= m_capacity ? m_capacity : roundedCapacity(needed);
    Rep* rep = new Rep;
    rep->buffer = new char[capacity];
    rep->buffer[0] = 0;
    if (keepText) {
        std::memcpy(rep->buffer, m_rep->buffer, m_rep->length + 1);
        rep->length = m_rep->length;
    }
    release();
    m_rep = rep;
    m_capacity = capacity;
}

ZREngineString& ZREngineString::operator=(const char* text) {
    if (!text) return *this;
    const int n = static_cast<int>(std::strlen(text));
    if (text >= m_rep->buffer && text <= m_rep->buffer + m_rep->length) {
        // Assigning a piece of our own text: copy it out before the buffer may change.
        ZREngineString copy;
        copy.reserve(n + 1, false);
        std::memcpy(copy.m_rep->buffer, text, n + 1);
        copy.m_rep->length = n;
        return *this = copy;
    }
    reserve(n + 1, false);
    std::memcpy(m_rep->buffer, text, n + 1);
    m_rep->length = n;
    return *this;
}

ZREngineString& ZREngineString::append(char c) {
    const int n = m_rep->length;
    reserve(n + 2, true);
    m_rep->buffer[n] = c;
    m_rep->buffer[n + 1] = 0;
    m_rep->length = n + 1;
    return *this;
}

ZREngineString& ZREngineString::append(const char* text) {
    if (!text || !*text) return *this;
    const ZREngineString keep(*this); // keeps `text` alive when it points into our buffer
    const int add = static_cast<int>(std::strlen(text));
    const int n = m_rep->length;
    reserve(n + add + 1, true);
    std::memcpy(m_rep->buffer + n, text, add + 1);
    m_rep->length = n + add;
    return *this;
}

ZREngineString& ZREngineString::append(const ZREngineString& other) {
    const ZREngineString keep(other);
    return append(keep.c_str());
}

ZREngineString& ZREngineString::prepend(const ZREngineString& other) {
    ZREngineString result(other);
    result.append(*this);
    return *this = result;
}

int ZREngineString::length() const {
    return m_rep->length;
}

char ZREngineString::at(int index) const {
    return index >= 0 && index < m_rep->length ? m_rep->buffer[index] : 0;
}

const char* ZREngineString::c_str() const {
    return m_rep->buffer;
}
