// One whole run of Clipstead's engine as a user's export or preview makes it, for the
// side-by-side scripts to time as a process (start-up, module discovery and clip opening
// included) beside the peer programs.
//
//   bench_timeline anchor <A.avi> <B.avi> <action> [output]
//   bench_timeline clips <count> <frames each> <clip.avi> <action> [output]
//
// Actions: "dv" (the "AVI-DV Multifile" module; native DV frames pass through), "avi-dv" (the
// engine's AVI writer with its "DV" compressor and PCM sound: every frame encoded), "dvd" (the
// "MPEG" module, DVD profile; "vcd" and "svcd" its other profiles) and "preview" (every frame
// composed by videoAt into BGRA, nothing written). Prints the frames done and how many passed
// through unchanged to standard error.
#include "benchmarks/BenchTimeline.h"
#include "platform/system/SystemMemory.h"

#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int g_frames = 0;
int g_passed = 0;

bool progress(int, int, IZRPos*, bool recompressing) {
    ++g_frames;
    if (!recompressing) ++g_passed;
    return true;
}

// The engine reads a relative media name in its base folder; the command line means the
// current one.
std::string absolute(const char* path) {
    return QFileInfo(QString::fromLocal8Bit(path)).absoluteFilePath().toStdString();
}

int usage() {
    std::fprintf(stderr, "usage: bench_timeline anchor <A> <B> <action> [output]\n"
                         "       bench_timeline clips <count> <frames> <clip> <action> [output]\n"
                         "actions: dv, avi-dv, dvd, vcd, svcd, preview\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    platform::limitAllocatorArenas(); // as the program does
    if (argc < 5) return usage();
    IZRCallbacks callbacks{};
    callbacks.progress = progress;
    const std::string kind = argv[1];
    std::string why;
    benchtimeline::Timeline t;
    int next = 0;
    if (kind == "anchor") {
        t = benchtimeline::anchorTimeline(absolute(argv[2]), absolute(argv[3]), &callbacks, &why);
        next = 4;
    } else if (kind == "clips" && argc >= 6) {
        t = benchtimeline::clipsTimeline(std::atoi(argv[2]), std::atoi(argv[3]), absolute(argv[4]),
                                         &callbacks, &why);
        next = 5;
    } else {
        return usage();
    }
    if (!t) {
        std::fprintf(stderr, "bench_timeline: %s\n", why.c_str());
        return 1;
    }
    const std::string action = argv[next];
    const std::string outputPath = next + 1 < argc ? absolute(argv[next + 1]) : std::string();
    const char* output = outputPath.empty() ? nullptr : outputPath.c_str();
    const int frames = int(t->endPosition()->toFrames());
    int result = 0;
    if (action == "preview") {
        IZRPos* p = t->factory()->createPosAt(0, 0, 0, 0, 25.0);
        for (int frame = 0; frame < frames; ++frame) {
            p->set(0, 0, 0, frame, 25.0);
            IZRImage* image = t->videoAt(p, 0);
            if (!image) return 1;
            g_frames += image->pixels() != nullptr;
            image->unlock();
        }
    } else if (!output) {
        return usage();
    } else if (action == "dv") {
        result =
            benchtimeline::writeDvSettings()
                ? t->exportProject(output, "AVI-DV Multifile", nullptr, nullptr, 720, 576, 25.0)
                : 1;
    } else if (action == "dvd") {
        result = benchtimeline::writeDvdSettings()
                     ? t->exportProject(output, "MPEG", nullptr, nullptr, 720, 576, 25.0)
                     : 1;
    } else if (action == "vcd" || action == "svcd") {
        result = benchtimeline::writeMpegSettings(action == "vcd" ? "VCD" : "SVCD")
                     ? t->exportProject(output, "MPEG", nullptr, nullptr, 720, 576, 25.0)
                     : 1;
    } else if (action == "avi-dv") {
        t->setExportCodecName("AVI", true, "DV");
        t->setExportCodecName("AVI", false, "PCM");
        result = t->exportProject(output, "AVI", nullptr, nullptr, 720, 576, 25.0);
    } else {
        return usage();
    }
    std::fprintf(stderr, "bench_timeline: %d of %d frames done, %d passed through unchanged\n",
                 g_frames, frames, g_passed);
    return result == 0 ? 0 : 1;
}
