#include "capture/ZRDeviceInfo.h"

#include "capture/ZRDeviceNames.h"
#include "platform/aviwriter/AviCompressors.h"
#include "platform/graph/ZRDeviceRegistry.h"
#include "platform/ieee1394/ZRIeee1394Backend.h"

#include <QLoggingCategory>

#include <algorithm>

Q_LOGGING_CATEGORY(lcDevices, "clipstead.capture.devices", QtWarningMsg)

namespace {

struct VideoRow {
    const char* first;
    const char* second; ///< a second name that matches too (or), or that must match too (and)
    bool both;
    int32_t family;
    int32_t model;
};

const VideoRow kVideoRows[] = {
    {"Sony", nullptr, false, 2, 0x8},
    {"Microsoft", "DV", true, 2, 0x2},
    {"DVcam", nullptr, false, 2, 0x4},
    {"Brackwell USB 2", "Kestrel Studio 250", false, 4, 0x10},
    {"Kestrel Studio 200", nullptr, false, 4, 0x40},
    {"Wren Deck 150", nullptr, false, 4, 0x20},
    {"Wren Deck 100", nullptr, false, 4, 0x40},
    {"Marrack", nullptr, false, 4, 0x80},
    {"Wren 90", "Norvale", false, 0x10, 0x200},
    {"Wren 80", nullptr, false, 0x10, 0x200},
    {"USB-PLM2", nullptr, false, 4, 0x400},
};

QString fromStd(const std::string& s) {
    return QString::fromStdString(s);
}

template <class List> std::unique_ptr<ZRDisplayNameDict> buildDict(const List* list) {
    if (!list || list->empty()) return nullptr;
    auto dict = std::make_unique<ZRDisplayNameDict>();
    (*dict)[0] = QString();
    int key = 1;
    for (const auto& record : *list)
        (*dict)[key++] = record->displayName;
    return dict;
}

} // namespace

void classifyVideoDevice(const QString& name, int32_t* familyMask, int32_t* modelMask) {
    const auto has = [&](const char* part) {
        return part && name.contains(QLatin1String(part), Qt::CaseInsensitive);
    };
    int32_t family = 1, model = 1;
    for (const VideoRow& row : kVideoRows) {
        const bool match =
            row.both ? has(row.first) && has(row.second) : has(row.first) || has(row.second);
        if (match) {
            family = row.family;
            model = row.model;
            break;
        }
    }
    if (familyMask) *familyMask = family;
    if (modelMask) *modelMask = model;
}

void classifyCaptureCard(bool mpegOnly, int32_t* familyMask, int32_t* modelMask) {
    // The camcorder family belongs to the IEEE 1394 devices: a card named like one is a card.
    if (*familyMask == 2) {
        *familyMask = 1;
        *modelMask = 1;
        return;
    }
    // The uncompressed path cannot read an encoder's stream; the Kestrel 250 path drives one.
    if (mpegOnly && *familyMask == 1 && *modelMask == 1) {
        *familyMask = 4;
        *modelMask = 0x10;
    }
}

void classifyAudioDevice(const QString& name, int32_t* familyMask, int32_t* modelMask) {
    const bool special = name.contains(QLatin1String("Wren 80")) ||
                         name.contains(QLatin1String("Wren 90")) ||
                         name.contains(QLatin1String("Norvale"));
    if (familyMask) *familyMask = 1;
    if (modelMask) *modelMask = special ? int32_t(0x80000000u) : 1;
}

VidCapDevInfoList gGetVidCapDevInfoList(int32_t familyMask, int32_t modelMask) {
    VidCapDevInfoList list;
    const auto devices = ZRDeviceRegistry::instance().devices(ZRDeviceCategory::VideoInput);
    for (size_t i = 0; i < devices.size(); ++i) {
        const ZRDeviceDescriptor& d = devices[i];
        auto record = std::make_unique<VidCapDevInfo>();
        record->displayName = d.displayName.empty() ? QString::number(i) : fromStd(d.displayName);
        record->friendlyName = fromStd(d.friendlyName);
        record->devicePath = fromStd(d.devicePath);
        record->description = fromStd(d.description);
        if (d.device) {
            record->extDeviceId = zrdevicenames::reverseDeviceId(d.device->id);
            record->extDeviceVersion = fromStd(d.device->version);
            record->devicePort = d.device->port;
            record->deviceType = d.device->deviceType;
            record->hasAudio = d.device->hasAudio;
            record->hasVideo = d.device->hasVideo;
            record->normalRate = d.device->normalRate;
        }
        if (d.transport) {
            record->inputSignal = d.transport->inputSignal;
            record->outputSignal = d.transport->outputSignal;
        }
        const uint64_t id = record->extDeviceId;
        record->vendorId = uint32_t(id >> 32) >> 8;
        record->modelId = (id & 0xFFFFFFFFu) | (((id >> 32) & 0xFF) << 32);
        record->vendorName = zrdevicenames::vendorName(record->vendorId);
        record->modelText = zrdevicenames::modelText(record->modelId);
        record->portName = zrdevicenames::portName(record->devicePort);
        record->deviceTypeName = zrdevicenames::deviceTypeName(record->deviceType);
        classifyVideoDevice(record->friendlyName, &record->familyMask, &record->modelMask);
        if (d.captureCard) classifyCaptureCard(d.mpegOnly, &record->familyMask, &record->modelMask);
        // DV devices are known by their bus, whatever driver or maker their name shows; their
        // model comes from the name's rows where one names it.
        if (record->displayName.startsWith(QLatin1String(zrieee1394::kDisplayNamePrefix)) &&
            record->familyMask != 2) {
            record->familyMask = 2;
            record->modelMask = 0x2;
        }
        if ((record->familyMask & familyMask) && (record->modelMask & modelMask))
            list.push_back(std::move(record));
    }
    return list;
}

AudCapDevInfoList gGetAudCapDevInfoList(int32_t flags, int32_t modelMask) {
    AudCapDevInfoList list;
    const auto devices = ZRDeviceRegistry::instance().devices(ZRDeviceCategory::AudioInput);
    for (size_t i = 0; i < devices.size(); ++i) {
        const ZRDeviceDescriptor& d = devices[i];
        auto record = std::make_unique<AudCapDevInfo>();
        record->displayName = d.displayName.empty() ? QString::number(i) : fromStd(d.displayName);
        record->friendlyName = fromStd(d.friendlyName);
        record->devicePath = fromStd(d.devicePath);
        record->description = fromStd(d.description);
        classifyAudioDevice(record->friendlyName, &record->familyMask, &record->modelMask);
        if ((flags & 1) && (record->modelMask & modelMask)) list.push_back(std::move(record));
    }
    return list;
}

VidEncInfoList gGetVidEncInfoList(int32_t flags1, int32_t flags2) {
    VidEncInfoList list;
    if (!(flags1 & 1) || !(flags2 & 1)) return list;
    for (const std::string& name : platform::aviCompressorNames(true)) {
        auto record = std::make_unique<VidEncInfo>();
        record->displayName = record->friendlyName = fromStd(name);
        list.push_back(std::move(record));
    }
    for (const ZRDeviceDescriptor& d :
         ZRDeviceRegistry::instance().devices(ZRDeviceCategory::VideoCompressor)) {
        auto record = std::make_unique<VidEncInfo>();
        record->displayName = fromStd(d.displayName);
        record->friendlyName = fromStd(d.friendlyName);
        record->description = fromStd(d.description);
        list.push_back(std::move(record));
    }
    return list;
}

std::unique_ptr<ZRDisplayNameDict>
gBuildIndex2VidCapDevDisplayNameDict(const VidCapDevInfoList* list) {
    return buildDict(list);
}

std::unique_ptr<ZRDisplayNameDict>
gBuildIndex2AudCapDevDisplayNameDict(const AudCapDevInfoList* list) {
    return buildDict(list);
}

std::unique_ptr<ZRDisplayNameDict> gBuildIndex2VidEncDisplayNameDict(const VidEncInfoList* list) {
    return buildDict(list);
}

void collectVideoResolutions(ZRVideoResolutions* list, int width, int height) {
    if (!list || width <= 0 || height <= 0) return;
    const ZRVideoResolution r{width, height};
    if (std::find(list->begin(), list->end(), r) != list->end()) return;
    const auto at = std::find_if(list->begin(), list->end(), [&](const ZRVideoResolution& o) {
        return o.width < width || (o.width == width && o.height < height);
    });
    list->insert(at, r);
    qCDebug(lcDevices) << "new video resolution: x=" << width << "y=" << height;
}

void collectAudioResolutions(ZRAudioResolutions* list, int sampleRate, int channels,
                             int sampleSize) {
    if (!list || sampleRate <= 0 || channels <= 0 || sampleSize <= 0) return;
    const ZRAudioResolution r{sampleRate, channels, sampleSize};
    if (std::find(list->begin(), list->end(), r) != list->end()) return;
    const auto before = [](const ZRAudioResolution& a, const ZRAudioResolution& b) {
        if (a.sampleSize != b.sampleSize) return a.sampleSize > b.sampleSize;
        if (a.channels != b.channels) return a.channels > b.channels;
        return a.sampleRate > b.sampleRate;
    };
    list->insert(std::upper_bound(list->begin(), list->end(), r, before), r);
    qCDebug(lcDevices) << "new audio resolution: samplerate=" << sampleRate
                       << " channels=" << channels << " sampleSize=" << sampleSize;
}
