#pragma once

#include "platform/graph/ZRGraphNode.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

/// The filters the capture paths and the file preview put in their graphs that come from
/// outside the graph's own set: each is our own node, made by the file name it is loaded from
/// (without regard to case) with its class identifier, or by class identifier alone for those
/// found in the registry. The graph's own standard filters are made by class name.
/// Thread-safety: the tables are constant.
namespace zroutsidefilters {

/// Class identifiers.
inline constexpr const char* kClsidEngineMpegSplitter = "2BE4D120-6F2E-4B3A-B0BD-E880917238DC";
inline constexpr const char* kClsidEngineMpegAudioDecoder = "2BE4D130-6F2E-4B3A-B0BD-E880917238DC";
inline constexpr const char* kClsidEngineMpegVideoDecoder = "2BE4D140-6F2E-4B3A-B0BD-E880917238DC";
inline constexpr const char* kClsidEngineDVVideoDecoder = "E8AC42C0-0810-11D5-8062-00001C0B1B7F";
inline constexpr const char* kClsidDump = "36A5F770-FE4C-11CE-A8ED-00AA002FEAB5";
inline constexpr const char* kClsidMakerMvlReader = "B44C88DA-9519-4D62-AFE2-11628A29C096";
/// Identifiers the filters' own makers never fixed: ours.
inline constexpr const char* kClsidEngineMultiFileReader = "5C1E7A10-3B8D-4F0E-9A51-6D2C40B1E701";
inline constexpr const char* kClsidMakerOvlReader = "5C1E7A10-3B8D-4F0E-9A51-6D2C40B1E702";
inline constexpr const char* kClsidMakerMpegSplitter = "5C1E7A10-3B8D-4F0E-9A51-6D2C40B1E703";
/// The DV capture side: the engine's scene-split writer, the maker's DV and MPEG multi-file
/// writers (the MPEG one comes with the MPEG encoder devices; a class no row makes answers null).
inline constexpr const char* kClsidEngineSceneSplitWriter = "5C1E7A10-3B8D-4F0E-9A51-6D2C40B1E704";
inline constexpr const char* kClsidMakerOvlWriter = "0EC57820-930C-11D4-AF12-000021FAD19C";
inline constexpr const char* kClsidMakerMvlWriter = "5C1E7A10-3B8D-4F0E-9A51-6D2C40B1E710";
inline constexpr const char* kClsidVideoPreviewConverter = "5C1E7A10-3B8D-4F0E-9A51-6D2C40B1E712";
/// The capture hardware's filters, by the identifiers their makers fixed.
inline constexpr const char* kClsidMvlMultiFileWriter = "277DEC5B-063E-4432-AC82-8823A6C85EF3";
inline constexpr const char* kClsidMvlIntelliWriter = "277DEC5B-063E-4432-AC82-8823A6C85EF4";
inline constexpr const char* kClsidCldvrSplitter = "97C187A2-A957-11D6-99BC-00A0CCDA34F4";
inline constexpr const char* kClsidCldvrSink = "276CDFA2-A951-11D6-99BC-00A0CCDA34F4";
inline constexpr const char* kClsidAsyncPuller = "9D00CE78-81D3-456F-B21C-2E43766FFB5E";
inline constexpr const char* kClsidXFormDeadCafe = "32485C96-7A65-44C5-B087-E1FD2698C137";
inline constexpr const char* kClsidMarrackMuxer = "04D02403-5163-480B-9630-64433E154776";
inline constexpr const char* kClsidAcmWrapper = "ACM Wrapper";

/// Standard filters, by class name.
inline constexpr const char* kClsidSmartTee = "Smart Tee";
inline constexpr const char* kClsidInfTee = "Infinite Pin Tee";
inline constexpr const char* kClsidMpeg2Demultiplexer = "MPEG-2 Demultiplexer";
inline constexpr const char* kClsidVideoRenderer = "Video Renderer";
inline constexpr const char* kClsidAudioRenderer = "Audio Renderer";
inline constexpr const char* kClsidAsyncFileReader = "Async File Reader";
inline constexpr const char* kClsidAviSplitter = "AVI Splitter";
inline constexpr const char* kClsidDVMux = "DV Muxer";
inline constexpr const char* kClsidAviMux = "AVI Mux";
inline constexpr const char* kClsidDVSplitter = "DV Splitter";
inline constexpr const char* kClsidDVVideoDecoder = "DV Video Decoder";

/// Filter files.
inline constexpr const char* kFileEngineMpegSplitter = "ZRSPMpeg.Ax";
inline constexpr const char* kFileEngineMpegDecoders = "ZRDSMpeg.Ax";
inline constexpr const char* kFileEngineDVDecoder = "zrdsdv.ax";
inline constexpr const char* kFileEngineMultiFileReader = "ZRMultiFileReader.Ax";
inline constexpr const char* kFileDump = "CSDump.Ax";
inline constexpr const char* kFileEngineMultiFileWriter = "ZRMultiFileWriter.Dll";

/// One outside filter.
struct Row {
    const char* file; ///< the filter file, or null for a registry filter
    const char* clsid;
    const char* graphName; ///< the name callers add it under
    std::function<std::unique_ptr<ZRGraphNode>()> make;
};

/// Every outside filter we provide, in table order.
const std::vector<Row>& rows();
/// The node of class `clsid` in filter file `file` (its name; folders are ignored), or null
/// when the file is unknown or holds no such class.
std::unique_ptr<ZRGraphNode> makeFromFile(const QString& file, const QString& clsid);
/// The node of a registry filter or a standard filter of class `clsid`, or null.
std::unique_ptr<ZRGraphNode> makeFromClsid(const QString& clsid);
/// Marks the registry filter `clsid` as not installed (`installed` false: `makeFromClsid`
/// answers null for it, as for a device maker's filter missing from the machine) or installed
/// again. Any thread.
void setInstalled(const QString& clsid, bool installed);

} // namespace zroutsidefilters
