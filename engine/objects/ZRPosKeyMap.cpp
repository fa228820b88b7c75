#include "engine/objects/ZRPosKeyMap.h"

#include "engine/api/IZRPos.h"
#include "engine/base/ZRPos.h"
#include "engine/util/ZRStringMap.h"

#include <QByteArray>

#include <cstdio>

namespace {

// The position's timecode text, as `IZRPos::toText` writes it.
std::string timecode(const IZRPos* p) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2i:%.2i:%.2i.%.2i", p->hours(), p->minutes(), p->seconds(),
                  p->frames());
    return text;
}

double keyFrames(const ZRPosKeyMap::Key& key) {
    return (key.hours * 3600.0 + key.minutes * 60.0 + key.seconds) * ZRPos::defaultFrameRate() +
           key.frames;
}

} // namespace

template <class Map> auto ZRPosKeyMap::locate(Map& keys, const IZRPos* position) {
    const std::string text = timecode(position);
    auto [it, end] = keys.equal_range(zrStringHash(text, false));
    while (it != end && qstricmp(it->second.text.c_str(), text.c_str()) != 0)
        ++it;
    return it == end ? keys.end() : it;
}

void ZRPosKeyMap::insert(const IZRPos* position, double level) {
    Key key{timecode(position),  position->hours(),  position->minutes(),
            position->seconds(), position->frames(), level};
    const uint32_t hash = zrStringHash(key.text, false);
    m_keys.emplace(hash, std::move(key));
}

bool ZRPosKeyMap::remove(const IZRPos* position) {
    auto it = locate(m_keys, position);
    if (it == m_keys.end()) return false;
    m_keys.erase(it);
    return true;
}

const ZRPosKeyMap::Key* ZRPosKeyMap::find(const IZRPos* position) const {
    auto it = locate(m_keys, position);
    return it == m_keys.end() ? nullptr : &it->second;
}

const ZRPosKeyMap::Key* ZRPosKeyMap::at(int32_t index) const {
    if (index < 0 || index >= count()) return nullptr;
    auto it = m_keys.begin();
    std::advance(it, index);
    return &it->second;
}

double ZRPosKeyMap::levelAt(const IZRPos* position, const IZRPos* end) const {
    if (m_keys.empty()) return 0.0;
    if (const Key* key = find(position)) return key->level;
    const double f = position->toFrames();
    double f1 = 0.0, level1 = 0.0;
    double f2 = end->toFrames(), level2 = 0.0;
    bool haveBefore = false, haveAfter = false;
    for (const auto& entry : m_keys) {
        const Key& key = entry.second;
        const double k = keyFrames(key);
        if (k < f && (!haveBefore || k > f1)) {
            f1 = k;
            level1 = key.level;
            haveBefore = true;
        } else if (k > f && (!haveAfter || k < f2)) {
            f2 = k;
            level2 = key.level;
            haveAfter = true;
        }
    }
    // Past the object's end (or past a key beyond it) there is nothing to move towards: hold
    // the level reached rather than extrapolate.
    if (f2 <= f1) return level1;
    const double t = (f - f1) / (f2 - f1);
    return level1 + (level2 - level1) * (t > 1.0 ? 1.0 : t);
}
