#pragma once

#include <cstddef>

/// The engine's reference-counted 8-bit string. Copies share one buffer until one of them is
/// assigned to (copy on write). New strings share one engine-wide empty representation.
/// Not thread-safe: a string and its copies belong to one thread at a time.
class ZREngineString {
public:
    ZREngineString();
    ZREngineString(const char* text);
    ZREngineString(const ZREngineString& other);
    ZREngineString& operator=(const ZREngineString& other);
    ZREngineString& operator=(const char* text);
    ~ZREngineString();

    /// Appends one character.
    ZREngineString& append(char c);
    /// Appends a NUL-terminated text (null appends nothing).
    ZREngineString& append(const char* text);
    ZREngineString& append(const ZREngineString& other);
    /// Puts `other` in front of the text.
    ZREngineString& prepend(const ZREngineString& other);

    int length() const;
    bool isEmpty() const { return length() == 0; }
    /// The character at `index`, 0 past the end.
    char at(int index) const;
    const char* c_str() const;
    /// Bytes of the buffer (0 for the shared empty representation).
    int capacity() const { return m_capacity; }

private:
    struct Rep;
    static Rep* sharedEmpty();
    void release();
    void reserve(int needed, bool keepText);

    Rep* m_rep;
    int m_capacity;
};
