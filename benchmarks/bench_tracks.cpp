// Placing and finding objects on a long track: the timeline view and the renderer do both all
// the time.
#include "engine/timeline/ZRTimeline.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int kObjects = 10000;

struct Track {
    std::unique_ptr<ZRTimeline> timeline = std::make_unique<ZRTimeline>(nullptr, nullptr, 1);
    std::vector<IZRObject*> objects;
    int length = 0; // frames per object

    Track() {
        for (int i = 0; i < kObjects; ++i)
            objects.push_back(
                timeline->factory()->createObject("Solid Color", "RGB(0,0,0)", nullptr, nullptr));
        length = int(objects.front()->duration()->toFrames());
    }
    void insert(bool reverse) {
        for (int n = 0; n < kObjects; ++n) {
            const int i = reverse ? kObjects - 1 - n : n;
            ZRPos at(0, 0, 0, 0, 30.0);
            at.addFrames(i * length);
            timeline->insertObject(1, &at, objects[size_t(i)]);
        }
    }
};

void insertTrack(benchmark::State& state, bool reverse) {
    for (auto _ : state) {
        state.PauseTiming();
        Track track;
        state.ResumeTiming();
        track.insert(reverse);
        state.PauseTiming();
        track.timeline.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kObjects);
}

void BM_InsertInTimeOrder(benchmark::State& state) {
    insertTrack(state, false);
}
void BM_InsertInReverseOrder(benchmark::State& state) {
    insertTrack(state, true);
}

void BM_ObjectAtRandomPositions(benchmark::State& state) {
    Track track;
    track.insert(false);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> frame(0, kObjects * track.length - 1);
    std::vector<ZRPos> positions;
    for (int i = 0; i < kObjects; ++i) {
        positions.emplace_back(0, 0, 0, 0, 30.0);
        positions.back().addFrames(frame(random));
    }
    for (auto _ : state) {
        for (ZRPos& p : positions)
            benchmark::DoNotOptimize(track.timeline->objectAt(1, &p, true));
    }
    state.SetItemsProcessed(state.iterations() * kObjects);
}

// Closing a big project: clear() of 100,000 objects on ten video tracks, each with a colour
// made in a different order from its place, so that no registry is emptied from its front.
void BM_ClearBigProject(benchmark::State& state) {
    constexpr int kBig = 100000, kTracks = 10;
    for (auto _ : state) {
        state.PauseTiming();
        auto timeline = std::make_unique<ZRTimeline>(nullptr, nullptr, 1);
        std::vector<IZRObject*> made;
        for (int i = 0; i < kBig; ++i)
            made.push_back(
                timeline->factory()->createObject("Solid Color", "RGB(0,0,0)", nullptr, nullptr));
        const int length = int(made.front()->duration()->toFrames());
        const int perTrack = kBig / kTracks;
        for (int n = perTrack - 1; n >= 0; --n) {
            for (int track = 0; track < kTracks; ++track) {
                ZRPos at(0, 0, 0, 0, 30.0);
                at.addFrames(n * length);
                timeline->insertObject(track + 1, &at, made[size_t(track * perTrack + n)]);
            }
        }
        state.ResumeTiming();
        timeline->clear();
        state.PauseTiming();
        timeline.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kBig);
}

} // namespace

BENCHMARK(BM_ClearBigProject)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_InsertInTimeOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsertInReverseOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ObjectAtRandomPositions)->Unit(benchmark::kMillisecond);
