// The segment joiner and segmented input. Joining touches the heads and tails of segments
// only, so joining four segments of 1 GB (BENCH_SEGMENT_MB, default 1024) should take at most
// twice as long as four of 10 MB; the large segments repeat a generated run of groups of
// pictures rather than encode gigabytes. Reading every frame of a joined ".mvl" through the
// media readers the import module uses should stay within 5 % of reading the same stream as
// one file. Media are made with the ffmpeg command in a temporary folder (BENCH_SEGMENT_MEDIA
// names another).
#include "platform/media/MediaFile.h"
#include "platform/segments/MpegJoiner.h"
#include "platform/segments/ZRSegmentList.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<char>;
constexpr int kPack = 2048;

std::string folder() {
    static QTemporaryDir temporary;
    const QByteArray named = qgetenv("BENCH_SEGMENT_MEDIA");
    return (named.isEmpty() ? temporary.path() : QString::fromLocal8Bit(named)).toStdString() + "/";
}

// Eight seconds of an MPEG-2 program stream whose groups of pictures open packets (the "dvd"
// muxer), made once.
const Bytes& source() {
    static Bytes bytes;
    if (!bytes.empty()) return bytes;
    const std::string path = folder() + "source.mpg";
    const std::string command =
        "ffmpeg -nostdin -loglevel quiet -y -f lavfi -i testsrc2=s=720x576:r=25:d=8 -f lavfi -i "
        "sine=frequency=440:sample_rate=48000:d=8.5 -target pal-dvd -g 12 -bf 2 '" +
        path + "'";
    if (std::system(command.c_str()) != 0) return bytes;
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return bytes;
}

// Four segments of about `megabytes` each: the source cut at whole packs, the middle of each
// filled with repeats of the source, and their list.
std::string makeSegments(int64_t megabytes, const std::string& base) {
    const Bytes& stream = source();
    const size_t packs = stream.size() / kPack;
    const int64_t target = megabytes * 1024 * 1024;
    std::string list = "OVMP";
    for (int i = 0; i < 4; ++i) {
        const std::string name = base + "_" + std::to_string(i) + ".mpg";
        std::ofstream out(folder() + name, std::ios::binary | std::ios::trunc);
        // Each segment starts mid-stream, at a different pack, as a capture cuts it.
        const size_t start = (packs / 5) * size_t(i) + 7;
        out.write(stream.data() + start * kPack, std::streamsize((packs - start) * kPack));
        int64_t written = int64_t(packs - start) * kPack;
        while (written + int64_t(packs) * kPack <= target) {
            out.write(stream.data(), std::streamsize(packs * kPack));
            written += int64_t(packs) * kPack;
        }
        list += "\r\n" + name + "; " + std::to_string(written);
    }
    std::ofstream(folder() + base + ".mvl", std::ios::binary | std::ios::trunc) << list;
    return folder() + base + ".mvl";
}

void BM_JoinFourSegments(benchmark::State& state) {
    if (source().empty()) {
        state.SkipWithError("ffmpeg could not make the source stream");
        return;
    }
    const std::string base = "join" + std::to_string(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        const std::string list = makeSegments(state.range(0), base);
        // The gigabytes just written reach the disk first, or their write-back would be timed.
        ::sync();
        state.ResumeTiming();
        benchmark::DoNotOptimize(segments::MpegSegmentList(list));
    }
    state.SetLabel(std::to_string(state.range(0)) + " MB a segment");
}
BENCHMARK(BM_JoinFourSegments)
    ->Arg(10)
    ->Arg([] {
        const char* megabytes = std::getenv("BENCH_SEGMENT_MB");
        return megabytes ? std::atoll(megabytes) : 1024LL;
    }())
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The same joined stream, as a list of segments and as one file.
const std::string& joinedList() {
    static std::string list;
    if (!list.empty() || source().empty()) return list;
    const Bytes& stream = source();
    const size_t packs = stream.size() / kPack;
    const std::vector<size_t> cuts{0, packs / 3, 2 * packs / 3, packs};
    std::string text = "OVMP";
    for (size_t i = 0; i + 1 < cuts.size(); ++i) {
        const std::string name = "read_" + std::to_string(i) + ".mpg";
        std::ofstream(folder() + name, std::ios::binary | std::ios::trunc)
            .write(stream.data() + cuts[i] * kPack,
                   std::streamsize((cuts[i + 1] - cuts[i]) * kPack));
        text += "\r\n" + name + "; 0";
    }
    std::ofstream(folder() + "read.mvl", std::ios::binary | std::ios::trunc) << text;
    segments::MpegSegmentList(folder() + "read.mvl");
    std::ofstream whole(folder() + "read_whole.mpg", std::ios::binary | std::ios::trunc);
    for (size_t i = 0; i + 1 < cuts.size(); ++i) {
        std::ifstream in(folder() + "read_" + std::to_string(i) + ".mpg", std::ios::binary);
        whole << in.rdbuf();
    }
    list = folder() + "read.mvl";
    return list;
}

void readEveryFrame(benchmark::State& state, const std::string& path) {
    if (path.empty()) {
        state.SkipWithError("ffmpeg could not make the source stream");
        return;
    }
    int64_t frames = 0;
    for (auto _ : state) {
        mediaimport::MediaFile file;
        std::string error;
        if (!file.open(path, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        const int64_t count = int64_t(file.playLength() * file.frameRate());
        for (int64_t i = 0; i < count; ++i)
            benchmark::DoNotOptimize(file.video()->seek(i));
        frames += count;
    }
    state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}

void BM_ReadJoinedList(benchmark::State& state) {
    readEveryFrame(state, joinedList());
}
void BM_ReadSameStreamAsOneFile(benchmark::State& state) {
    const std::string& list = joinedList();
    readEveryFrame(state, list.empty() ? list : folder() + "read_whole.mpg");
}
BENCHMARK(BM_ReadJoinedList)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadSameStreamAsOneFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
