#pragma once

// Timelines the export and whole-process benchmarks build from DV clips, and the module
// settings they write, through the engine's exported interfaces only.

#include "engine/api/IZRTimeline.h"
#include "platform/system/SystemPaths.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>

namespace benchtimeline {

struct TimelineDeleter {
    void operator()(IZRTimeline* t) const { IZRDeleteTimelineInstance(t); }
};
using Timeline = std::unique_ptr<IZRTimeline, TimelineDeleter>;

/// A PAL DV timeline (25 fps, 720 x 576, 48 kHz stereo) on the program folder of this
/// executable; `callbacks` may be null.
inline Timeline palTimeline(IZRCallbacks* callbacks) {
    static const int anchor = 0;
    const std::string base = platform::folderOfAddress(&anchor).toStdString();
    Timeline t(IZRCreateTimelineInstance(callbacks, base.c_str(), 0));
    if (!t) return t;
    IZRSettings* s = t->settings();
    s->setDoubleSetting("Framerate", 25.0);
    s->setIntPairSetting("Video Dimensions", 720, 576);
    s->setIntTripleSetting("Audio Settings", 48000, 16, 2);
    return t;
}

/// The anchor timeline: clip `a` on track 1 from 0 s, a 1-second "Cross Fade" on track 2 and
/// clip `b` on track 3 from 9 s, each clip 10 s long: 475 frames. Null, with the reason in
/// `*why`, when a clip or a module is missing.
inline Timeline anchorTimeline(const std::string& a, const std::string& b, IZRCallbacks* callbacks,
                               std::string* why) {
    Timeline t = palTimeline(callbacks);
    if (!t) {
        *why = "no timeline";
        return t;
    }
    IZRObjectFactory* f = t->factory();
    IZRObject* first = f->createObject("Import", "DV-AVI", nullptr, a.c_str());
    IZRObject* second = f->createObject("Import", "DV-AVI", nullptr, b.c_str());
    IZRObject* fade = f->createObject("Transition", "Blends", "Cross Fade", nullptr);
    if (!first || !second || !fade) {
        *why = "clip A, clip B or the \"Cross Fade\" transition is missing";
        return nullptr;
    }
    IZRPos* zero = f->createPosAt(0, 0, 0, 0, 25.0);
    IZRPos* nine = f->createPosAt(0, 0, 9, 0, 25.0);
    IZRPos* ten = f->createPosAt(0, 0, 10, 0, 25.0);
    IZRPos* second1 = f->createPosAt(0, 0, 1, 0, 25.0);
    t->setObjectMarkOut(first, ten);
    t->setObjectMarkOut(second, ten);
    t->setObjectMarkOut(fade, second1);
    t->insertObject(1, zero, first);
    t->insertObject(2, nine, fade);
    t->insertObject(3, nine, second);
    return t;
}

/// `count` copies of `clip`, each cut to `frames` frames, one after another on track 1.
inline Timeline clipsTimeline(int count, int frames, const std::string& clip,
                              IZRCallbacks* callbacks, std::string* why) {
    Timeline t = palTimeline(callbacks);
    if (!t) {
        *why = "no timeline";
        return t;
    }
    IZRObjectFactory* f = t->factory();
    IZRPos* length = f->createPosAt(0, 0, 0, frames, 25.0);
    IZRPos* at = f->createPosAt(0, 0, 0, 0, 25.0);
    for (int i = 0; i < count; ++i) {
        IZRObject* object = f->createObject("Import", "Media Import", nullptr, clip.c_str());
        if (!object) {
            *why = "the clip does not open: " + clip;
            return nullptr;
        }
        t->setObjectMarkOut(object, length);
        at->set(0, 0, 0, i * frames, 25.0);
        t->insertObject(1, at, object);
    }
    return t;
}

/// Replaces group `group` ("[Export::MPEG]") of the engine's module file with `settings`,
/// keeping the rest; false when the file cannot be written.
inline bool writeModuleSettings(const QString& group, const QString& settings) {
    QFile ini(platform::stateFolder() + "/tmp_modules.ini");
    QStringList kept;
    if (ini.open(QIODevice::ReadOnly)) {
        bool skipping = false;
        for (const QString& line : QString::fromUtf8(ini.readAll()).split('\n')) {
            if (line.trimmed().startsWith('[')) skipping = line.trimmed() == group;
            if (!skipping && !line.isEmpty()) kept.push_back(line);
        }
        ini.close();
    }
    if (kept.isEmpty()) kept.push_back("# Marvesto Config File");
    kept.push_back(group);
    kept.push_back(settings);
    return ini.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           ini.write(kept.join('\n').toUtf8()) >= 0;
}

/// The settings of the side-by-side exports: DV AVI in one segment; DVD at 6 Mbit/s average
/// and 8 Mbit/s at most.
inline bool writeDvSettings() {
    return writeModuleSettings("[Export::AVI Multifile]", "Splitsize=2096000");
}
inline bool writeDvdSettings() {
    return writeModuleSettings(
        "[Export::MPEG]", "Format=DVD\nSplitsize=3784704\nMaxBitrate=8000000\nAvgBitrate=6000000");
}
/// The "MPEG" module's settings for `format` "VCD" or "SVCD".
inline bool writeMpegSettings(const QString& format) {
    return writeModuleSettings("[Export::MPEG]", "Format=" + format);
}

} // namespace benchtimeline
