// Timecode texts come from project files and the user: any bytes must parse without a fault.
#include "engine/base/ZRPos.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ZRPos pos(0, 0, 0, 0, 25.0);
    pos.fromText(text.c_str());
    pos.toText();
    ZRPos fixed;
    fixed.fromFixedText(text.c_str());
    pos.subtract(&fixed);
    pos.changeFramerate(29.97);
    return 0;
}
