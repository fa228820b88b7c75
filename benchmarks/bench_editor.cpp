// The editor object's chain: appending, inserting at the front, a full relayout, a sequential
// objectAt walk, the thumbnails of 720 x 576 clips (the module fixture's interlaced source:
// its frames are painted, not decoded, so DV decoding is not part of the figure), and opening a
// generated project of solid-colour clips with transitions and effects, thumbnails included.
#include "editor/ZRAppState.h"
#include "editor/ZRCallbacks.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRTimeline.h"
#include "engine/api/ZREffectList.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

class Session {
public:
    explicit Session(const char* base = nullptr, unsigned flags = 1) {
        fillCallbacks(m_callbacks);
        timeline = IZRCreateTimelineInstance(&m_callbacks, base, flags);
        appState().timeline = timeline;
        editor = std::make_unique<ZRVeskEditor>();
        editor->setTimeline(timeline);
        // Thumbnails are measured on their own.
        editor->setLargeThumbSize(QSize());
    }
    ~Session() {
        editor.reset();
        IZRDeleteTimelineInstance(timeline);
        appState().timeline = nullptr;
    }

    IZRObject* clip(int frames) {
        IZRObject* object =
            timeline->factory()->createObject("Solid Color", "RGB(10,20,30)", nullptr, nullptr);
        IZRPos* length = timeline->factory()->createPos();
        length->set(0, 0, 0, frames, length->framerate());
        timeline->setObjectMarkOut(object, length);
        timeline->factory()->destroyPos(length);
        return object;
    }
    void append(int count) {
        for (int i = 0; i < count; ++i)
            editor->insertClip(clip(25 + i % 50), editor->objectCount());
    }

    IZRTimeline* timeline = nullptr;
    std::unique_ptr<ZRVeskEditor> editor;

private:
    IZRCallbacks m_callbacks{};
};

void BM_AppendClips(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto session = std::make_unique<Session>();
        state.ResumeTiming();
        session->append(int(state.range(0)));
        state.PauseTiming();
        session.reset();
        state.ResumeTiming();
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_AppendClips)
    ->Arg(250)
    ->Arg(500)
    ->Arg(1000)
    ->Complexity()
    ->Unit(benchmark::kMillisecond);

void BM_InsertHundredAtTheFront(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto session = std::make_unique<Session>();
        session->append(int(state.range(0)));
        std::vector<IZRObject*> clips;
        for (int i = 0; i < 100; ++i)
            clips.push_back(session->clip(30));
        state.ResumeTiming();
        for (IZRObject* clip : clips)
            session->editor->insertClip(clip, 0);
        state.PauseTiming();
        session.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_InsertHundredAtTheFront)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_RelayoutFromTheFirstClip(benchmark::State& state) {
    Session session;
    session.append(int(state.range(0)));
    for (auto _ : state)
        session.editor->relayoutFrom(session.editor->firstObject());
}
BENCHMARK(BM_RelayoutFromTheFirstClip)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_ObjectAtWalk(benchmark::State& state) {
    Session session;
    session.append(int(state.range(0)));
    const int count = session.editor->objectCount();
    for (auto _ : state) {
        for (int i = 0; i < count; ++i)
            benchmark::DoNotOptimize(session.editor->objectAt(i));
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_ObjectAtWalk)->Arg(1000);

// Clips per second: each one's three thumbnails (68 x 51, 40 x 30 twice) from 720 x 576 frames.
void BM_ThumbnailsOfFullSizeClips(benchmark::State& state) {
    Session session(CLIPSTEAD_MODULE_FIXTURE_DIR, 0);
    session.editor->setLargeThumbSize(QSize(68, 51));
    IZRTimeline* timeline = session.timeline;
    timeline->settings()->setDoubleSetting("Framerate", 25.0);
    timeline->settings()->setIntPairSetting("Video Dimensions", 720, 576);
    for (int i = 0; i < 10; ++i) {
        IZRObject* clip =
            timeline->factory()->createObject("Import", "Media Import", nullptr, "interlaced.dv");
        if (!clip) {
            state.SkipWithError("no fixture import module");
            return;
        }
        session.editor->insertClip(clip, session.editor->objectCount());
    }
    IZRObject* first = session.editor->firstObject();
    IZRObject* last = session.editor->lastObject();
    for (auto _ : state)
        session.editor->updateThumbnails(first, last);
    state.SetItemsProcessed(state.iterations() * 10);
}
BENCHMARK(BM_ThumbnailsOfFullSizeClips)->Unit(benchmark::kMillisecond);

std::string timeText(int frames) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%02d", frames / 108000, frames / 1800 % 60,
                  frames / 30 % 60, frames % 30);
    return text;
}

// A project as the editor writes it: `clips` solid clips of 40 to 89 frames alternating between
// tracks 1 and 3, a 10-frame transition after each but the last, an effect on every tenth clip.
std::string generatedProject(int clips) {
    std::string text = "zrSetSetting( \"Video Dimensions\", 720, 576 );\n"
                       "zrSetSetting( \"Framerate\", 30 );\n"
                       "zrSetSetting( \"Audio Settings\", 48000, 16, 2 );\n";
    int start = 0;
    for (int i = 0; i < clips; ++i) {
        const std::string clip = "c" + std::to_string(i);
        const int length = 40 + i % 50;
        const bool last = i + 1 == clips;
        text += "integer " + clip + "=zrObjectFactory( \"Solid Color\", \"RGB(" +
                std::to_string(i % 256) + ",80,120)\", \"\", \"\" );\n";
        text += "zrSetObjectMarkOut( " + clip + ", \"" + timeText(length) + "\" );\n";
        if (i % 10 == 0) {
            const std::string effect = "e" + std::to_string(i);
            text += "integer " + effect +
                    "=zrEffectFactory( \"Video Effect\", \"Colour\", \"Test Invert\" );\n";
            text += "zrAddEffect( " + clip + ", " + effect + " );\n";
        }
        text += "zrObjectAppConfigString( " + clip + ", \"<ZR_EDITOR_DATA>$@@$VIDEO$@@$" +
                std::to_string(i) + "$@@$" + std::to_string(last ? 0 : i + 1) + "$@@$\" );\n";
        text += "zrInsertObject( " + clip + ", " + (i % 2 ? "3" : "1") + ", \"" + timeText(start) +
                "\" );\n";
        start += length - 10;
        if (last) break;
        const std::string fade = "t" + std::to_string(i);
        text += "integer " + fade +
                "=zrObjectFactory( \"Transition\", \"Basic\", \"Test Fade\", \"\" );\n";
        text += "zrSetObjectMarkOut( " + fade + ", \"" + timeText(10) + "\" );\n";
        text += "zrSetObjectSetting( " + fade + ", \"Transition Direction\", " +
                (i % 2 ? "1" : "0") + " );\n";
        text += "zrObjectAppConfigString( " + fade +
                ", \"<ZR_EDITOR_DATA>$@@$TRANS$@@$-1$@@$$@@$\" );\n";
        text += "zrInsertObject( " + fade + ", 2, \"" + timeText(start) + "\" );\n";
    }
    return text;
}

// The whole open: clearing the empty timeline, running the script, rebuilding and checking the
// chain, publishing the format and rendering three thumbnails per clip (68 x 51 and 40 x 30).
void BM_OpenGeneratedProject(benchmark::State& state) {
    const int clips = int(state.range(0));
    const QString path = QDir::temp().filePath(QStringLiteral("bench_editor_%1.zrs").arg(clips));
    {
        QFile file(path);
        const std::string text = generatedProject(clips);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(text.data(), qint64(text.size())) != qint64(text.size())) {
            state.SkipWithError("cannot write the project");
            return;
        }
    }
    Session session(CLIPSTEAD_MODULE_FIXTURE_DIR, 0);
    session.editor->setLargeThumbSize(QSize(68, 51));
    for (auto _ : state) {
        state.PauseTiming();
        session.editor->newProject();
        state.ResumeTiming();
        if (!session.editor->loadProject(path) || session.editor->objectCount() != clips) {
            state.SkipWithError("the project did not load");
            break;
        }
    }
    QFile::remove(path);
    // What was opened is the project described: every transition and effect attached.
    int transitions = 0, effects = 0;
    for (IZRObject* clip = session.editor->firstObject(); clip;) {
        const int index = session.editor->indexOf(clip);
        transitions += session.editor->transitionOf(index) ? 1 : 0;
        effects += clip->effectList() && clip->effectList()->count() ? 1 : 0;
        clip = session.editor->objectAt(index + 1);
    }
    if (transitions != clips - 1 || effects != (clips + 9) / 10)
        state.SkipWithError("transitions or effects went missing");
    state.SetComplexityN(clips);
}
BENCHMARK(BM_OpenGeneratedProject)
    ->Arg(1000)
    ->Arg(2000)
    ->Complexity()
    ->Unit(benchmark::kMillisecond);

} // namespace
