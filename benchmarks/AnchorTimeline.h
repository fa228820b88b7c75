#pragma once

// The anchor timeline of the benchmarks: two 10-second 720 x 576 25 fps DV clips joined by a
// 1-second cross-fade, 475 frames, through the program's own modules in bin/PlugIns (the media
// import module and the "Cross Fade" transition). The clips are made by the benchmark scripts
// (anchor_clips.sh); CLIPSTEAD_BENCH_MEDIA names the folder holding A.avi and B.avi.
#include "engine/api/IZRTimeline.h"
#include "engine/base/ZRPos.h"
#include "platform/system/SystemPaths.h"

#include <QFileInfo>
#include <QString>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr int kFrames = 475;
constexpr double kRate = 25.0;

struct TimelineDeleter {
    void operator()(IZRTimeline* t) const { IZRDeleteTimelineInstance(t); }
};
using Timeline = std::unique_ptr<IZRTimeline, TimelineDeleter>;

inline std::string mediaFolder() {
    const char* folder = std::getenv("CLIPSTEAD_BENCH_MEDIA");
    return folder ? std::string(folder) + "/" : std::string();
}

// The anchor timeline: A on track 1 from 0 s, the cross-fade on track 2 from 9 s for 1 s, B on
// track 3 from 9 s; null (with the reason) when a clip or a module is missing.
inline Timeline anchorTimeline(int audioRate, std::string* why) {
    static const int anchor = 0;
    const std::string base = platform::folderOfAddress(&anchor).toStdString();
    const std::string a = mediaFolder() + "A.avi", b = mediaFolder() + "B.avi";
    if (!QFileInfo::exists(QString::fromStdString(a)) ||
        !QFileInfo::exists(QString::fromStdString(b))) {
        *why = "no clips: run one of the benchmark scripts";
        return nullptr;
    }
    Timeline t(IZRCreateTimelineInstance(nullptr, base.c_str(), 0));
    IZRSettings* s = t->settings();
    s->setDoubleSetting("Framerate", kRate);
    s->setIntPairSetting("Video Dimensions", 720, 576);
    s->setIntTripleSetting("Audio Settings", audioRate, 16, 2);
    IZRObjectFactory* f = t->factory();
    IZRObject* first = f->createObject("Import", "DV-AVI", nullptr, a.c_str());
    IZRObject* second = f->createObject("Import", "DV-AVI", nullptr, b.c_str());
    IZRObject* fade = f->createObject("Transition", "Blends", "Cross Fade", nullptr);
    if (!first || !second || !fade) {
        *why = "the media import module or the \"Cross Fade\" transition is not in " + base +
               "PlugIns";
        return nullptr;
    }
    ZRPos zero(0, 0, 0, 0, kRate), nine(0, 0, 9, 0, kRate), second1(0, 0, 1, 0, kRate),
        ten(0, 0, 10, 0, kRate);
    // Exactly 10 s of each clip (a container may report a little more) and 1 s of fade.
    t->setObjectMarkOut(first, &ten);
    t->setObjectMarkOut(second, &ten);
    t->setObjectMarkOut(fade, &second1);
    t->insertObject(1, &zero, first);
    t->insertObject(2, &nine, fade);
    t->insertObject(3, &nine, second);
    const int frames = int(t->endPosition()->toFrames()); // the frame after the last
    if (frames != kFrames) {
        *why = "the timeline is " + std::to_string(frames) + " frames long";
        return nullptr;
    }
    return t;
}

} // namespace
