// The capture page on the simulated capture card and MPEG encoder, through the registered card
// paths: preview, format lists, property controls reaching the device, recording into
// "Captured", and captures ended by the writer.

#include "capture/ZRCardPathMakers.h"
#include "capture/ZRKestrelCapPath.h"
#include "capture/ZRTunerDialog.h"
#include "capture/ZRVideoWidget.h"
#include "classes/widgets/ZRPushButton.h"
#include "platform/playback/ZRAlsaOutput.h"
#include "platform/segments/MpegJoiner.h"
#include "platform/segments/ZRSegmentList.h"
#include "platform/v4l2/ZRMvlWriterNode.h"
#include "tests/capture/CardTestSupport.h"
#include "tests/capture/ImportViewFixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QThread>

#include <linux/videodev2.h>

#include <fstream>

using importtest::FakeHub;
using importtest::ScriptedServices;
using zrv4l2::SimConfig;
using zrv4l2::SimDevice;

namespace cardpagetest {

constexpr long kCardKinds[] = {0x011, 0x021, 0x022, 0x081, 0x201, 0x202, 0x251, 0x252};

class CardPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        useShellSkin();
        zrcapture::registerCardPathMakers();
        appState().setSettings(
            new QConfig(QConfig::Flavour::Program, dir.filePath(QStringLiteral("clipstead.ini"))),
            [](QConfig* c) { delete c; });
        settings().writeEntry(QStringLiteral("MediaFolder"), dir.path());
        settings().writeEntry(QStringLiteral("MediaFile"), QStringLiteral("capture0001"));
        appState().hub = &hub;
        appState().formatIndex = 1; // VCD: the encoder's stream stays small
        appState().ntsc = false;
        appState().sceneDetection = false;
        appState().splitSize = 150;
        ZRWindowServices::install(&services);
        SimConfig card = SimConfig::captureCard("Simulated TV Card");
        card.speed = 25;
        tv = cards.backend->addCard("simpage:tv", card);
        cards.backend->addSound("simpage line in", 1.0);
        SimConfig mpeg = SimConfig::mpegEncoder("Simulated MPEG Encoder");
        mpeg.speed = 25;
        encoder = cards.backend->addCard("simpage:mpeg", mpeg);
    }
    void TearDown() override {
        page.reset();
        ZRWindowServices::install(nullptr);
        appState().hub = nullptr;
        appState().splitSize = 0;
        appState().formatIndex = 0;
        appState().setSettings(nullptr, nullptr);
        for (long kind : kCardKinds)
            ZRGraphFactory::registerPathMaker(kind, {});
    }
    QConfig& settings() {
        appState().settings()->setGroup(QStringLiteral("General Settings"));
        return *appState().settings();
    }
    ZRImportView& shown() {
        page = std::make_unique<ZRImportView>(nullptr, "ZRImportView");
        page->setWait([](int) {});
        page->resize(800, 560);
        page->show();
        return *page;
    }
    /// Selects the card's sound input as the page's sound device; false when it is not listed.
    bool selectLineIn() {
        const int sound = page->audioDeviceCombo()->findText(QStringLiteral("simpage line in"),
                                                             Qt::MatchContains);
        if (sound <= 0) return false;
        page->audioDeviceCombo()->setCurrentIndex(sound);
        page->slotAudioDeviceSelected(sound);
        return true;
    }
    /// Selects the device whose list text starts with `text`.
    void select(const char* text) {
        const int row =
            page->videoDeviceCombo()->findText(QString::fromUtf8(text), Qt::MatchStartsWith);
        ASSERT_GT(row, 0) << text;
        page->videoDeviceCombo()->setCurrentIndex(row);
        page->slotVideoDeviceSelected(row);
        ASSERT_NE(page->factory(), nullptr);
        ASSERT_NE(page->factory()->activePath(), nullptr) << text;
    }
    /// Lets queued events through until `done` or `ms` passed.
    template <class Fn> bool waitFor(Fn done, int ms) {
        QElapsedTimer t;
        t.start();
        while (!done()) {
            if (t.elapsed() > ms) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(5);
        }
        return true;
    }
    int selectorRow(const char* text) const {
        return page->propertySelector()->findText(QString::fromUtf8(text));
    }
    void choose(const char* text) {
        const int i = selectorRow(text);
        ASSERT_GE(i, 0) << text;
        page->propertySelector()->setCurrentIndex(i);
        page->slotAVPropSelect(i);
    }
    QString file(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    FakeHub hub;
    ScriptedServices services;
    cardtest::SimulatedCards cards;
    std::shared_ptr<SimDevice> tv, encoder;
    std::unique_ptr<ZRImportView> page;
};

int64_t sizeOf(const QString& path) {
    return QFileInfo(path).size();
}

bool startsWithPack(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char b[4] = {};
    in.read(reinterpret_cast<char*>(b), 4);
    return in.gcount() == 4 && b[0] == 0 && b[1] == 0 && b[2] == 1 && b[3] == 0xBA;
}

TEST_F(CardPageTest, TheCardPreviewsListsFormatsAndRecordsAnAviIntoCaptured) {
    ZRImportView& view = shown();
    ASSERT_TRUE(selectLineIn());
    select("WDM Simulated TV Card");
    EXPECT_EQ(view.graphKind(), 0x011);
    // Live preview: the card's frames reach the preview window.
    ASSERT_TRUE(waitFor([&] { return tv->framesMade() >= 5; }, 5000));
    EXPECT_TRUE(view.button(ZRImportView::RecordHddButton)->isEnabled());

    // The card's sizes and the sound device's formats, the keys following the choice.
    ASSERT_GT(view.resolutionCombo()->count(), 1);
    EXPECT_TRUE(view.resolutionCombo()->isEnabled());
    EXPECT_GT(view.audioFormatCombo()->count(), 0);
    const int small = view.resolutionCombo()->findText(QStringLiteral("352x288"));
    ASSERT_GE(small, 0);
    view.resolutionCombo()->setCurrentIndex(small);
    view.slotResolutionSelected(small);
    EXPECT_EQ(tv->format().width, 352u);
    EXPECT_EQ(settings().readNumEntry(QStringLiteral("lastVResX")), 352);

    QWidget edit;
    appState().editButton = &edit;
    view.button(ZRImportView::RecordHddButton)->click();
    ASSERT_EQ(view.recordState(), ZRImportView::Recording);
    EXPECT_FALSE(edit.isEnabled());
    // Two seconds of pictures.
    const int64_t before = tv->framesMade();
    ASSERT_TRUE(waitFor([&] { return tv->framesMade() >= before + 50; }, 15000));
    view.button(ZRImportView::StopHddButton)->click();
    appState().editButton = nullptr;

    EXPECT_EQ(view.recordState(), ZRImportView::Idle);
    EXPECT_EQ(hub.captured, QStringList{QStringLiteral("Captured:capture0001.avi")});
    EXPECT_TRUE(hub.messages.filter(QStringLiteral("frames captured")).size() == 1)
        << hub.messages.join(u'|').toStdString();
    const auto avi = cardtest::readAvi(file(QStringLiteral("capture0001.avi")).toStdString());
    EXPECT_GE(avi.frameNumbers.size(), 25u);
    EXPECT_GT(avi.audioSeconds, 0.5);
    // The next capture is prepared under the next name, the preview running again.
    EXPECT_TRUE(view.capturePath().endsWith(QStringLiteral("capture0002.avi")));
    EXPECT_NE(view.factory()->activePath(), nullptr);
}

TEST_F(CardPageTest, TheEncoderSplitsItsCaptureIntoAJoinedList) {
    ZRImportView& view = shown();
    select("Kestrel 200 / Wren 100");
    EXPECT_EQ(view.graphKind(), 0x251);
    EXPECT_TRUE(view.capturePath().endsWith(QStringLiteral("capture0001.mvl")));
    view.slotStartRec();
    ASSERT_EQ(view.recordState(), ZRImportView::Recording);
    // A VCD stream of 1150 kbit/s fills a 150 kB segment about once a second.
    ASSERT_TRUE(
        waitFor([&] { return QFile::exists(file(QStringLiteral("capture000103.mpg"))); }, 20000));
    view.slotStopRec();

    EXPECT_EQ(hub.captured, QStringList{QStringLiteral("Captured:capture0001.mvl")});
    std::string error;
    const auto list = segments::ZRSegmentList::read(
        file(QStringLiteral("capture0001.mvl")).toStdString(), &error);
    ASSERT_TRUE(list) << error;
    const auto parts = list->readableSegments();
    ASSERT_GE(parts.size(), 3u);
    for (const std::string& part : parts)
        EXPECT_TRUE(startsWithPack(part)) << part;
    EXPECT_TRUE(view.capturePath().endsWith(QStringLiteral("capture0002.mvl")));
}

/// ALSA's "default" made a device that cannot open, and the previews' sound sent there, for
/// the scope.
class UnopenableSoundOutput {
public:
    UnopenableSoundOutput() {
        EXPECT_TRUE(dir.isValid());
        const QString conf = dir.filePath(QStringLiteral("alsa.conf"));
        QFile file(conf);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("pcm.!default { type hw card 63 }\n");
        file.close();
        had = qEnvironmentVariableIsSet("ALSA_CONFIG_PATH");
        before = qgetenv("ALSA_CONFIG_PATH");
        qputenv("ALSA_CONFIG_PATH", conf.toLocal8Bit());
        zrSetPreviewOutputFactory([] { return std::make_unique<ZRAlsaOutput>("default"); });
    }
    ~UnopenableSoundOutput() {
        zrSetPreviewOutputFactory([] { return std::make_unique<ZRNullOutput>(nullptr); });
        if (had)
            qputenv("ALSA_CONFIG_PATH", before);
        else
            qunsetenv("ALSA_CONFIG_PATH");
    }
    QTemporaryDir dir;
    bool had = false;
    QByteArray before;
};

TEST_F(CardPageTest, CapturesGoOnUnheardWhenTheSoundOutputDoesNotOpen) {
    UnopenableSoundOutput silent;
    {
        ZRAlsaOutput probe("default");
        ZRAudioFormat format;
        format.sampleRate = 44100;
        format.channels = 2;
        format.bitsPerSample = 16;
        ASSERT_FALSE(probe.open(format, nullptr));
    }
    ZRImportView& view = shown();
    ASSERT_TRUE(selectLineIn());

    // The card with its sound input: a moving preview, and a capture with pictures and sound.
    select("WDM Simulated TV Card");
    ASSERT_TRUE(waitFor([&] { return tv->framesMade() >= 5; }, 5000));
    EXPECT_TRUE(view.button(ZRImportView::RecordHddButton)->isEnabled());
    EXPECT_FALSE(hub.messages.contains(QStringLiteral("Can't initialize DirectShow")));
    view.slotStartRec();
    ASSERT_EQ(view.recordState(), ZRImportView::Recording);
    const int64_t before = tv->framesMade();
    ASSERT_TRUE(waitFor([&] { return tv->framesMade() >= before + 25; }, 15000));
    view.slotStopRec();
    ASSERT_EQ(hub.captured, QStringList{QStringLiteral("Captured:capture0001.avi")});
    const auto avi = cardtest::readAvi(file(QStringLiteral("capture0001.avi")).toStdString());
    EXPECT_GE(avi.frameNumbers.size(), 12u);
    EXPECT_GT(avi.audioSeconds, 0.3);

    // The MPEG encoder, whose preview plays its sound too.
    hub.captured.clear();
    select("Kestrel 200 / Wren 100");
    view.slotStartRec();
    ASSERT_EQ(view.recordState(), ZRImportView::Recording);
    ASSERT_TRUE(
        waitFor([&] { return QFile::exists(file(QStringLiteral("capture000202.mpg"))); }, 20000));
    view.slotStopRec();
    EXPECT_EQ(hub.captured, QStringList{QStringLiteral("Captured:capture0002.mvl")});
    EXPECT_FALSE(hub.messages.contains(QStringLiteral("Nothing was captured")));
    EXPECT_FALSE(hub.messages.contains(QStringLiteral("Can't initialize DirectShow")));
}

TEST_F(CardPageTest, AFailingWriteCollectsTheCaptureWithItsReason) {
    struct Case {
        int error;
        const char* message;
    } cases[] = {{ENOSPC, "disk space was exhausted"}, {EFBIG, "close to 4GB"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        hub.captured.clear();
        services.informations.clear();
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        settings().writeEntry(QStringLiteral("MediaFile"), QStringLiteral("capture0001"));
        ZRImportView& view = shown();
        select("Kestrel 200 / Wren 100");
        auto* path = dynamic_cast<ZRKestrelCapPath*>(view.factory()->activePath());
        ASSERT_NE(path, nullptr);
        auto* writer =
            dynamic_cast<ZRMvlWriterNode*>(view.factory()->graph()->node(path->writer()));
        ASSERT_NE(writer, nullptr);
        // Room for a little more than half a segment.
        auto room = std::make_shared<size_t>(100 * 1024 + 77);
        const int error = c.error;
        writer->setWriteFunction([room, error](int fd, const void* data, size_t size) -> ssize_t {
            if (*room == 0) {
                errno = error;
                return -1;
            }
            const size_t n = std::min(*room, size);
            *room -= n;
            return ::write(fd, data, n);
        });
        view.slotStartRec();
        ASSERT_TRUE(waitFor([&] { return view.recordState() == ZRImportView::Idle; }, 20000));

        // The list of the segment written, announced, the segment ending at its last whole
        // pack, and the reason told.
        EXPECT_EQ(hub.captured, QStringList{QStringLiteral("Captured:capture0001.mvl")});
        std::string why;
        const auto list = segments::ZRSegmentList::read(
            file(QStringLiteral("capture0001.mvl")).toStdString(), &why);
        ASSERT_TRUE(list) << why;
        ASSERT_EQ(list->readableSegments().size(), 1u);
        const std::string part = list->readableSegments().front();
        EXPECT_TRUE(startsWithPack(part));
        const int64_t size = sizeOf(QString::fromStdString(part));
        EXPECT_GT(size, 0);
        EXPECT_LE(size, int64_t(100 * 1024 + 77));
        ASSERT_EQ(services.informations.size(), 1);
        EXPECT_TRUE(services.informations.first().contains(QLatin1String(c.message)))
            << services.informations.first().toStdString();
        page.reset();
    }
}

TEST_F(CardPageTest, PropertyControlsReachTheCard) {
    ZRImportView& view = shown();
    select("WDM Simulated TV Card");
    QStringList entries;
    for (int i = 0; i < view.propertySelector()->count(); ++i)
        entries << view.propertySelector()->itemText(i);
    EXPECT_EQ(entries,
              (QStringList{"-Select A/V Property-", "Brightness", "Contrast", "Hue", "Saturation",
                           "Sharpness", "TV Tuner", "TV Format", "TV Audio"}));
    // A capture card has no bit rate, whatever the project.
    EXPECT_EQ(selectorRow("Bitrate"), -1);

    struct Slider {
        const char* entry;
        int code;
        uint32_t control;
    } sliders[] = {{"Brightness", ZRImportView::Brightness, V4L2_CID_BRIGHTNESS},
                   {"Contrast", ZRImportView::Contrast, V4L2_CID_CONTRAST},
                   {"Hue", ZRImportView::Hue, V4L2_CID_HUE},
                   {"Saturation", ZRImportView::Saturation, V4L2_CID_SATURATION},
                   {"Sharpness", ZRImportView::Sharpness, V4L2_CID_SHARPNESS}};
    for (const Slider& s : sliders) {
        SCOPED_TRACE(s.entry);
        choose(s.entry);
        QSlider* slider = view.propertySlider(s.code);
        ASSERT_FALSE(slider->isHidden());
        EXPECT_EQ(slider->maximum(), 255);
        EXPECT_EQ(slider->value(), tv->controlValue(s.control));
        slider->setValue(40);
        EXPECT_EQ(tv->controlValue(s.control), 40);
    }

    // The inputs are the card's; choosing one routes it.
    ASSERT_FALSE(view.inputCombo()->isHidden());
    ASSERT_EQ(view.inputCombo()->count(), 3);
    view.inputCombo()->setCurrentIndex(2);
    view.slotAVPropVInputSelect(2);
    EXPECT_EQ(tv->currentInput(), 2u);
    EXPECT_EQ(view.inputCombo()->currentIndex(), 2);

    // The TV format by its name; the standard reaches the card.
    choose("TV Format");
    ASSERT_FALSE(view.tvFormatCombo()->isHidden());
    ASSERT_GT(view.tvFormatCombo()->count(), 1);
    const int other = view.tvFormatCombo()->currentIndex() == 0 ? 1 : 0;
    const v4l2_std_id was = tv->currentStandard();
    view.tvFormatCombo()->setCurrentIndex(other);
    view.slotAVPropVTVFormat(other);
    EXPECT_NE(tv->currentStandard(), was);
    EXPECT_TRUE(view.factory()->setAVPropName(9, view.tvFormatCombo()->itemText(1 - other)));
    EXPECT_EQ(tv->currentStandard(), was);
    EXPECT_FALSE(view.factory()->setAVPropName(9, QStringLiteral("PAL Q")));
    EXPECT_EQ(tv->currentStandard(), was);

    // The tuner's button opens the card's tuner dialog, which closes with the path.
    choose("TV Tuner");
    ASSERT_FALSE(view.tunerButton()->isHidden());
    view.tunerButton()->click();
    QPointer<ZRTunerDialog> dialog;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<ZRTunerDialog*>(w); d && d->isVisible()) dialog = d;
    ASSERT_TRUE(dialog);
    page.reset();
    EXPECT_TRUE(!dialog || dialog->isHidden());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(dialog);
}

TEST_F(CardPageTest, TheEncoderOffersItsBitRateOutsideVcdAndSvcd) {
    appState().formatIndex = 3; // DVD
    ZRImportView& view = shown();
    select("Kestrel 200 / Wren 100");
    ASSERT_GE(selectorRow("Bitrate"), 0);
    choose("Bitrate");
    ASSERT_FALSE(view.bitrateSpin()->isHidden());
    EXPECT_EQ(view.bitrateSpin()->maximum(), 9800000); // the device's range
    view.bitrateSpin()->setValue(5000000);
    ASSERT_TRUE(view.bitrateAccept()->isEnabled());
    view.bitrateAccept()->click();
    EXPECT_EQ(view.appliedBitrate(), 5000000);
    // The graph is built again with the new peak, which the encoder gets.
    ASSERT_NE(view.factory()->activePath(), nullptr);
    EXPECT_EQ(encoder->controlValue(V4L2_CID_MPEG_VIDEO_BITRATE_PEAK), 5000000);

    appState().formatIndex = 1;
    view.refresh();
    EXPECT_EQ(selectorRow("Bitrate"), -1);
}

TEST_F(CardPageTest, ADeviceThatCannotBeBuiltIsSaidSo) {
    // An encoder that offers no DVD program stream cannot capture a DVD project.
    SimConfig config = SimConfig::mpegEncoder("Transport Only Encoder");
    for (auto& c : config.controls)
        if (c.id == V4L2_CID_MPEG_STREAM_TYPE) c.menu.resize(2);
    cards.backend->addCard("simpage:ts", config);
    appState().formatIndex = 3;
    ZRImportView& view = shown();
    // Listed, as any encoder without a name of the table, under the generic MPEG entry: the
    // second such entry is this one.
    int row = -1;
    for (int i = 0; i < view.videoDeviceCombo()->count(); ++i)
        if (view.videoDeviceCombo()->itemText(i).startsWith(QStringLiteral("Kestrel 200 / Wren")))
            row = i;
    ASSERT_GT(row, 0);
    view.videoDeviceCombo()->setCurrentIndex(row);
    view.slotVideoDeviceSelected(row);
    EXPECT_TRUE(hub.messages.contains(QStringLiteral("Can't initialize DirectShow")));
    EXPECT_TRUE(!view.factory() || !view.factory()->activePath());
    EXPECT_FALSE(view.button(ZRImportView::RecordHddButton)->isEnabled());
    // The next device builds as before.
    select("WDM Simulated TV Card");
}

// With CLIPSTEAD_CAPTURE_SCREENSHOT set to a folder, the page on the card (its formats, the
// brightness slider, the live picture) is saved there as "capture_card.png" to be looked at.
TEST_F(CardPageTest, ScreenshotOfThePageOnTheCard) {
    const QString folder = qEnvironmentVariable("CLIPSTEAD_CAPTURE_SCREENSHOT");
    if (folder.isEmpty()) GTEST_SKIP() << "CLIPSTEAD_CAPTURE_SCREENSHOT is not set";
    ZRImportView& view = shown();
    selectLineIn();
    select("WDM Simulated TV Card");
    choose("Brightness");
    // A second of live pictures, painted.
    const int64_t before = tv->framesMade();
    ASSERT_TRUE(waitFor([&] { return tv->framesMade() >= before + 25; }, 10000));
    QCoreApplication::processEvents();
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(QStringLiteral("capture_card.png"));
    ASSERT_TRUE(view.grab().save(path));
}

} // namespace cardpagetest
