#pragma once

// Rendering an edited project in the whole program. The parent makes the media with ffmpeg and
// the settings a user of DV PAL left; the child ("--session render") edits a project of them in
// its window, switches background rendering on, waits until the renderer stored every frame that
// needs it and renders the project through the produce page in four profiles; the parent then
// checks the files.

#include <QString>
#include <QStringList>

class ZRSBMainWindow;

namespace renderscenario {

/// One render of the session: a profile of the produce page and what its file must hold.
struct Render {
    const char* profile;    ///< the entry of the produce page's profile box
    const char* file;       ///< the file dialog's answer, in the project's folder
    const char* videoCodec; ///< the streams' codecs, as ffprobe names them
    const char* audioCodec;
    int width, height;
    bool segmented; ///< `file` is a segment list whose segments hold the picture
};

inline constexpr Render kRenders[] = {
    {"MPEG-II DVD PAL", "dvd.mpg", "mpeg2video", "ac3", 720, 576, false},
    {"DV-AVI PAL", "dv.ovl", "dvvideo", "pcm_s16le", 720, 576, true},
    {"MPEG-I VCD PAL", "vcd.mpg", "mpeg1video", "mp2", 352, 288, false},
    {"MPEG-II S-VCD PAL", "svcd.mpg", "mpeg2video", "mp2", 480, 576, false},
};

/// The media of the project, made in `folder`: three DV AVI clips, 720 x 576 at 25 fps with
/// sound, each of other pictures, and a WAV of music. False when ffmpeg failed.
bool makeMedia(const QString& folder);

/// The settings file at `path` as a user leaves it who chose DV PAL in the profile dialog, split
/// DV files at 5,120 KB and switched background rendering off. False when it cannot be written.
bool writeSettings(const QString& path);

/// The child's part, in the window once it is up: the project's name is the file dialog's
/// answer (CLIPSTEAD_TEST_SAVE_AS), and the media lie beside it. Edits the project, switches
/// background rendering on, waits for the stored frames and renders in every profile of
/// `kRenders`, telling on the standard output what it did; the answer is the project's name again
/// afterwards.
void run(ZRSBMainWindow& window);

/// The parent's part: checks the child's report `lines` and the files it wrote in `folder`.
void checkRenders(const QStringList& lines, const QString& folder);

} // namespace renderscenario
