#pragma once

#include "platform/ffmpeg/FFmpegHandles.h"
#include "platform/ffmpeg/OrderedEncoders.h"
#include "platform/system/PendingFiles.h"
#include "plugins/export/common/AudioConformer.h"
#include "plugins/export/common/ExportPipeline.h"
#include "plugins/export/common/ExportSession.h"
#include "plugins/export/mpeg/MpegProfile.h"

#include <memory>
#include <string>
#include <vector>

namespace exportmodule {

/// Encodes frames and their audio into MPEG program-stream files of one disc profile: the
/// first file at the given path, further ones (when the profile limits the size) beside it as
/// "<name>02.<ext>", "<name>03.<ext>" and so on (a further file whose name is taken by another
/// file takes a free one, "<name>02 (2).<ext>"), each cut at the start of a closed group of
/// pictures. The audio is kept to the video's length: what arrives beyond it is dropped and
/// missing audio becomes silence. MPEG-2 video is coded interlaced, bottom field first, when one
/// of the first `kScanWindow` frames comes from an interlaced source (as DV is), else
/// progressive; those frames wait (referenced, not copied) until the scan is known. The files
/// are written under temporary names and take their own with `publish`; whatever is not
/// published is removed with the writer. Given `kThreadsForGroups` threads or more, the video is
/// encoded on several contexts at once, each taking one group of pictures in turn; the groups are
/// joined in order.
/// Thread-safety: one thread at a time (the export's worker thread after `open`).
class MpegWriter {
public:
    MpegWriter();
    ~MpegWriter();
    MpegWriter(const MpegWriter&) = delete;
    MpegWriter& operator=(const MpegWriter&) = delete;

    /// Makes the encoders and the first file. The engine's audio arrives as `inRate`,
    /// `inBits`, `inChannels` (rate 0: no audio arrives; the file gets silence). False when the
    /// encoders cannot be made or the file cannot be created (`error()` tells which).
    bool open(const MpegProfile& profile, const std::string& path, int inRate, int inBits,
              int inChannels, int threads);
    /// The pictures `write` takes: YUV 4:2:0 at the profile's size.
    PictureFormat pictureFormat() const;
    /// Encodes one frame (its picture in `pictureFormat`) and its audio.
    bool write(ExportJob& job);
    /// Flushes the encoders and completes the files; true when everything was written.
    bool finish();
    /// Gives the completed files their names; false (nothing left) when that fails.
    bool publish();
    /// Removes the files written.
    void discard() { m_pending.discard(); }

    /// The names of the files, in order: the names they took once published.
    const std::vector<std::string>& files() const { return m_files; }
    const std::string& error() const { return m_error; }

private:
    static constexpr size_t kScanWindow = 50;
    static constexpr int kThreadsForGroups = 4;

    bool openVideoEncoder(bool interlaced);
    /// A new opened video encoder of the profile and scan on `threads` slice threads; null with
    /// `*result` set when it cannot be made.
    platform::ffmpeg::CodecContextHandle makeVideoEncoder(int threads, int* result) const;
    /// The length of the closed groups of pictures the encoder forms.
    int groupFrames() const;
    bool decideScan(bool interlaced);
    bool encodePicture(AVFrame* picture);
    bool openFile();
    bool closeFile();
    bool encodeVideo(AVFrame* frame);
    bool encodeAudioUpTo(int64_t samples);
    bool writePacket(AVPacket* packet, bool video);
    bool fail(const std::string& what, int code);

    MpegProfile m_profile;
    std::string m_path;
    std::vector<std::string> m_files;
    platform::PendingFiles m_pending;
    std::string m_error;
    platform::ffmpeg::CodecContextHandle m_video; ///< the stream's parameters; encodes alone
    std::unique_ptr<platform::ffmpeg::OrderedEncoders> m_groups; ///< encodes on several
    platform::ffmpeg::CodecContextHandle m_audio;
    platform::ffmpeg::OutputHandle m_output;
    platform::ffmpeg::FrameHandle m_sound;
    platform::ffmpeg::PacketHandle m_packet;
    AudioConformer m_conformer;
    std::vector<int16_t> m_samples;
    int m_threads = 1;
    int64_t m_videoFrames = 0;
    int64_t m_audioSamples = 0;
    int64_t m_cutMargin = 0;
    bool m_hasInput = false;
    bool m_finished = false;
    bool m_interlaced = false;
    bool m_scanKnown = false;
    std::vector<platform::ffmpeg::FrameHandle> m_held; ///< frames waiting for the scan
};

} // namespace exportmodule
