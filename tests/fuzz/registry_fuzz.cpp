// Registry files come from the user's state folder: any bytes must read safely.
#include "platform/system/RegistryFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto registry = platform::RegistryFile::parse(
        QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    (void)registry.value(u"K", u"A");
    return 0;
}
