#pragma once

#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

/// The device records of the capture page: video capture devices, audio capture devices and
/// video encoders, listed from the device backend registry, classified by name into a family
/// and a model, and kept when they fall within the caller's masks.

/// One video capture device. Fields of an external transport stay 0 (texts empty) for a device
/// that is none.
class VidCapDevInfo {
public:
    virtual ~VidCapDevInfo() = default;

    QString displayName;
    QString friendlyName;
    QString devicePath;
    QString description;
    /// The transport's ID, its eight bytes reversed.
    uint64_t extDeviceId = 0;
    QString extDeviceVersion;
    int32_t devicePort = 0;
    int32_t deviceType = 0;
    int32_t hasAudio = 0;
    int32_t hasVideo = 0;
    int32_t normalRate = 0;
    int32_t inputSignal = 0;
    int32_t outputSignal = 0;
    int32_t familyMask = 1;
    int32_t modelMask = 1;
    /// The upper 24 bits of the reordered ID.
    uint32_t vendorId = 0;
    /// The low 32 bits of the reordered ID, its byte 4 as bits 32-39.
    uint64_t modelId = 0;
    QString vendorName;
    QString modelText;
    QString portName;
    QString deviceTypeName;
};

/// One audio capture device.
class AudCapDevInfo {
public:
    virtual ~AudCapDevInfo() = default;

    QString displayName;
    QString friendlyName;
    QString devicePath;
    QString description;
    int32_t familyMask = 1;
    int32_t modelMask = 1;
};

/// One video encoder.
class VidEncInfo {
public:
    virtual ~VidEncInfo() = default;

    QString displayName;
    QString friendlyName;
    QString description;
    int32_t familyMask = 1;
    int32_t modelMask = 1;
};

using VidCapDevInfoList = std::vector<std::unique_ptr<VidCapDevInfo>>;
using AudCapDevInfoList = std::vector<std::unique_ptr<AudCapDevInfo>>;
using VidEncInfoList = std::vector<std::unique_ptr<VidEncInfo>>;
/// Texts by index: 0 an empty text, 1 to n the records' display names.
using ZRDisplayNameDict = std::map<int, QString>;

/// A capture size; lists of them run in descending order of width, then height.
struct ZRVideoResolution {
    int width = 0;
    int height = 0;
    friend bool operator==(const ZRVideoResolution&, const ZRVideoResolution&) = default;
};
/// A sound format; lists of them run in descending order of sample size, channels, rate.
struct ZRAudioResolution {
    int sampleRate = 0;
    int channels = 0;
    int sampleSize = 0;
    friend bool operator==(const ZRAudioResolution&, const ZRAudioResolution&) = default;
};
using ZRVideoResolutions = std::vector<ZRVideoResolution>;
using ZRAudioResolutions = std::vector<ZRAudioResolution>;

/// The family and model masks of a video device by its friendly name (first matching row of
/// the table, ignoring case; family 1, model 1 for any other).
void classifyVideoDevice(const QString& friendlyName, int32_t* familyMask, int32_t* modelMask);
/// Adjusts the masks `classifyVideoDevice` gave a capture card (a V4L2 node): the camcorder
/// rows fall to family 1, model 1; an MPEG-only card that met no row becomes family 4, model
/// 0x10.
void classifyCaptureCard(bool mpegOnly, int32_t* familyMask, int32_t* modelMask);
/// The masks of an audio device (names compared with case).
void classifyAudioDevice(const QString& friendlyName, int32_t* familyMask, int32_t* modelMask);

/// The video capture devices whose family and model masks meet the given ones.
VidCapDevInfoList gGetVidCapDevInfoList(int32_t familyMask, int32_t modelMask);
/// The audio capture devices, when bit 0 of `flags` is set and the model mask meets `modelMask`.
AudCapDevInfoList gGetAudCapDevInfoList(int32_t flags, int32_t modelMask);
/// The video encoders, when bit 0 of both flags is set.
VidEncInfoList gGetVidEncInfoList(int32_t flags1, int32_t flags2);

/// Null for a missing or empty list.
std::unique_ptr<ZRDisplayNameDict>
gBuildIndex2VidCapDevDisplayNameDict(const VidCapDevInfoList* list);
std::unique_ptr<ZRDisplayNameDict>
gBuildIndex2AudCapDevDisplayNameDict(const AudCapDevInfoList* list);
std::unique_ptr<ZRDisplayNameDict> gBuildIndex2VidEncDisplayNameDict(const VidEncInfoList* list);

/// Adds the size in its place unless a value is 0 (or negative) or it is present.
void collectVideoResolutions(ZRVideoResolutions* list, int width, int height);
/// Adds the format in its place unless a value is 0 (or negative) or it is present.
void collectAudioResolutions(ZRAudioResolutions* list, int sampleRate, int channels,
                             int sampleSize);
