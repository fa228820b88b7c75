#pragma once

#include <QString>

/// One set of output settings: what the produce page renders with. A plain value; the store
/// (`ZRExportProfiles`) keeps the list. Confined to the thread that owns the store.
struct ExportProfile {
    QString name;       ///< shown in the profile list; the name of its group in "clipstead.ini"
    QString videoCodec; ///< handed to the engine for AVI, shown only for the other formats
    QString audioCodec;
    int width = 0;
    int height = 0;
    double fps = 0.0;
    int sampleRate = 0;
    int channels = 0;
    bool userMade = false; ///< the user's own: renamed, saved, deleted, edited in place
    bool saved = false;    ///< written by the next `writeProfiles`; once set, stays set
    int formatId = 0;      ///< an `ExportFormat` id

    /// The ranges the page's validators accept (and so the ones a render can be given).
    static constexpr int kMinFrameSide = 10;
    static constexpr int kMaxFrameSide = 4000;
    static constexpr double kMinFps = 0.1;
    static constexpr double kMaxFps = 30.0;
    static constexpr int kMinSampleRate = 10;
    static constexpr int kMaxSampleRate = 60000;

    /// True when the video (10-4000 pixels each side, 0.1-30 fps) and the audio (10-60000 Hz,
    /// 1 or 2 channels) lie in the validators' ranges. A profile read from a group that lacks
    /// keys holds zeros and fails: the render refuses it rather than handing the engine a frame
    /// of no pixels or a sound of no channels.
    bool check() const;
};

/// One output format by its id (0 AVI, 1 AVI-DV Multifile, 3/5/6 MPEG VCD, S-VCD, DVD). Ids 2
/// and 4 and any other have no entry.
struct ExportFormat {
    int id;
    const char* engineName; ///< the format name `exportProject` is given
    const char* filter;     ///< the file dialog's filter (translated by the page)
    const char* extension;  ///< without the dot
};

namespace exportformat {
inline constexpr int kAvi = 0;
inline constexpr int kAviDvMultifile = 1;
inline constexpr int kMpegVcd = 3;
inline constexpr int kMpegSvcd = 5;
inline constexpr int kMpegDvd = 6;
} // namespace exportformat

/// The format of `id`; null for ids without one (they render with an empty format name, no
/// extension and no module settings).
const ExportFormat* exportFormat(int id);
/// True for the formats whose sample rate and channels the export module fixes (1, 3, 5, 6).
bool formatFixesAudio(int id);
