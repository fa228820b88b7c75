#include "engine/modules/ZRModuleLocale.h"

#include "platform/file/ReadWholeFile.h"

#include <cctype>
#include <cstring>
#include <mutex>
#include <string>

namespace {

// A module's string table is a few kilobytes; anything past this is not one.
constexpr uint64_t kMaxLocaleBytes = 16u << 20;

struct LocaleState {
    std::mutex mutex;
    QString folder;
    QByteArray text;
    bool loaded = false;
};

LocaleState& state() {
    static LocaleState locale;
    return locale;
}

void writeText(char* buffer, int32_t bufferSize, const char* text, size_t length) {
    const size_t n = length < size_t(bufferSize) - 1 ? length : size_t(bufferSize) - 1;
    std::memcpy(buffer, text, n);
    buffer[n] = 0;
}

void writeText(char* buffer, int32_t bufferSize, const char* text) {
    writeText(buffer, bufferSize, text, std::strlen(text));
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Ends a line's text: white space that is not printable (line ends, tabs); blanks belong to it.
bool endsText(char c) {
    const auto u = static_cast<unsigned char>(c);
    return std::isspace(u) && !std::isprint(u);
}

// The scan takes any run of digits as an id, also one inside a text, as the files were always
// read; runs too long for an id never match.
void lookUp(const QByteArray& text, int32_t id, char* buffer, int32_t bufferSize) {
    const char* p = text.constData();
    const char* end = p + text.size();
    while (p < end) {
        while (p < end && !isDigit(*p))
            ++p;
        int64_t number = 0;
        while (p < end && isDigit(*p)) {
            if (number <= INT32_MAX) number = number * 10 + (*p - '0');
            ++p;
        }
        if (p >= end || number != id || *p != ':') continue;
        const char* start = end - p > 2 ? p + 2 : end;
        const char* stop = start;
        while (stop < end && !endsText(*stop))
            ++stop;
        writeText(buffer, bufferSize, start, size_t(stop - start));
        return;
    }
    writeText(buffer, bufferSize, "STRING-ID NOT FOUND!");
}

} // namespace

void moduleLocaleString(int32_t id, char* buffer, int32_t bufferSize) {
    if (!buffer || bufferSize < 1) return;
    LocaleState& locale = state();
    std::lock_guard locker(locale.mutex);
    if (id == -1) {
        const QByteArray name(buffer, int(strnlen(buffer, size_t(bufferSize))));
        locale.text.clear();
        locale.loaded = false;
        if (name.isEmpty()) return;
        const QByteArray path = (locale.folder + QString::fromUtf8(name)).toLocal8Bit();
        std::string text;
        if (platform::readWholeFile(path.constData(), kMaxLocaleBytes, text).ok()) {
            locale.text = QByteArray::fromStdString(text);
            locale.loaded = true;
        }
        return;
    }
    if (id == -2) {
        locale.text.clear();
        locale.loaded = false;
        return;
    }
    if (!locale.loaded) {
        writeText(buffer, bufferSize, "LOCALE-FILE NOT FOUND!");
        return;
    }
    lookUp(locale.text, id, buffer, bufferSize);
}

void zrSetModuleLocaleFolder(const QString& folder) {
    LocaleState& locale = state();
    std::lock_guard locker(locale.mutex);
    locale.folder = folder;
}
