#include "engine/base/ZRPos.h"

#include <atomic>
#include <climits>
#include <cmath>
#include <cstdio>

namespace {

std::atomic<double> g_defaultFrameRate{30.0};

// Truncates towards zero and saturates at the ends of int instead of overflowing.
int saturatingInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= double(INT_MAX)) return INT_MAX;
    if (value <= double(INT_MIN)) return INT_MIN;
    return static_cast<int>(value);
}

int saturatingAdd(int a, long long b) {
    const long long sum = a + b;
    return sum > INT_MAX ? INT_MAX : (sum < INT_MIN ? INT_MIN : int(sum));
}

// Reads an optionally signed decimal number; false when no digit follows.
bool readDecimal(const char*& p, int& out) {
    const char* s = p;
    bool negative = false;
    if (*s == '+' || *s == '-') negative = *s++ == '-';
    if (*s < '0' || *s > '9') return false;
    long long value = 0;
    while (*s >= '0' && *s <= '9') {
        if (value < INT_MAX) value = value * 10 + (*s - '0');
        ++s;
    }
    if (value > INT_MAX) value = INT_MAX;
    out = negative ? -int(value) : int(value);
    p = s;
    return true;
}

} // namespace

double ZRPos::defaultFrameRate() {
    return g_defaultFrameRate.load();
}
void ZRPos::setDefaultFrameRate(double rate) {
    g_defaultFrameRate.store(rate);
}

ZRPos::ZRPos() : m_rate(defaultFrameRate()) {}

ZRPos::ZRPos(int hours, int minutes, int seconds, int frames, double rate) : m_rate(rate) {
    set(hours, minutes, seconds, frames, rate);
}

void ZRPos::normalise() {
    if (m_rate == 0) return;
    if (m_frames >= m_rate) {
        const double whole = std::trunc(m_frames / m_rate);
        m_frames = saturatingInt(m_frames - whole * m_rate + 0.5);
        m_seconds = saturatingAdd(m_seconds, saturatingInt(whole));
    }
    if (m_seconds > 59) {
        m_minutes = saturatingAdd(m_minutes, m_seconds / 60);
        m_seconds %= 60;
    }
    if (m_minutes > 59) {
        m_hours = saturatingAdd(m_hours, m_minutes / 60);
        m_minutes %= 60;
    }
}

void ZRPos::setZero() {
    m_hours = m_minutes = m_seconds = m_frames = 0;
}

void ZRPos::setFrames(int frames) {
    m_frames = frames;
    normalise();
}

void ZRPos::setHours(int hours) {
    m_hours = hours;
    normalise();
}

void ZRPos::setMinutes(int minutes) {
    m_minutes = minutes;
    normalise();
}

void ZRPos::setSeconds(int seconds) {
    m_seconds = seconds;
    normalise();
}

void ZRPos::setTotalFrames(int frames) {
    set(0, 0, 0, frames, defaultFrameRate());
}

void ZRPos::setSF(int seconds, int frames) {
    set(0, 0, seconds, frames, defaultFrameRate());
}

void ZRPos::setMSF(int minutes, int seconds, int frames) {
    set(0, minutes, seconds, frames, defaultFrameRate());
}

void ZRPos::set(int hours, int minutes, int seconds, int frames, double rate) {
    m_hours = hours;
    m_minutes = minutes;
    m_seconds = seconds;
    m_frames = frames;
    m_rate = rate;
    normalise();
}

double ZRPos::toFrames() const {
    return (double(m_hours) * 3600 + double(m_minutes) * 60 + m_seconds) * m_rate + m_frames;
}

double ZRPos::toMilliseconds() const {
    return (double(m_hours) * 3600 + double(m_minutes) * 60 + m_seconds) * 1000 +
           (1000 / m_rate) * m_frames;
}

void ZRPos::setMilliseconds(unsigned ms) {
    setZero();
    m_frames = saturatingInt(m_rate * 0.001 * ms + 0.5);
    normalise();
}

void ZRPos::changeFramerate(double rate) {
    if (m_rate == 0) {
        m_rate = rate;
        return;
    }
    if (rate == m_rate) return;
    const double x = toMilliseconds() / (1000 / rate);
    int frames = saturatingInt(x);
    if (x - std::trunc(x) >= 0.5) frames = saturatingAdd(frames, 1);
    m_rate = rate;
    setZero();
    m_frames = frames;
    normalise();
}

const char* ZRPos::toText() {
    std::snprintf(m_text, sizeof m_text, "%.2i:%.2i:%.2i.%.2i", m_hours, m_minutes, m_seconds,
                  m_frames);
    return m_text;
}

void ZRPos::fromFixedText(const char* text) {
    m_rate = defaultFrameRate();
    if (!text) return;
    // Reads only as far as the text goes: a short text leaves the later fields as they were.
    int* fields[] = {&m_hours, &m_minutes, &m_seconds, &m_frames};
    for (int i = 0; i < 4; ++i) {
        const char* p = text;
        for (int k = 0; k < i * 3; ++k) {
            if (!*p++) return;
        }
        if (!p[0] || !p[1]) return;
        *fields[i] = (p[0] - '0') * 10 + (p[1] - '0');
    }
}

void ZRPos::add(const IZRPos* other) {
    m_hours = saturatingAdd(m_hours, other->hours());
    m_minutes = saturatingAdd(m_minutes, other->minutes());
    m_seconds = saturatingAdd(m_seconds, other->seconds());
    m_frames = saturatingAdd(m_frames, other->frames());
    normalise();
}

void ZRPos::subtract(const IZRPos* other) {
    int borrow = 0;
    // Field values may be anything a host or project wrote: work in 64 bits and saturate.
    long long frames;
    if (m_frames < other->frames()) {
        frames = (long long)saturatingInt(std::trunc(m_rate)) - other->frames() + m_frames;
        borrow = 1;
    } else {
        frames = (long long)m_frames - other->frames();
    }
    auto sixty = [&borrow](long long mine, long long theirs) {
        if (theirs + borrow <= mine) {
            const long long r = mine - borrow - theirs;
            borrow = 0;
            return r;
        }
        const long long r = 60 - borrow - theirs + mine;
        borrow = 1;
        return r;
    };
    const long long seconds = sixty(m_seconds, other->seconds());
    const long long minutes = sixty(m_minutes, other->minutes());
    const long long hours = (long long)m_hours - borrow - other->hours();
    if (hours < 0) {
        // Below zero: an object shifted earlier than the start stays at the start.
        setZero();
        return;
    }
    setFrames(saturatingAdd(0, frames));
    setSeconds(saturatingAdd(0, seconds));
    setMinutes(saturatingAdd(0, minutes));
    setHours(saturatingAdd(0, hours));
}

IZRPos& ZRPos::addFrames(int n) {
    m_frames = saturatingAdd(m_frames, n);
    normalise();
    return *this;
}

IZRPos& ZRPos::operator+=(const IZRPos* other) {
    add(other);
    return *this;
}

IZRPos& ZRPos::operator-=(const IZRPos* other) {
    subtract(other);
    return *this;
}

IZRPos& ZRPos::increment() {
    return addFrames(1);
}

IZRPos& ZRPos::decrement() {
    if (m_frames > 0) {
        --m_frames;
        return *this;
    }
    if (m_hours <= 0 && m_minutes <= 0 && m_seconds <= 0) {
        setZero();
        return *this;
    }
    m_frames = saturatingInt(std::trunc(m_rate)) - 1;
    if (m_seconds > 0) {
        --m_seconds;
    } else {
        m_seconds = 59;
        if (m_minutes > 0) {
            --m_minutes;
        } else {
            m_minutes = 59;
            --m_hours;
        }
    }
    return *this;
}

IZRPos& ZRPos::fromText(const char* text) {
    m_rate = defaultFrameRate();
    if (text) {
        const char* p = text;
        int* fields[] = {&m_hours, &m_minutes, &m_seconds, &m_frames};
        const char separators[] = {':', ':', '.'};
        for (int i = 0; i < 4; ++i) {
            if (i > 0) {
                if (*p != separators[i - 1]) break;
                ++p;
            }
            while (*p == ' ' || *p == '\t')
                ++p;
            if (!readDecimal(p, *fields[i])) break;
        }
    }
    normalise();
    return *this;
}

IZRPos& ZRPos::assignFrames(int frames) {
    setTotalFrames(frames);
    return *this;
}

IZRPos& ZRPos::assign(const IZRPos* other) {
    m_rate = other->framerate();
    m_hours = other->hours();
    m_minutes = other->minutes();
    m_seconds = other->seconds();
    m_frames = other->frames();
    normalise();
    return *this;
}

bool ZRPos::operator<(const IZRPos* other) const {
    return toFrames() < other->toFrames();
}
bool ZRPos::operator<=(const IZRPos* other) const {
    return toFrames() <= other->toFrames();
}
bool ZRPos::operator>(const IZRPos* other) const {
    return toFrames() > other->toFrames();
}
bool ZRPos::operator>=(const IZRPos* other) const {
    return toFrames() >= other->toFrames();
}
bool ZRPos::operator==(const IZRPos* other) const {
    return toFrames() == other->toFrames();
}
bool ZRPos::operator!=(const IZRPos* other) const {
    return toFrames() != other->toFrames();
}
