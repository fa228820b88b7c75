#include "output/ZRModuleSettings.h"

#include "common/config/QConfig.h"
#include "output/ExportProfile.h"
#include "platform/system/SystemPaths.h"

#include <algorithm>

namespace modulesettings {

QString defaultPath() {
    return platform::stateFolder() + QLatin1Char('/') + QLatin1String(kFileName);
}

bool write(const QString& path, int formatId, const Values& values) {
    const char* mpegFormat = nullptr;
    switch (formatId) {
    case exportformat::kAviDvMultifile:
        break;
    case exportformat::kMpegVcd:
        mpegFormat = "VCD";
        break;
    case exportformat::kMpegSvcd:
        mpegFormat = "SVCD";
        break;
    case exportformat::kMpegDvd:
        mpegFormat = "DVD";
        break;
    default:
        return true;
    }
    // The engine's flavour: the modules and the engine's own module cache read this file, and
    // saving merges with what the cache wrote meanwhile.
    QConfig config(QConfig::Flavour::Engine, path);
    if (!mpegFormat) {
        config.setGroup(QLatin1String(kDvGroup));
        config.writeEntry(QStringLiteral("Splitsize"), std::min(values.splitSize, kMaxDvSplitSize));
    } else {
        config.setGroup(QLatin1String(kMpegGroup));
        config.writeEntry(QStringLiteral("Format"), mpegFormat);
        config.writeEntry(QStringLiteral("Splitsize"), values.splitSize);
        if (formatId == exportformat::kMpegDvd) {
            config.writeEntry(QStringLiteral("MaxBitrate"), values.maxBitrate);
            config.writeEntry(QStringLiteral("AvgBitrate"), values.avgBitrate);
        }
    }
    return config.writeFile();
}

} // namespace modulesettings
