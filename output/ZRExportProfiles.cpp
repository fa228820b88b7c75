#include "output/ZRExportProfiles.h"

#include "common/config/QConfig.h"

#include <QSet>

namespace {

struct BuiltIn {
    const char* name;
    const char* videoCodec;
    const char* audioCodec;
    int width, height;
    double fps;
    int sampleRate, channels, formatId;
};

constexpr BuiltIn kBuiltIns[ZRExportProfiles::kBuiltInCount] = {
    {"AVI", "Cinepak Codec by Radius", "PCM", 320, 200, 30.0, 22050, 2, exportformat::kAvi},
    {"DV-AVI PAL", "DV", "DV", 720, 576, 25.0, 48000, 2, exportformat::kAviDvMultifile},
    {"DV-AVI NTSC", "DV", "DV", 720, 480, 29.97, 48000, 2, exportformat::kAviDvMultifile},
    {"MPEG-I VCD PAL", "MPEG-I Video", "Audio Layer II", 352, 288, 25.0, 44100, 2,
     exportformat::kMpegVcd},
    {"MPEG-I VCD NTSC", "MPEG-I Video", "Audio Layer II", 352, 240, 29.97, 44100, 2,
     exportformat::kMpegVcd},
    {"MPEG-II S-VCD PAL", "MPEG-II Video", "Audio Layer II", 480, 576, 25.0, 44100, 2,
     exportformat::kMpegSvcd},
    {"MPEG-II S-VCD NTSC", "MPEG-II Video", "Audio Layer II", 480, 480, 29.97, 44100, 2,
     exportformat::kMpegSvcd},
    {"MPEG-II DVD PAL", "MPEG-II Video", "Audio Layer II", 720, 576, 25.0, 48000, 2,
     exportformat::kMpegDvd},
    {"MPEG-II DVD NTSC", "MPEG-II Video", "Audio Layer II", 720, 480, 29.97, 48000, 2,
     exportformat::kMpegDvd},
};

// Groups the program keeps for itself: a profile of such a name would write its keys into them.
constexpr const char* kReservedGroups[] = {ZRExportProfiles::kListGroup, "General Settings"};

bool isReserved(const QString& name) {
    for (const char* group : kReservedGroups)
        if (name.compare(QLatin1String(group), Qt::CaseInsensitive) == 0) return true;
    return false;
}

QString nameKey(int index) {
    return QLatin1String(ZRExportProfiles::kNameKeyPrefix) + QString::number(index);
}

} // namespace

void ZRExportProfiles::createBuiltInProfiles() {
    for (const BuiltIn& p : kBuiltIns)
        addBuiltInProfile(QLatin1String(p.name), QLatin1String(p.videoCodec),
                          QLatin1String(p.audioCodec), p.width, p.height, p.fps, p.sampleRate,
                          p.channels, p.formatId, false);
}

void ZRExportProfiles::addBuiltInProfile(const QString& name, const QString& videoCodec,
                                         const QString& audioCodec, int width, int height,
                                         double fps, int sampleRate, int channels, int formatId,
                                         bool saved) {
    ExportProfile p;
    p.name = name;
    p.videoCodec = videoCodec;
    p.audioCodec = audioCodec;
    p.width = width;
    p.height = height;
    p.fps = fps;
    p.sampleRate = sampleRate;
    p.channels = channels;
    p.formatId = formatId;
    p.saved = saved;
    m_profiles.push_back(std::move(p));
}

int ZRExportProfiles::readProfiles(QConfig& config) {
    config.setGroup(QLatin1String(kListGroup));
    const int count = config.readNumEntry(QLatin1String(kCountKey), 0);
    // The count is only an upper bound: a hand-edited or broken file may claim any number, and
    // the loop must end with the keys that are really there.
    QSet<QString> listed;
    for (const ExportProfile& p : m_profiles)
        listed.insert(p.name.toCaseFolded());
    std::vector<QString> names;
    for (int i = 0; i < count; ++i) {
        const QString key = nameKey(i);
        if (!config.hasKey(key)) break;
        const QString name = config.readEntry(key);
        if (name.isEmpty() || isReserved(name) || listed.contains(name.toCaseFolded())) continue;
        listed.insert(name.toCaseFolded());
        names.push_back(name);
    }
    for (const QString& name : names) {
        config.setGroup(name);
        ExportProfile p;
        p.name = name;
        p.videoCodec = config.readEntry(QLatin1String(kVideoCodecKey), QString());
        p.audioCodec = config.readEntry(QLatin1String(kAudioCodecKey), QString());
        p.width = config.readNumEntry(QLatin1String(kWidthKey), 0);
        p.height = config.readNumEntry(QLatin1String(kHeightKey), 0);
        p.formatId = config.readNumEntry(QLatin1String(kFormatIdKey), 0);
        p.sampleRate = config.readNumEntry(QLatin1String(kSampleRateKey), 0);
        p.channels = config.readNumEntry(QLatin1String(kChannelsKey), 0);
        p.fps = config.readDoubleNumEntry(QLatin1String(kFpsKey), 0.0);
        p.userMade = true;
        p.saved = true;
        m_profiles.push_back(std::move(p));
    }
    config.setGroup(QLatin1String(kListGroup));
    return int(names.size());
}

bool ZRExportProfiles::writeProfiles(QConfig& config) const {
    int written = 0;
    for (const ExportProfile& p : m_profiles) {
        if (!p.saved) continue;
        config.setGroup(QLatin1String(kListGroup));
        config.writeEntry(nameKey(written), p.name);
        config.setGroup(p.name);
        config.writeEntry(QLatin1String(kFormatIdKey), p.formatId);
        config.writeEntry(QLatin1String(kWidthKey), p.width);
        config.writeEntry(QLatin1String(kHeightKey), p.height);
        config.writeEntry(QLatin1String(kVideoCodecKey), p.videoCodec);
        config.writeEntry(QLatin1String(kAudioCodecKey), p.audioCodec);
        config.writeEntry(QLatin1String(kFpsKey), p.fps);
        config.writeEntry(QLatin1String(kSampleRateKey), p.sampleRate);
        config.writeEntry(QLatin1String(kChannelsKey), p.channels);
        ++written;
    }
    config.setGroup(QLatin1String(kListGroup));
    config.writeEntry(QLatin1String(kCountKey), written);
    return config.writeFile();
}

int ZRExportProfiles::indexOf(const QString& name) const {
    for (int i = 0; i < size(); ++i)
        if (at(i).name == name) return i;
    return -1;
}

int ZRExportProfiles::indexOfIgnoringCase(const QString& name) const {
    for (int i = 0; i < size(); ++i)
        if (at(i).name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

QString ZRExportProfiles::derivedName(const QString& prefix, const QString& name) const {
    const QString base = prefix + QLatin1Char(' ') + name;
    QString candidate = base;
    for (int n = 2; indexOfIgnoringCase(candidate) >= 0; ++n)
        candidate = base + QStringLiteral(" (") + QString::number(n) + QLatin1Char(')');
    return candidate;
}

int ZRExportProfiles::derive(int index, const QString& prefix) {
    if (index < 0 || index >= size()) return -1;
    ExportProfile copy = at(index);
    copy.name = derivedName(prefix, copy.name);
    copy.userMade = true;
    copy.saved = false;
    m_profiles.push_back(std::move(copy));
    return size() - 1;
}

ZRExportProfiles::Rename ZRExportProfiles::rename(int index, const QString& name,
                                                  const QConfig* config) {
    if (index < 0 || index >= size() || !at(index).userMade) return Rename::NotUserMade;
    // The settings file strips outer white space when it reads a value back.
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) return Rename::Blank;
    if (trimmed.contains(QLatin1Char('\n')) || trimmed.contains(QLatin1Char('\r')) ||
        trimmed.contains(QLatin1Char(']')))
        return Rename::BadCharacter;
    const int other = indexOfIgnoringCase(trimmed);
    if (other >= 0 && other != index) return Rename::Listed;
    const bool ownGroup = trimmed.compare(at(index).name, Qt::CaseInsensitive) == 0;
    if (!ownGroup && (isReserved(trimmed) || (config && config->entryIterator(trimmed))))
        return Rename::ExistingGroup;
    at(index).name = trimmed;
    return Rename::Renamed;
}

bool ZRExportProfiles::remove(int index) {
    if (index < 0 || index >= size()) return false;
    m_profiles.erase(m_profiles.begin() + index);
    return true;
}
