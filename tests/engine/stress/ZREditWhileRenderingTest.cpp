// Edits and settings on the host's thread while the background renderer and a preview thread
// compose frames of the same timeline. Run under the thread sanitizer (whose deadlock detector
// reports a lock-order inversion even when no hang happens) and the address sanitizer; a hang
// is turned into a failure by a watchdog.

#include "tests/engine/render/RenderFixture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

using namespace renderfixture;

namespace {

// Ends the process when an operation has not returned in time: a deadlock fails the test
// rather than running into the test driver's time-out.
class Watchdog {
public:
    Watchdog() : m_thread([this] { watch(); }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    void enter(const char* what) {
        std::lock_guard lock(m_mutex);
        m_what = what;
        m_since = std::chrono::steady_clock::now();
    }

private:
    void watch() {
        std::unique_lock lock(m_mutex);
        while (!m_wake.wait_for(lock, std::chrono::milliseconds(200), [this] { return m_done; })) {
            if (std::chrono::steady_clock::now() - m_since > std::chrono::seconds(60)) {
                std::fprintf(stderr, "hung in \"%s\"\n", m_what.c_str());
                std::fflush(stderr);
                std::abort();
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    std::string m_what = "set-up";
    std::chrono::steady_clock::time_point m_since = std::chrono::steady_clock::now();
    std::thread m_thread;
};

ZRPos frames(int n) {
    return ZRPos(0, 0, 0, n, ZRPos::defaultFrameRate());
}

} // namespace

TEST(EditWhileRendering, EveryEditAndSettingBesideTwoComposingThreads) {
    Watchdog watchdog;
    QTemporaryDir folderA, folderB;
    const QByteArray pathA = folderA.path().toLocal8Bit(), pathB = folderB.path().toLocal8Bit();

    Timeline timeline = makeTimeline();
    IZRTimeline* t = timeline.get();
    IZRSettings* settings = t->settings();
    settings->setDoubleSetting("Framerate", 30.0);
    settings->setIntPairSetting("Video Dimensions", 32, 24);
    ZRObject* red = solid(t, 1, 0xC02020, at(0, 0));
    IZRObject* fade = t->factory()->createObject("Transition", "Basic", "Test Fade", nullptr);
    ASSERT_NE(fade, nullptr);
    ZRPos fadeAt = at(0, 10);
    ASSERT_TRUE(t->insertObject(2, &fadeAt, fade));
    ZRObject* blue = solid(t, 3, 0x2020C0, at(0, 10));
    ZRObject* overlay = solid(t, 4, 0x20C020, at(1, 0));
    overlay->setIntSetting("Overlay Mode", 1);
    IZRObject* title = t->factory()->createObject("2D-Text", nullptr, nullptr, "Title");
    ASSERT_NE(title, nullptr);
    ZRPos titleAt = at(0, 5);
    ASSERT_TRUE(t->insertObject(5, &titleAt, title));
    for (ZRObject* clip : {red, blue, overlay}) {
        const ZRPos length = frames(40);
        clip->sourceLength()->assign(&length);
    }
    settings->setIntSetting("Enable Background Rendering", 1);

    std::atomic<bool> stop{false};
    std::thread preview([&] {
        for (int f = 0; !stop.load(); f = (f + 7) % 70) {
            ZRPos p = frames(f);
            if (IZRImage* frame = t->videoAt(&p, 0)) frame->unlock();
        }
    });

    // Each operation flips between two states, so that every round changes something.
    struct Operation {
        const char* name;
        std::function<void(int round)> run;
    };
    const Operation operations[] = {
        {"mark out",
         [&](int r) {
             ZRPos out = frames(r % 2 ? 20 : 30);
             t->setObjectMarkOut(red, &out);
         }},
        {"mark in",
         [&](int r) {
             ZRPos in = frames(r % 2 ? 4 : 0);
             t->setObjectMarkIn(blue, &in);
         }},
        {"pack", [&](int) { t->packTrack(3, true); }},
        {"shift",
         [&](int r) {
             ZRPos amount = frames(3);
             t->shiftTrackObjects(3, true, blue, &amount, r % 2 == 0);
         }},
        {"move a placed object",
         [&](int r) {
             ZRPos start = frames(r % 2 ? 12 : 8);
             t->insertObject(3, &start, blue);
         }},
        {"remove and insert",
         [&](int) {
             t->removeObject(overlay);
             ZRPos start = at(1, 0);
             t->insertObject(4, &start, overlay);
         }},
        {"Video Dimensions",
         [&](int r) { settings->setIntPairSetting("Video Dimensions", r % 2 ? 24 : 32, 24); }},
        {"Framerate", [&](int r) { settings->setDoubleSetting("Framerate", r % 2 ? 25.0 : 30.0); }},
        {"title text",
         [&](int r) {
             static_cast<ZRObject*>(title)->setStringSetting(
                 "Text Text", r % 2 ? "A longer title that is drawn" : "Short");
         }},
        {"overlay setting",
         [&](int r) { overlay->setIntSetting("Overlay Match", r % 2 ? 40 : 90); }},
        {"Temporary Directory",
         [&](int r) {
             if (r % 2)
                 settings->setStringSetting("Temporary Directory", pathA.constData());
             else
                 settings->setIntSetting("Temporary Directory",
                                         reinterpret_cast<intptr_t>(pathB.constData()));
         }},
        {"Pause Background Rendering",
         [&](int r) { settings->setIntSetting("Pause Background Rendering", r % 2); }},
        {"Enable Background Rendering",
         [&](int r) { settings->setIntSetting("Enable Background Rendering", r % 2 ? 0 : 1); }},
    };
    constexpr int kRounds = 24;
    for (int round = 0; round < kRounds; ++round) {
        for (const Operation& operation : operations) {
            watchdog.enter(operation.name);
            operation.run(round);
            // Let the composing threads into the changed timeline before the next change.
            std::this_thread::yield();
        }
    }
    watchdog.enter("stopping");
    stop = true;
    preview.join();
    settings->setIntSetting("Enable Background Rendering", 0);

    // The timeline still composes at its last size.
    int width = 0, height = 0;
    settings->getIntPairSetting("Video Dimensions", &width, &height);
    ZRPos p = frames(0);
    IZRImage* frame = t->videoAt(&p, 0);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->width(), width);
    EXPECT_EQ(frame->height(), height);
    frame->unlock();
}

// The preview's audio thread mixes while the host's thread trims, moves, deletes and makes
// objects and turns every level the mix reads (track levels and mutes, channel values, volume
// keys, the mixing mode). Under the thread sanitizer a race between the mix and an edit, or a
// freed object still mixed, is reported; the mix keeps delivering sound throughout.
TEST(EditWhileRendering, EveryEditAndLevelBesideTheAudioMix) {
    Watchdog watchdog;
    Timeline timeline = makeTimeline();
    IZRTimeline* t = timeline.get();
    IZRSettings* settings = t->settings();
    settings->setDoubleSetting("Framerate", 30.0);
    auto sound = [&](int track, ZRPos start) {
        IZRObject* o = t->factory()->createObject("Import", "Constant Source", nullptr,
                                                  "const_v1000_u2000_s4");
        if (o) t->insertObject(track, &start, o);
        return o;
    };
    IZRObject* first = sound(1, at(0, 0));
    IZRObject* second = sound(2, at(0, 15));
    IZRObject* doomed = sound(3, at(0, 0));
    ASSERT_TRUE(first && second && doomed);

    std::atomic<bool> stop{false};
    std::atomic<int> blocks{0};
    std::thread mix([&] {
        for (int f = 0; !stop.load(); f = (f + 11) % 90) {
            ZRPos p = frames(f);
            t->startAudioAt(&p);
            for (int i = 0; i < 4; ++i) {
                int32_t bytes = 0;
                if (t->renderAudio(1470, &bytes) && bytes > 0) blocks.fetch_add(1);
            }
        }
    });

    struct Operation {
        const char* name;
        std::function<void(int round)> run;
    };
    const Operation operations[] = {
        {"mark out",
         [&](int r) {
             ZRPos out = frames(r % 2 ? 40 : 80);
             t->setObjectMarkOut(first, &out);
         }},
        {"mark in",
         [&](int r) {
             ZRPos in = frames(r % 2 ? 6 : 0);
             t->setObjectMarkIn(second, &in);
         }},
        {"move",
         [&](int r) {
             ZRPos start = frames(r % 2 ? 30 : 15);
             t->insertObject(2, &start, second);
         }},
        {"delete and make",
         [&](int) {
             t->factory()->destroyObject(doomed);
             doomed = sound(3, at(0, 0));
         }},
        {"Track Audio Level",
         [&](int r) {
             settings->setIndexedDoubleSetting("Track Audio Level", 1, r % 2 ? -0.5 : 0);
         }},
        {"Mute Track", [&](int r) { settings->setIntPairSetting("Mute Track", 2, r % 2); }},
        {"Channel Audio Level",
         [&](int r) {
             settings->setTrackChannelDoubleSetting("Channel Audio Level", 1, 1, r % 2 ? -6 : 0);
         }},
        {"volume key",
         [&](int r) {
             auto* keys = static_cast<ZRObject*>(first);
             ZRPos key = frames(10);
             if (r % 2)
                 keys->setVolumeKey(&key, -0.5);
             else
                 keys->clearVolumeKeys();
         }},
        {"Enhanced BRIVA Audio Handling",
         [&](int r) { settings->setIntSetting("Enhanced BRIVA Audio Handling", r % 2); }},
    };
    constexpr int kRounds = 40;
    for (int round = 0; round < kRounds; ++round) {
        for (const Operation& operation : operations) {
            watchdog.enter(operation.name);
            operation.run(round);
            std::this_thread::yield();
        }
    }
    watchdog.enter("stopping");
    // The mix is not starved by the edits.
    while (blocks.load() < 8)
        std::this_thread::yield();
    stop = true;
    mix.join();
    EXPECT_GE(blocks.load(), 8);
}

// "Lock Text Renderer" lets the host hold the text renderer across calls, title settings
// included, while frames with the title are composed: the host then holds the render mutex and
// the font's lock in the engine's order, so neither side waits for the other for ever (and the
// thread sanitizer sees no inversion). An unlock without a lock gives up nothing.
TEST(EditWhileRendering, TitleSettingsUnderTheTextRendererLock) {
    Watchdog watchdog;
    Timeline timeline = makeTimeline();
    IZRTimeline* t = timeline.get();
    IZRSettings* settings = t->settings();
    settings->setDoubleSetting("Framerate", 30.0);
    settings->setIntPairSetting("Video Dimensions", 64, 48);
    IZRObject* title = t->factory()->createObject("2D-Text", nullptr, nullptr, "Title");
    ASSERT_NE(title, nullptr);
    ZRPos titleAt = at(0, 0);
    ASSERT_TRUE(t->insertObject(1, &titleAt, title));

    std::atomic<bool> stop{false};
    std::thread preview([&] {
        for (int f = 0; !stop.load(); f = (f + 3) % 30) {
            ZRPos p = frames(f);
            if (IZRImage* frame = t->videoAt(&p, 0)) frame->unlock();
        }
    });
    watchdog.enter("an unlock without a lock");
    EXPECT_TRUE(settings->setIntSetting("Lock Text Renderer", 0));
    for (int round = 0; round < 40; ++round) {
        watchdog.enter("title text under the text renderer lock");
        ASSERT_TRUE(settings->setIntSetting("Lock Text Renderer", 1));
        static_cast<ZRObject*>(title)->setStringSetting("Text Text",
                                                        round % 2 ? "A longer title" : "Short");
        ASSERT_TRUE(settings->setIntSetting("Lock Text Renderer", 0));
        std::this_thread::yield();
    }
    watchdog.enter("stopping");
    stop = true;
    preview.join();
}
