#include "script/ScriptBuiltinRoutines.h"

#include "platform/text/KeyCompare.h"
#include "script/ScriptMemory.h"
#include "script/ScriptTypes.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

const char* text(void* const* args, int i) {
    return scriptSlot<const char*>(args[i]);
}

int integer(ScriptCall* call, int64_t value) {
    scriptSetSlot(call->result, int32_t(value));
    return 1;
}

// A new script string, or null (also when memory runs out).
int string(ScriptCall* call, const char* from, size_t n) {
    scriptSetSlot(call->result, from ? scriptNewString(std::string_view(from, n)) : nullptr);
    return 1;
}

// The null rules of the comparisons: both null 0, only the first -1, only the second 1.
bool nullOrder(const char* a, const char* b, int& order) {
    if (a && b) return false;
    order = !a && !b ? 0 : !a ? -1 : 1;
    return true;
}

// Copies `from` into the raw bytes at `pointer` as strncpy does with a count of the room the
// destination has: at most that many bytes, the rest of the room cleared. Returns the count,
// or 0 when nothing is copied.
int copyInto(ScriptCall* call, uint64_t pointer, const char* from, size_t length) {
    const uint32_t room = scriptPointerRoom(pointer);
    void* bytes = room ? scriptNativeBytes(pointer, room) : nullptr;
    if (!from || !bytes) return integer(call, 0);
    const size_t n = length < room ? length : room;
    std::memmove(bytes, from, n); // the source may lie in the destination's own region
    std::memset(static_cast<char*>(bytes) + n, 0, room - n);
    return integer(call, room);
}

} // namespace

namespace scriptbuiltin {

int getenvString(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    const char* name = text(args, 0);
    const char* value = name ? std::getenv(name) : nullptr;
    return string(call, value, value ? std::strlen(value) : 0);
}

int strlenString(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    const char* s = text(args, 0);
    return integer(call, s ? int64_t(std::strlen(s)) : 0);
}

int strlenChars(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    std::string_view s;
    scriptNativeText(scriptSlot<uint64_t>(args[0]), s);
    return integer(call, int64_t(s.size()));
}

int strcspnStrings(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    const char *s = text(args, 0), *set = text(args, 1);
    return integer(call, s && set ? int64_t(std::strcspn(s, set)) : 0);
}

int strspnStrings(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    const char *s = text(args, 0), *set = text(args, 1);
    return integer(call, s && set ? int64_t(std::strspn(s, set)) : 0);
}

int stricmpStrings(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    const char *a = text(args, 0), *b = text(args, 1);
    int order = 0;
    if (nullOrder(a, b, order)) return integer(call, order);
    // Letters fold as in ASCII, whatever the process locale.
    const auto* x = reinterpret_cast<const unsigned char*>(a);
    const auto* y = reinterpret_cast<const unsigned char*>(b);
    auto folded = [](unsigned char c) {
        return int(static_cast<unsigned char>(platform::keyFold(char(c))));
    };
    while (*x && folded(*x) == folded(*y))
        ++x, ++y;
    return integer(call, folded(*x) - folded(*y));
}

int strncmpStrings(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    const char *a = text(args, 0), *b = text(args, 1);
    const int32_t n = scriptSlot<int32_t>(args[2]);
    int order = 0;
    if (nullOrder(a, b, order)) return integer(call, order);
    // A negative count reads as the huge unsigned number it is: the whole strings compare.
    return integer(call, std::strncmp(a, b, size_t(uint32_t(n))));
}

int strpart1String(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    const char* org = text(args, 0);
    const int32_t n = scriptSlot<int32_t>(args[1]);
    if (!org || n < 0) return string(call, nullptr, 0);
    return string(call, org, strnlen(org, size_t(n)));
}

int strpart2String(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    const char* org = text(args, 0);
    const int32_t n = scriptSlot<int32_t>(args[1]);
    const size_t length = org ? std::strlen(org) : 0;
    if (!org || n < 0 || size_t(n) > length) return string(call, nullptr, 0);
    return string(call, org + n, length - size_t(n));
}

int strsubstrStrings(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    const char *s = text(args, 0), *sub = text(args, 1);
    if (!s || !sub) return integer(call, 0);
    const char* at = std::strstr(s, sub);
    return integer(call, at ? int64_t(at - s) : -1);
}

int atoiString(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    const char* s = text(args, 0);
    if (!s) return integer(call, 0);
    // Out of range saturates, as a 32-bit long does.
    const long long v = std::strtoll(s, nullptr, 10);
    return integer(call, scriptSaturateInt(v));
}

int atofString(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    const char* s = text(args, 0);
    const locale_t c = cLocale();
    const double v = !s ? 0.0 : c ? strtod_l(s, nullptr, c) : std::strtod(s, nullptr);
    scriptSetSlot(call->result, float(v));
    return 1;
}

int strncpyString(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    const char* from = text(args, 1);
    return copyInto(call, scriptSlot<uint64_t>(args[0]), from, from ? std::strlen(from) : 0);
}

int strncpyChars(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    const uint64_t source = scriptSlot<uint64_t>(args[1]);
    std::string_view from;
    // Copy the characters out first: the source may lie in the destination's own region.
    if (!scriptNativeText(source, from)) return copyInto(call, 0, nullptr, 0);
    const std::string copy(from);
    return copyInto(call, scriptSlot<uint64_t>(args[0]), copy.c_str(), copy.size());
}

} // namespace scriptbuiltin
