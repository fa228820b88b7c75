#pragma once

#include <cstdint>
#include <map>
#include <string>

class IZRPos;

/// Levels keyed by position: the audio volume keys of one object. Each key is a position's
/// timecode text with a level in decibels; keys are ordered by the case-insensitive hash of the
/// text (the engine's string hash), so iteration follows that order, not time. Adding a key
/// never replaces one with the same text. The text's fields are kept so that a key reads back
/// as the position it was made from, at the engine-wide default frame rate.
/// Not thread-safe: its object's users guard it.
class ZRPosKeyMap {
public:
    struct Key {
        std::string text;
        int hours = 0;
        int minutes = 0;
        int seconds = 0;
        int frames = 0;
        double level = 0.0;
    };

    bool isEmpty() const { return m_keys.empty(); }
    int32_t count() const { return static_cast<int32_t>(m_keys.size()); }
    /// Adds a key at the position's text.
    void insert(const IZRPos* position, double level);
    /// Removes the first key (in iteration order) whose text equals the position's text.
    bool remove(const IZRPos* position);
    void clear() { m_keys.clear(); }
    /// The first key (in iteration order) at the position's text, or null.
    const Key* find(const IZRPos* position) const;
    /// The index-th key in iteration order, or null past the end.
    const Key* at(int32_t index) const;
    /// The level in dB at `position`: a key's own level at its text; otherwise the linear
    /// interpolation in frames between the nearest keys before and after, standing in
    /// (zero, 0 dB) and (`end`, 0 dB) for a missing neighbour. 0.0 without keys.
    double levelAt(const IZRPos* position, const IZRPos* end) const;

private:
    template <class Map> static auto locate(Map& keys, const IZRPos* position);

    std::multimap<uint32_t, Key> m_keys;
};
