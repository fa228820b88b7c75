#pragma once

// Media files for the import tests, made at run time with the ffmpeg command, and the program
// folder whose PlugIns/ the engine scans.

#include "platform/system/SystemPaths.h"
#include "tests/support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <cstdlib>
#include <string>

namespace mediafixture {

/// The program folder of this build (bin/ beside the tests' folder), ending in "/".
inline std::string programFolder() {
    static const int anchor = 0;
    return QDir::cleanPath(platform::folderOfAddress(&anchor) + QStringLiteral("../bin"))
               .toStdString() +
           "/";
}

/// The folder the media are made in, ending in "/".
inline std::string mediaFolder() {
    const QString folder = testsupport::homeFolder() + QStringLiteral("/media");
    QDir().mkpath(folder);
    return folder.toStdString() + "/";
}

/// Runs ffmpeg with `arguments` writing `name` in the media folder; the file's path, or "" when
/// ffmpeg failed.
inline std::string make(const std::string& name, const std::string& arguments) {
    const std::string path = mediaFolder() + name;
    if (QFile::exists(QString::fromStdString(path))) return path;
    const std::string command =
        "ffmpeg -nostdin -hide_banner -loglevel error -y " + arguments + " '" + path + "'";
    return std::system(command.c_str()) == 0 ? path : std::string();
}

// Lavfi sources: two seconds of pictures and of a 440 Hz tone at 1/8 of full scale (stereo
// files carry it on both channels unchanged).
inline const std::string kTwoColours =
    "-f lavfi -i \"color=c=red:s=720x576:r=25:d=1[a];color=c=blue:s=720x576:r=25:d=1[b];"
    "[a][b]concat=n=2:v=1:a=0\" ";
inline std::string greyRamp(int width, int height) {
    // Frame n has the luma 16 + 4n: every frame of the two seconds tells its number.
    return "-f lavfi -i \"color=c=black:s=" + std::to_string(width) + "x" + std::to_string(height) +
           ":r=25:d=2,format=yuv420p,geq=lum='16+4*N':cb=128:cr=128\" ";
}
inline const std::string kStereo = "-af 'pan=stereo|c0=c0|c1=c0' ";
inline std::string tone(int rate) {
    return "-f lavfi -i \"sine=frequency=440:sample_rate=" + std::to_string(rate) +
           ":duration=2\" ";
}

/// A 2-second 720 x 576 DV AVI at 25 fps: red for the first second, blue for the second; a
/// 440 Hz tone in 16-bit stereo at 48 kHz.
inline std::string dvAvi() {
    return make("clip_dv.avi", kTwoColours + tone(48000) +
                                   "-c:v dvvideo -pix_fmt yuv420p -c:a pcm_s16le " + kStereo +
                                   "-f avi");
}
/// The same pictures and sound as raw DV.
inline std::string rawDV() {
    return make("clip.dv",
                kTwoColours + tone(48000) + "-c:v dvvideo -pix_fmt yuv420p " + kStereo + "-f dv");
}
/// MPEG-2 program stream, 720 x 576, grey ramp, groups of 12 with B pictures, MP2 sound.
inline std::string mpegPS() {
    return make("clip_ps.mpg", greyRamp(720, 576) + tone(48000) +
                                   "-c:v mpeg2video -q:v 2 -g 12 -bf 2 -c:a mp2 -b:a 192k " +
                                   kStereo + "-f vob");
}
/// MPEG-2 transport stream, 720 x 576, grey ramp.
inline std::string mpegTS() {
    return make("clip.ts", greyRamp(720, 576) + tone(48000) +
                               "-c:v mpeg2video -q:v 2 -g 12 -bf 2 -c:a mp2 " + kStereo +
                               "-f mpegts");
}
/// H.264 in MP4, 320 x 240, grey ramp, groups of 25 with B pictures, AAC sound at 44.1 kHz.
inline std::string mp4() {
    return make("clip.mp4", greyRamp(320, 240) + tone(44100) +
                                "-c:v libx264 -preset ultrafast -crf 10 -g 25 -bf 2 "
                                "-pix_fmt yuv420p -c:a aac " +
                                kStereo + "-f mp4");
}
/// MPEG-4 part 2 in Matroska, 320 x 240, grey ramp, PCM sound.
inline std::string mkv() {
    return make("clip.mkv", greyRamp(320, 240) + tone(48000) +
                                "-c:v mpeg4 -q:v 2 -g 25 -c:a pcm_s16le " + kStereo +
                                "-f matroska");
}
/// 16-bit mono WAV at 44.1 kHz.
inline std::string wav() {
    return make("tone.wav", tone(44100) + "-c:a pcm_s16le -f wav");
}
/// MP3 at 44.1 kHz.
inline std::string mp3() {
    return make("tone.mp3", tone(44100) + "-c:a libmp3lame -b:a 128k -f mp3");
}
/// A 400 x 300 green picture in the given format ("png", "bmp", "mjpeg").
inline std::string picture(const std::string& extension, const std::string& codec) {
    return make("picture." + extension, "-f lavfi -i \"color=c=0x00C000:s=400x300:d=1\" "
                                        "-frames:v 1 -c:v " +
                                            codec + " -f image2");
}

/// Writes `bytes` bytes of `source` (all when negative) to `name` in the media folder.
inline std::string truncated(const std::string& source, const std::string& name, qint64 bytes) {
    QFile in(QString::fromStdString(source));
    const std::string path = mediaFolder() + name;
    QFile out(QString::fromStdString(path));
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) return {};
    out.write(in.read(bytes));
    return path;
}

} // namespace mediafixture
