// Exports of a timeline whose frames the background renderer stored: several composers read the
// stored frames at once, and the files must be those of the same timeline composed afresh.
#include "tests/engine/export/ExportFixture.h"
#include "tests/engine/worker/WorkerFixture.h"

#include "engine/export/ZRExportComposers.h"
#include "engine/render/ZRImage.h"
#include "tests/engine/export/ExportedFiles.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kFrames = 60;
// A second of red, a second of green, then blue: the frame shown once a second tells which
// second it came from.
struct Colour {
    const char* text;
    int start, frames;
};
constexpr Colour kColours[] = {
    {"RGB(220,30,30)", 0, 25}, {"RGB(30,200,30)", 25, 25}, {"RGB(30,30,220)", 50, 10}};

// The centre pixel (blue, green, red) of the frame buffer each time the export reports the first
// frame of a second.
std::vector<std::array<int, 3>>& shownFrames() {
    static std::vector<std::array<int, 3>> shown;
    return shown;
}
IZRTimeline*& exportingTimeline() {
    static IZRTimeline* timeline = nullptr;
    return timeline;
}

IZRCallbacks* showingCallbacks() {
    static IZRCallbacks table = [] {
        IZRCallbacks c{};
        c.progress = [](int, int, IZRPos* position, bool recompressing) {
            IZRTimeline* t = exportingTimeline();
            if (!t || !recompressing || position->frames() != 0) return true;
            IZRImage* image = t->imageBuffer(1);
            image->lock();
            const unsigned char* centre = image->pixels() +
                                          size_t(image->height() / 2) * size_t(image->stride()) +
                                          size_t(image->width() / 2) * 4;
            shownFrames().push_back({centre[0], centre[1], centre[2]});
            image->unlock();
            return true;
        };
        return c;
    }();
    return &table;
}

void addEdit(ZRTimeline& t) {
    workerfixture::addColour(t, 10, 30, 1, "RGB(128,128,128)", 2);
}

// Colours laid over the background (so that every frame needs the background renderer) and,
// when `edited`, a grey square over the middle of the first two seconds on track 2.
std::unique_ptr<ZRTimeline> makeTimeline(bool rendering, bool edited = false) {
    ZRPos::setDefaultFrameRate(25.0);
    const std::string base = exportfixture::programFolder();
    auto t = std::make_unique<ZRTimeline>(showingCallbacks(), base.c_str(), 1u);
    t->setDoubleSetting("Framerate", 25.0);
    t->setIntPairSetting("Video Dimensions", 720, 576);
    t->setIntTripleSetting("Audio Settings", 48000, 16, 2);
    for (const Colour& c : kColours)
        workerfixture::addColour(*t, c.start, c.frames, 1, c.text);
    if (edited) addEdit(*t);
    if (rendering) t->setIntSetting("Enable Background Rendering", 1);
    return t;
}

std::string storedExportFolder() {
    const QString path = testsupport::homeFolder() + "/stored-export";
    QDir().mkpath(path);
    return path.toStdString();
}

double psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size() || a.empty()) return 0;
    double error = 0;
    for (size_t i = 0; i < a.size(); ++i)
        error += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
    error /= double(a.size());
    return 10 * std::log10(255.0 * 255.0 / std::max(error, 1e-9));
}

struct Exported {
    std::vector<std::vector<uint8_t>> dv;    ///< the DV file's frames
    std::vector<std::vector<uint8_t>> mpeg;  ///< the DVD file's pictures (luma)
    std::vector<std::array<int, 3>> dvShown; ///< the frames shown during the DV export
    std::vector<std::array<int, 3>> mpegShown;
};

// Reads frames through `videoAt` on a thread of its own, as the preview does, until destroyed.
class PreviewReader {
public:
    explicit PreviewReader(ZRTimeline& t)
        : m_thread([this, &t] {
              for (int f = 0; !m_stop.load(); f = (f + 7) % kFrames) {
                  ZRPos at(0, 0, 0, f, 25.0);
                  t.videoAt(&at, 0)->unlock();
              }
          }) {}
    ~PreviewReader() {
        m_stop = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

Exported exportBoth(ZRTimeline& t, const std::string& name, bool withPreview = false) {
    std::optional<PreviewReader> preview;
    if (withPreview) preview.emplace(t);
    Exported out;
    const std::string dir = storedExportFolder();
    exportingTimeline() = &t;
    shownFrames().clear();
    const std::string list = dir + "/" + name + ".ovl";
    EXPECT_EQ(t.exportProject(list.c_str(), "AVI-DV Multifile", nullptr, nullptr, 720, 576, 25.0),
              0);
    out.dv = exportedfiles::videoPackets(dir + "/" + name + "01.avi");
    out.dvShown = std::move(shownFrames());
    shownFrames().clear();
    const std::string dvd = dir + "/" + name + ".mpg";
    EXPECT_EQ(t.exportProject(dvd.c_str(), "MPEG", nullptr, nullptr, 720, 576, 25.0), 0);
    out.mpeg = exportedfiles::lumaPlanes(dvd);
    out.mpegShown = std::move(shownFrames());
    exportingTimeline() = nullptr;
    return out;
}

void expectSameFiles(const Exported& stored, const Exported& composed) {
    ASSERT_EQ(composed.dv.size(), size_t(kFrames));
    ASSERT_EQ(stored.dv.size(), composed.dv.size());
    for (size_t i = 0; i < composed.dv.size(); ++i)
        EXPECT_TRUE(stored.dv[i] == composed.dv[i]) << "DV frame " << i << " differs";
    ASSERT_EQ(composed.mpeg.size(), size_t(kFrames));
    ASSERT_EQ(stored.mpeg.size(), composed.mpeg.size());
    for (size_t i = 0; i < composed.mpeg.size(); ++i)
        EXPECT_GE(psnr(stored.mpeg[i], composed.mpeg[i]), 35.0) << "DVD picture " << i;
}

// The strongest channel of each frame shown: red in the first second, green, then blue.
void expectShownSeconds(const std::vector<std::array<int, 3>>& shown) {
    ASSERT_EQ(shown.size(), 3u);
    const int strongest[] = {2, 1, 0};
    for (size_t s = 0; s < shown.size(); ++s) {
        const auto& bgr = shown[s];
        const int channel = int(std::max_element(bgr.begin(), bgr.end()) - bgr.begin());
        EXPECT_EQ(channel, strongest[s]) << "second " << s;
    }
}

class StoredFramesExport : public ::testing::Test {
protected:
    void SetUp() override {
        ZRExportComposers::setThreadsForTesting(4);
        exportedfiles::writeSettings("Export::AVI Multifile", "Splitsize=2096000\n");
        exportedfiles::writeSettings("Export::MPEG",
                                     "Format=DVD\nMaxBitrate=8000000\nAvgBitrate=6000000\n");
    }
    void TearDown() override {
        ZRExportComposers::setThreadsForTesting(0);
        ZRPos::setDefaultFrameRate(30.0);
    }
};

} // namespace

// Four composers decode stored DV frames at once: the files are those the same timeline gives
// composed afresh (DV frame for frame, DVD picture for picture within coding noise), the frame
// shown once a second is the one being written, and an edit between two exports (the renderer
// storing the edited range again meanwhile, the preview reading frames during the export)
// changes nothing of that.
TEST_F(StoredFramesExport, GivesTheFilesOfAFreshComposition) {
    auto composed = makeTimeline(false);
    const Exported reference = exportBoth(*composed, "composed");
    expectShownSeconds(reference.dvShown);
    expectShownSeconds(reference.mpegShown);

    auto t = makeTimeline(true);
    ASSERT_TRUE(workerfixture::waitForStored(*t, kFrames));
    const Exported stored = exportBoth(*t, "stored");
    expectSameFiles(stored, reference);
    // The stored DV frames go out unchanged: nothing is recompressed, nothing shown.
    EXPECT_TRUE(stored.dvShown.empty());
    expectShownSeconds(stored.mpegShown);

    addEdit(*t);
    auto editedComposed = makeTimeline(false, true);
    const Exported editedReference = exportBoth(*editedComposed, "edited-composed");
    // Part of the edited range may be stored again by now, the rest is composed; the preview
    // reads stored frames meanwhile (what it shows is then not checked).
    const Exported edited = exportBoth(*t, "edited-stored", true);
    expectSameFiles(edited, editedReference);
    ASSERT_TRUE(workerfixture::waitForStored(*t, kFrames));
    expectSameFiles(exportBoth(*t, "edited-stored-again"), editedReference);
}
