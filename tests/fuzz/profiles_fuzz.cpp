// "clipstead.ini" comes from disk and may hold anything: the export profiles read from any
// bytes end in bounded time, with names unique without regard to case, and every profile can be
// checked and written back.
#include "common/config/QConfig.h"
#include "output/ZRExportProfiles.h"

#include <QBuffer>
#include <QSet>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer input(&bytes);
    input.open(QIODevice::ReadOnly);
    QConfig config;
    config.parseStream(&input, nullptr, false);

    ZRExportProfiles profiles;
    profiles.createBuiltInProfiles();
    const int read = profiles.readProfiles(config);
    if (read < 0 || profiles.size() != ZRExportProfiles::kBuiltInCount + read) std::abort();

    QSet<QString> names;
    for (int i = 0; i < profiles.size(); ++i) {
        const ExportProfile& p = profiles.at(i);
        if (p.name.isEmpty()) std::abort();
        const QString folded = p.name.toCaseFolded();
        if (names.contains(folded)) std::abort();
        names.insert(folded);
        (void)p.check();
        if (i >= ZRExportProfiles::kBuiltInCount && (!p.userMade || !p.saved)) std::abort();
    }
    // Without a file name the write goes no further than memory.
    if (profiles.writeProfiles(config)) std::abort();
    return 0;
}
