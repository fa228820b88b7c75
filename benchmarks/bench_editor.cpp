// The editor object's chain: appending, inserting at the front, a full relayout, a sequential
// objectAt walk, and the thumbnails of 720 x 576 clips (the module fixture's interlaced source:
// its frames are painted, not decoded, so DV decoding is not part of the figure).
#include "IZRTimeline.h"
#include "ZRAppState.h"
#include "ZRCallbacks.h"
#include "ZRVeskEditor.h"

#include <benchmark/benchmark.h>

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

} // namespace
