#pragma once

#include "platform/ffmpeg/FFmpegHandles.h"
#include "platform/system/PendingFiles.h"
#include "plugins/export/common/AudioConformer.h"
#include "plugins/export/common/ExportPipeline.h"
#include "plugins/export/common/ExportSession.h"

extern "C" {
#include <libavutil/rational.h>
}

#include <cstdint>
#include <string>
#include <vector>

namespace exportmodule {

/// Writes DV AVI segments (720 x 576 at 25 or 720 x 480 at 30000/1001 frames per second, 48 kHz
/// 16-bit stereo PCM) named "<stem>01.avi", "<stem>02.avi" and so on, each kept below the split
/// size. Native DV frames are written unchanged; pictures are encoded. Each frame's audio is
/// exactly the video's share, taken from the engine's audio (converted, trimmed, and filled
/// with silence where it is missing). The segments are written under temporary names and take
/// their own with `publish`; whatever is not published is removed with the writer. A segment
/// replaces a file only when that file is a segment of the list the export replaces (the caller
/// agreed to replace the list, and they are its content); under a name that any other file has,
/// it takes a free one ("<stem>01 (2).avi") and keeps that file.
/// Thread-safety: one thread at a time (the export's worker thread after `open`).
class DvSegmentWriter {
public:
    DvSegmentWriter();
    ~DvSegmentWriter();
    DvSegmentWriter(const DvSegmentWriter&) = delete;
    DvSegmentWriter& operator=(const DvSegmentWriter&) = delete;

    /// `stem`: the segment path up to its number. `pal` picks the system; `splitBytes` the
    /// largest segment. Engine audio: `inRate` (0 = none), `inBits`, `inChannels`.
    /// `replaceable`: the bare names of the segments of the list the export replaces.
    bool open(const std::string& stem, bool pal, int64_t splitBytes, int inRate, int inBits,
              int inChannels, int threads, std::vector<std::string> replaceable = {});
    /// The pictures `write` encodes: 720 x 576 YUV 4:2:0 (PAL) or 720 x 480 YUV 4:1:1.
    PictureFormat pictureFormat() const;
    bool write(ExportJob& job);
    bool finish();
    /// Gives the completed segments their names; false (nothing left) when that fails.
    bool publish();
    /// Removes the segments written.
    void discard() { m_pending.discard(); }

    /// The bytes of one DV frame of the chosen system.
    size_t frameBytes() const { return m_pal ? 144000 : 120000; }
    /// The paths of the segments, in order: the names they took once published.
    const std::vector<std::string>& segments() const { return m_segments; }
    const std::string& error() const { return m_error; }

private:
    bool openSegment();
    std::string segmentName(const std::string& path, platform::PendingFiles::Taken& taken) const;
    bool closeSegment();
    bool writeVideo(const uint8_t* data, size_t size);
    bool fail(const std::string& what, int code);

    std::string m_stem;
    bool m_pal = true;
    AVRational m_rate{25, 1};
    int64_t m_splitBytes = 0;
    std::vector<std::string> m_segments;
    std::vector<std::string> m_replaceable;
    platform::PendingFiles m_pending;
    std::string m_error;
    platform::ffmpeg::CodecContextHandle m_encoder;
    platform::ffmpeg::OutputHandle m_output;
    platform::ffmpeg::PacketHandle m_packet;
    AudioConformer m_conformer;
    std::vector<int16_t> m_samples;
    std::vector<uint8_t> m_encoded;
    int m_threads = 1;
    bool m_hasInput = false;
    int64_t m_frames = 0;         // over all segments: the audio's clock
    int64_t m_segmentFrames = 0;  // in the open segment
    int64_t m_segmentSamples = 0; // in the open segment
};

} // namespace exportmodule
