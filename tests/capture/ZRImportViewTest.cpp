#include "capture/ZRGraphBase.h"
#include "capture/ZRJogShuttle.h"
#include "capture/ZRRemoteCtrl.h"
#include "classes/skins/PSDImage.h"
#include "classes/skins/PSDLayerSet.h"
#include "classes/widgets/ZRLabel.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRTCWidget.h"
#include "tests/capture/ImportViewFixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>

using importtest::ImportViewTest;

TEST_F(ImportViewTest, BuildsItsChildrenSkinAndSlots) {
    ZRImportView view(nullptr, "ZRImportView");
    EXPECT_EQ(view.objectName(), "ZRImportView");
    EXPECT_EQ(view.caption(), "CAPTURE");
    EXPECT_EQ(view.factory(), nullptr);
    for (const char* name : {"Capture Preview Window",
                             "REWIND",
                             "FFWD",
                             "FRAME_BWD",
                             "FRAME_FWD",
                             "PAUSE",
                             "STOP",
                             "PLAY",
                             "RECORD",
                             "STOP_HDD",
                             "PLAY_HDD",
                             "RECORD_HDD",
                             "mp_jogShuttle import",
                             "CAPTURE TabBar",
                             "import video dev combo",
                             "import audio dev combo",
                             "import video enc combo",
                             "import dir combo",
                             "import filename combo",
                             "import video resolution combo",
                             "import audio resolution combo",
                             "Refresh",
                             "import rec time hrs",
                             "import rec time min",
                             "import rec time sec",
                             "import rec time enable",
                             "import time to go",
                             "import time free on hdd",
                             "av prop selector",
                             "av prop v brightness",
                             "av prop v bitrate max",
                             "av prop v bitrate max accept",
                             "av prop v input sel",
                             "TV Tuner Dialog",
                             "av prop v tv format combo",
                             "av prop a volume",
                             "av prop a balance",
                             "TV Audio Dialog",
                             "import rec time display timer"})
        EXPECT_NE(view.findChild<QObject*>(QLatin1String(name)), nullptr) << name;
    EXPECT_EQ(view.button(ZRImportView::RecordHddButton)->toolTip(), "Start Record");
    EXPECT_EQ(view.button(ZRImportView::StopHddButton)->toolTip(), "Stop Record");
    EXPECT_TRUE(view.button(ZRImportView::Play)->isCheckable());
    // The page's own transport controller shows the tape state on all seven transport buttons,
    // "STOP" included; the disk stop stays a plain button.
    EXPECT_TRUE(view.button(ZRImportView::Stop)->isCheckable());
    EXPECT_FALSE(view.button(ZRImportView::StopHddButton)->isCheckable());
    ASSERT_TRUE(view.remoteControl());
    EXPECT_EQ(view.remoteControl()->objectName(), "mpRemoteCtrl import");
    EXPECT_EQ(view.remoteControl()->visibleMask(), 0xFE7FF);
    EXPECT_EQ(view.transport(), view.remoteControl());
    EXPECT_EQ(view.findChild<ZRJogShuttle*>("mp_jogShuttle import"), view.jogShuttle());
    const int initial[] = {0, 30, 0};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(view.timeSpin(i)->value(), initial[i]);
        EXPECT_FALSE(view.timeSpin(i)->isEnabled());
    }
    EXPECT_EQ(view.timeSpin(0)->maximum(), 99);
    EXPECT_FALSE(view.timerCheck()->isChecked());
    EXPECT_EQ(view.fileNameCombo()->currentText(), "capture0001");
    EXPECT_EQ(view.folderCombo()->currentText(), QDir::toNativeSeparators(dir.path()));
    EXPECT_EQ(view.recordTimeSet(), 1800);

    // The page's own skin file, drawn by the build.
    const QByteArray skin =
        (skinBaseFolder() + QStringLiteral("/skins/default/capture_opt_frame.psd")).toLocal8Bit();
    auto layers = LoadPSDImage(skin.constData(), kPSDApplyLayerOpacity);
    ASSERT_TRUE(layers);
    auto sets = groupLayersIntoSets(layers.get(), true);
    ASSERT_TRUE(sets);
    EXPECT_NE(sets->find(QStringLiteral("inner_frame")), nullptr);
    EXPECT_NE(sets->find(QStringLiteral("bottom_frame")), nullptr);

    // The slots in their order (shown and hidden run from setVisible).
    const char* const slots[] = {"slotSelectFile",
                                 "slotSelectDevice",
                                 "slotStartRec",
                                 "slotStopRec",
                                 "slotMyShow",
                                 "slotMyHide",
                                 "slotGraphStopped",
                                 "slotDevicesChanged",
                                 "slotToggleHDDRecordButton",
                                 "slotHDDStop",
                                 "slotStop",
                                 "slotShowTimeCode",
                                 "slotResetDeviceList",
                                 "slotVideoDeviceSelected",
                                 "slotAudioDeviceSelected",
                                 "slotVideoEncoderSelected",
                                 "slotTempFolderSelected",
                                 "slotOutputFilenameSelected",
                                 "slotResolutionSelected",
                                 "slotAudioResolutionSelected",
                                 "slotTempFolderActivated",
                                 "slotFilenameActivated",
                                 "slotSplitSettingsChange",
                                 "slot_destroy",
                                 "slotTempFolderFocusLost",
                                 "slotFilenameFocusLost",
                                 "slotRecTimerEnabled",
                                 "slotRecTimer",
                                 "slotRecTimeSet",
                                 "slotAVPropSelect",
                                 "slotAVPropVBrightness",
                                 "slotAVPropVContrast",
                                 "slotAVPropVHue",
                                 "slotAVPropVSaturation",
                                 "slotAVPropVSharpness",
                                 "slotAVPropVBitrateMax",
                                 "slotAVPropVBitrateMaxAccept",
                                 "slotAVPropVInputSelect",
                                 "slotAVPropVTVTunerDlg",
                                 "slotAVPropVTVFormat",
                                 "slotAVPropAVolume",
                                 "slotAVPropABalance",
                                 "slotAVPropATVAudioDlg"};
    QStringList found;
    const QMetaObject& meta = ZRImportView::staticMetaObject;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
        if (meta.method(i).methodType() == QMetaMethod::Slot)
            found << QString::fromLatin1(meta.method(i).name());
    QStringList expected;
    for (const char* s : slots)
        expected << QLatin1String(s);
    EXPECT_EQ(found, expected);
}

TEST_F(ImportViewTest, ListTextsForEveryKindOfDevice) {
    struct Case {
        int cls, type;
        const char* friendly;
        const char* text;
    } cases[] = {
        {1, 1, "Lumen Card", "WDM Lumen Card"},
        {2, 8, "Sony", "DV CAM/VCR - #0102030405"},
        {4, 0x10, "Brackwell USB 2 x", "Brackwell USB 2.0"},
        {4, 0x10, "Kestrel Studio 250", "Brackwell USB 2.0"},
        {4, 0x40, "Kestrel Studio 200", "Kestrel 200"},
        {4, 0x20, "Wren Deck 150", "Wren 150"},
        {4, 0x40, "Wren Deck 100", "Wren 100"},
        {4, 0x80, "Marrack", "Kestrel 200 / Wren 100"},
        {4, 0x400, "USB-PLM2", "USB-PLM"},
        {4, 0x8, "Other", "MPEG Capture"},
        {16, 0x200, "Wren 90", "Norvale"},
        {16, 0x200, "Norvale X", "Norvale"},
        {16, 0x200, "Wren 80", "Wren 80"},
        {16, 0x1, "Wren", "Video"},
        {8, 1, "Odd", "Unknown Device"},
        // The name tests keep case.
        {4, 0x40, "kestrel studio 200", "Kestrel 200 / Wren 100"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ZRImportView::deviceListText(c.cls, c.type, QString::fromUtf8(c.friendly),
                                               QStringLiteral("#0102030405")),
                  QString::fromUtf8(c.text))
            << c.friendly;
}

TEST_F(ImportViewTest, SelectionGivesClassTypeKindAndFileType) {
    ZRImportView& view = shown();
    ASSERT_NE(view.factory(), nullptr);
    EXPECT_EQ(view.videoDeviceCombo()->itemText(0), "-Select Device-");
    EXPECT_EQ(view.audioDeviceCombo()->itemText(1), "WDM Line In");
    EXPECT_EQ(view.encoderCombo()->itemText(0), "-Select Video Encoder-");
    // Nothing selected: no graph, the disk buttons off.
    EXPECT_EQ(view.factory()->graph(), nullptr);
    EXPECT_FALSE(view.button(ZRImportView::RecordHddButton)->isEnabled());

    struct Case {
        const char* text;
        int cls, type;
        long kind;
        const char* extension;
        bool wdmControls, timeCode;
    } cases[] = {
        {"WDM Lumen WDM Card", 1, 1, 0x011, ".avi", true, false},
        {"Kestrel 200", 4, 0x40, 0x201, ".mvl", false, false},
        {"Brackwell USB 2.0", 4, 0x10, 0x251, ".mvl", false, false},
        {"Wren 80", 16, 0x200, 0x081, ".avi", false, false},
        {"USB-PLM", 4, 0x400, 0x021, ".mvl", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const int row = rowOf(c.text);
        ASSERT_GT(row, 0);
        select(row);
        EXPECT_EQ(view.videoClass(), c.cls);
        EXPECT_EQ(view.videoType(), c.type);
        EXPECT_EQ(view.graphKind(), c.kind);
        EXPECT_TRUE(
            view.capturePath().endsWith(QLatin1String("capture0001") + QLatin1String(c.extension)));
        ASSERT_NE(view.factory()->activePath(), nullptr);
        EXPECT_EQ(view.factory()->kind(), c.kind);
        EXPECT_EQ(!view.audioDeviceCombo()->isHidden(), c.wdmControls);
        EXPECT_EQ(!view.cameraTimeCode()->isHidden(), c.timeCode);
        EXPECT_TRUE(view.button(ZRImportView::RecordHddButton)->isEnabled());
        EXPECT_FALSE(view.button(ZRImportView::StopHddButton)->isEnabled());
        EXPECT_EQ(view.videoDeviceCombo()->toolTip(), QString::fromUtf8(c.text));
    }
    // The camcorder: its list text names the model.
    const int dv =
        view.videoDeviceCombo()->findText(QStringLiteral("DV CAM/VCR - "), Qt::MatchStartsWith);
    ASSERT_GT(dv, 0);
    select(dv);
    EXPECT_EQ(view.videoClass(), 2);
    EXPECT_EQ(view.graphKind(), 0x001);
    EXPECT_TRUE(view.capturePath().endsWith("capture0001.ovl"));
    EXPECT_FALSE(view.cameraTimeCode()->isHidden());
    // Back to none: the graph goes.
    select(0);
    EXPECT_EQ(view.factory()->graph(), nullptr);
    EXPECT_TRUE(view.videoDeviceName().isEmpty());
    EXPECT_TRUE(services.questions.isEmpty());
}

TEST_F(ImportViewTest, TheSplitWarningOnlyWithSceneSplitAndUntilTurnedOff) {
    ZRImportView& view = shown();
    const int wren = rowOf("Wren 80");
    select(wren);
    EXPECT_EQ(services.wren80Asked, 0);
    appState().sceneDetection = true;
    services.wren80.dontShowAgain = true;
    select(wren);
    EXPECT_EQ(services.wren80Asked, 1);
    EXPECT_FALSE(settings().readBoolEntry(QStringLiteral("Wren80CheckBox"), true));
    select(wren);
    EXPECT_EQ(services.wren80Asked, 1);
    (void)view;
}

TEST_F(ImportViewTest, FormatListsAndTheirKeys) {
    script.sizes = {{720, 576}, {640, 480}};
    script.formats = {{48000, 2, 16}, {44100, 1, 16}};
    // The keys keep a card's choices: other devices, or none, leave them as they are.
    ZRImportView& view = shown();
    settings().writeEntry(QStringLiteral("lastVResX"), 1);
    settings().writeEntry(QStringLiteral("lastVResY"), 1);
    settings().writeEntry(QStringLiteral("lastASamplerate"), 44100);
    settings().writeEntry(QStringLiteral("lastAChannels"), 1);
    settings().writeEntry(QStringLiteral("lastASampleSize"), 16);
    select(rowOf("WDM Lumen WDM Card"));
    EXPECT_EQ(view.resolutionCombo()->itemText(0), "720x576");
    EXPECT_EQ(view.resolutionCombo()->currentIndex(), 0);
    EXPECT_EQ(view.audioFormatCombo()->itemText(0), "48000Hz Stereo 16bit");
    EXPECT_EQ(view.audioFormatCombo()->currentText(), "44100Hz Mono 16bit");
    EXPECT_TRUE(view.resolutionCombo()->isEnabled());
    EXPECT_EQ(settings().readNumEntry(QStringLiteral("lastVResX")), 720);
    EXPECT_EQ(settings().readNumEntry(QStringLiteral("lastVResY")), 576);
    EXPECT_TRUE(script.setCalls.contains("size 720x576"));

    struct Case {
        const char* device;
        int format;
        bool ntsc;
        std::optional<long> dv;
        const char* video;
        const char* audio;
    } cases[] = {
        {"DV CAM/VCR", 0, false, {}, "PAL DV 720x576", "DV Audio"},
        {"DV CAM/VCR", 0, false, 0x1026, "NTSC DV 720x480", "DV Audio"},
        {"DV CAM/VCR", 0, true, {}, "NTSC DV 720x480", "DV Audio"},
        {"Kestrel 200", 1, false, {}, "PAL VCD 352x288", "VCD Audio"},
        {"Kestrel 200", 2, true, {}, "NTSC SVCD 480x480", "SVCD Audio"},
        {"Kestrel 200", 3, false, {}, "PAL DVD 720x576", "DVD Audio"},
        {"Wren 80", 0, true, {}, "NTSC 352x240", "Wren 80 Audio"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.video);
        appState().formatIndex = c.format;
        appState().ntsc = c.ntsc;
        script.dvFormat = c.dv;
        select(view.videoDeviceCombo()->findText(QString::fromUtf8(c.device), Qt::MatchStartsWith));
        EXPECT_EQ(view.resolutionCombo()->currentText(), QString::fromUtf8(c.video));
        EXPECT_EQ(view.audioFormatCombo()->currentText(), QString::fromUtf8(c.audio));
        EXPECT_FALSE(view.resolutionCombo()->isEnabled());
        EXPECT_EQ(settings().readNumEntry(QStringLiteral("lastVResX")), 720);
        EXPECT_EQ(settings().readNumEntry(QStringLiteral("lastASamplerate")), 44100);
    }
}

TEST_F(ImportViewTest, NamesInUseAskAndYesRemovesOnlyTheCapture) {
    struct Case {
        const char* name;
        QStringList present;
        const char* base;
        QList<int> answers;
        bool asked;
        const char* nameAfter;
        QStringList left;
    } cases[] = {
        {"free name", {}, "capture0001", {}, false, "capture0001", {}},
        {"yes",
         {"capture0001.avi", "capture000101.avi", "capture0001.zrs", "capture0001xy.txt"},
         "capture0001",
         {0},
         true,
         "capture0001",
         {"capture0001.zrs", "capture0001xy.txt"}},
        {"no", {"capture0001.avi"}, "capture0001", {1}, true, "capture0002", {"capture0001.avi"}},
        {"abort",
         {"capture0001.avi"},
         "capture0001",
         {2},
         true,
         "capture0002",
         {"capture0001.avi"}},
        {"brackets", {"cap[ab].avi"}, "cap[ab]", {0}, true, "cap[ab]", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir folder(dir.filePath(QString::fromUtf8(c.name)));
        folder.mkpath(QStringLiteral("."));
        for (const QString& p : c.present) {
            QFile f(folder.filePath(p));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("x");
        }
        settings().writeEntry(QStringLiteral("MediaFolder"), folder.path());
        settings().writeEntry(QStringLiteral("MediaFile"), QString::fromUtf8(c.base));
        services.questions.clear();
        services.answers = c.answers;
        ZRImportView& view = shown();
        select(rowOf("WDM Lumen WDM Card"));
        EXPECT_EQ(!services.questions.isEmpty(), c.asked);
        if (c.asked) {
            EXPECT_TRUE(services.questions.first().startsWith("Do you want to overwrite '"));
        }
        EXPECT_EQ(view.fileNameCombo()->currentText(), QString::fromUtf8(c.nameAfter));
        EXPECT_EQ(folder.entryList(QDir::Files, QDir::Name), c.left);
        page.reset();
    }
}

TEST_F(ImportViewTest, ACaptureReachesCapturedAndTheNextNameFollows) {
    struct Case {
        const char* device;
        const char* collected;
        const char* next;
    } cases[] = {
        {"WDM Lumen WDM Card", "Captured:capture0001.avi", "capture0002.avi"},
        {"DV CAM/VCR", "Captured:capture0001.avi", "capture0002.ovl"},
        {"Kestrel 200", "Captured:capture0001.mpg", "capture0002.mvl"},
    };
    QWidget edit, produce;
    appState().editButton = &edit;
    appState().produceButton = &produce;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device);
        hub.captured.clear();
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        settings().writeEntry(QStringLiteral("MediaFile"), QStringLiteral("capture0001"));
        ZRImportView& view = shown();
        QSignalSpy announced(&view, &ZRImportView::capturedFile);
        select(view.videoDeviceCombo()->findText(QString::fromUtf8(c.device), Qt::MatchStartsWith));
        view.button(ZRImportView::RecordHddButton)->click();
        EXPECT_EQ(view.recordState(), ZRImportView::Recording);
        EXPECT_FALSE(edit.isEnabled());
        EXPECT_TRUE(view.button(ZRImportView::StopHddButton)->isEnabled());
        // Device and file changes are refused while recording.
        view.folderCombo()->insertItem(0, QStringLiteral("/elsewhere"));
        view.folderCombo()->setCurrentIndex(0);
        view.slotSelectFile();
        EXPECT_EQ(view.folderCombo()->currentText(), QDir::toNativeSeparators(dir.path()));
        view.button(ZRImportView::StopHddButton)->click();
        EXPECT_EQ(view.recordState(), ZRImportView::Idle);
        EXPECT_TRUE(edit.isEnabled());
        EXPECT_TRUE(produce.isEnabled());
        EXPECT_EQ(hub.captured, QStringList{QString::fromUtf8(c.collected)});
        EXPECT_EQ(announced.count(), 1);
        EXPECT_TRUE(view.capturePath().endsWith(QString::fromUtf8(c.next)));
        EXPECT_NE(view.factory()->activePath(), nullptr);
        EXPECT_FALSE(view.button(ZRImportView::RecordHddButton)->isChecked());
        EXPECT_EQ(settings().readEntry(QStringLiteral("MediaFile")),
                  QFileInfo(view.capturePath()).completeBaseName());
        // Hiding afterwards keeps the capture.
        page.reset();
        EXPECT_TRUE(QFile::exists(dir.filePath(QString::fromUtf8(c.collected).mid(9))));
    }
    appState().editButton = nullptr;
    appState().produceButton = nullptr;
}

TEST_F(ImportViewTest, RecordDisplayStopsOnTheClockAndTheDisk) {
    struct Case {
        const char* name;
        bool timerOn;
        int h, m, s;
        int64_t seconds;                ///< clock advance after the start
        std::optional<int64_t> freeNow; ///< free space at the tick
        bool stopped;
        const char* message;
    } cases[] = {
        {"timer of zero", true, 0, 0, 0, 2, int64_t(50e9), true, "timer had expired"},
        {"timer not yet due", true, 0, 0, 0, 1, int64_t(50e9), false, nullptr},
        {"disk full", false, 0, 30, 0, 5, 2000000, true, "disk space was exhausted"},
        {"unknown free space", false, 0, 30, 0, 5000, std::nullopt, false, nullptr},
        {"plenty left", false, 0, 30, 0, 10, int64_t(49e9), false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        services.informations.clear();
        hub.captured.clear();
        clock = 1000;
        freeSpace = int64_t(50e9);
        ZRImportView& view = shown();
        select(view.videoDeviceCombo()->findText("DV CAM/VCR", Qt::MatchStartsWith));
        view.timerCheck()->setChecked(c.timerOn);
        view.timeSpin(0)->setValue(c.h);
        view.timeSpin(1)->setValue(c.m);
        view.timeSpin(2)->setValue(c.s);
        view.slotStartRec();
        clock += c.seconds;
        freeSpace = c.freeNow;
        view.slotRecTimer();
        EXPECT_EQ(view.recordState() == ZRImportView::Idle, c.stopped);
        if (c.message) {
            ASSERT_EQ(services.informations.size(), 1);
            EXPECT_TRUE(services.informations.first().contains(QLatin1String(c.message)));
            EXPECT_EQ(hub.captured.size(), 1);
        } else {
            EXPECT_TRUE(services.informations.isEmpty());
        }
        if (!c.freeNow) {
            EXPECT_EQ(view.freeLabel()->text(), "Free disk space unknown");
            EXPECT_TRUE(view.toGoLabel()->isHidden());
        }
        page.reset();
    }
}

TEST_F(ImportViewTest, LowSpaceUnderARunningTimerShowsRed) {
    ZRImportView& view = shown();
    select(view.videoDeviceCombo()->findText("DV CAM/VCR", Qt::MatchStartsWith));
    view.timerCheck()->setChecked(true);
    view.slotStartRec();
    // 100 seconds at the DV rate of 3,600,000 bytes a second over the reserve.
    freeSpace = 2000000 + int64_t(3600000) * 100;
    view.slotRecTimer();
    EXPECT_TRUE(view.freeLabel()->text().endsWith(" free on disk - LOW!"));
    EXPECT_EQ(view.freeLabel()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_FALSE(view.toGoLabel()->isHidden());
    EXPECT_EQ(view.recordState(), ZRImportView::Recording);

    // The 30-second rule: lowering the timer to end in less than 30 s is refused.
    clock += 100;
    view.timeSpin(1)->setValue(1);
    EXPECT_EQ(view.timeSpin(1)->value(), 30);
    EXPECT_EQ(view.recordTimeSet(), 1800);
    view.timeSpin(1)->setValue(31);
    EXPECT_EQ(view.recordTimeSet(), 1860);
}

TEST_F(ImportViewTest, GraphStopsAndHidingCollectTheCapture) {
    struct Case {
        const char* name;
        const char* device;
        long code; ///< 0: the page is hidden instead
        int writerReason;
        const char* collected;
        const char* message;
    } cases[] = {
        {"device lost, one MPEG segment", "Kestrel 200", 0x1F, 0, "Captured:capture0001.mpg",
         nullptr},
        {"writer out of space", "DV CAM/VCR", 3, 2, "Captured:capture0001.avi",
         "disk space was exhausted"},
        {"writer at the size limit", "WDM Lumen", 3, 3, "Captured:capture0001.avi", "close to 4GB"},
        {"hidden while recording", "DV CAM/VCR", 0, 0, "Captured:capture0001.avi", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hub.captured.clear();
        services.informations.clear();
        script.writerReason = c.writerReason;
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        settings().writeEntry(QStringLiteral("MediaFile"), QStringLiteral("capture0001"));
        ZRImportView& view = shown();
        select(view.videoDeviceCombo()->findText(QString::fromUtf8(c.device), Qt::MatchStartsWith));
        view.slotStartRec();
        if (c.code) {
            ZRFilterPathBase* path = view.factory()->activePath();
            ASSERT_NE(path, nullptr);
            view.factory()->graph()->graph()->postEvent(int(c.code),
                                                        intptr_t(path->captureDevice()), 0);
            QCoreApplication::processEvents();
        } else {
            view.hide();
        }
        EXPECT_EQ(view.recordState(), ZRImportView::Idle);
        EXPECT_EQ(hub.captured, QStringList{QString::fromUtf8(c.collected)});
        if (c.message) {
            ASSERT_EQ(services.informations.size(), 1);
            EXPECT_TRUE(services.informations.first().contains(QLatin1String(c.message)));
        } else {
            EXPECT_TRUE(services.informations.isEmpty());
        }
        if (c.code) {
            // The lists and the graph are rebuilt for the next capture.
            EXPECT_NE(view.factory()->activePath(), nullptr);
            EXPECT_TRUE(view.capturePath().contains("capture0002"));
        } else {
            EXPECT_EQ(view.factory(), nullptr);
        }
        EXPECT_TRUE(QFile::exists(dir.filePath(QString::fromUtf8(c.collected).mid(9))));
        page.reset();
    }
    script.writerReason = 0;
}

TEST_F(ImportViewTest, AGraphStopWhileIdleRebuildsListsAndGraph) {
    ZRImportView& view = shown();
    select(rowOf("WDM Lumen WDM Card"));
    backend.backend->add(ZRDeviceCategory::VideoInput, capturetest::device("@new", "Fresh Card"));
    view.factory()->graph()->graph()->postEvent(1, 0, 0);
    QCoreApplication::processEvents();
    EXPECT_GT(view.videoDeviceCombo()->findText("WDM Fresh Card"), 0);
    EXPECT_EQ(view.videoDeviceCombo()->currentText(), "WDM Lumen WDM Card");
    EXPECT_NE(view.factory()->activePath(), nullptr);
}

TEST_F(ImportViewTest, CameraTimeCodeShowsOrTurnsOff) {
    ZRImportView& view = shown();
    view.slotShowTimeCode(0x01020304);
    EXPECT_TRUE(view.cameraTimeCode()->isEnabled());
    EXPECT_EQ(view.cameraTimeCode()->fields().seconds, 3);
    view.slotShowTimeCode(0x01020399);
    EXPECT_FALSE(view.cameraTimeCode()->isEnabled());
    view.slotShowTimeCode(0x010203A0);
    EXPECT_FALSE(view.cameraTimeCode()->isEnabled());
}

TEST_F(ImportViewTest, PropertySelectorAndControls) {
    script.props = {{1, {50, 0, 100, {}}},
                    {2, {10, 0, 20, {}}},
                    {6, {8000000, 1000000, 15000000, {}}},
                    {7, {1, 0, 0, {"Tuner", "Composite"}}},
                    {9, {1, 0, 0, {"NTSC_M", "PAL_B"}}},
                    {10, {0, 0, 10, {}}},
                    {11, {0, 0, 10, {}}}};
    ZRImportView& view = shown();
    select(rowOf("WDM Lumen WDM Card"));
    QStringList entries;
    for (int i = 0; i < view.propertySelector()->count(); ++i)
        entries << view.propertySelector()->itemText(i);
    EXPECT_EQ(entries, (QStringList{"-Select A/V Property-", "Brightness", "Contrast", "Bitrate",
                                    "TV Format"}));
    EXPECT_FALSE(view.propertySelector()->isHidden());
    EXPECT_FALSE(view.inputCombo()->isHidden());
    EXPECT_EQ(view.inputCombo()->currentText(), "Composite");

    const auto choose = [&](const char* text) {
        const int i = view.propertySelector()->findText(QLatin1String(text));
        view.propertySelector()->setCurrentIndex(i);
        view.slotAVPropSelect(i);
    };
    choose("Brightness");
    QSlider* brightness = view.propertySlider(ZRImportView::Brightness);
    EXPECT_FALSE(brightness->isHidden());
    EXPECT_EQ(brightness->maximum(), 100);
    EXPECT_EQ(brightness->value(), 50);
    brightness->setValue(60);
    EXPECT_EQ(script.setCalls.last(), "1=60");

    choose("Bitrate");
    EXPECT_TRUE(brightness->isHidden());
    EXPECT_FALSE(view.bitrateSpin()->isHidden());
    EXPECT_EQ(view.bitrateSpin()->value(), 8000000);
    EXPECT_FALSE(view.bitrateAccept()->isEnabled());
    view.bitrateSpin()->setValue(9000000);
    EXPECT_TRUE(view.bitrateAccept()->isEnabled());
    view.bitrateSpin()->setValue(8000000);
    EXPECT_FALSE(view.bitrateAccept()->isEnabled());
    view.bitrateSpin()->setValue(9000000);
    view.bitrateAccept()->click();
    EXPECT_EQ(view.appliedBitrate(), 9000000);
    EXPECT_EQ(view.factory()->captureSettings()[9], 9000000);

    choose("TV Format");
    EXPECT_FALSE(view.tvFormatCombo()->isHidden());
    EXPECT_EQ(view.tvFormatCombo()->currentText(), "PAL_B");
    view.tvFormatCombo()->setCurrentIndex(0);
    view.slotAVPropVTVFormat(0);
    EXPECT_EQ(script.setCalls.last(), "9=NTSC_M");

    view.slotAVPropVInputSelect(0);
    EXPECT_TRUE(script.setCalls.contains("7=0"));
    // Volume and balance have slots but never show.
    view.slotAVPropAVolume(3);
    EXPECT_EQ(script.setCalls.last(), "10=3");
    EXPECT_TRUE(view.propertySlider(ZRImportView::Volume)->isHidden());
    EXPECT_TRUE(view.propertySlider(ZRImportView::Balance)->isHidden());

    // A VCD project has no bit-rate entry.
    appState().formatIndex = 1;
    view.refresh();
    EXPECT_EQ(view.propertySelector()->findText("Bitrate"), -1);
    appState().formatIndex = 0;

    // A device with no property leaves the selector hidden.
    script.props.clear();
    view.refresh();
    EXPECT_TRUE(view.propertySelector()->isHidden());
    EXPECT_EQ(view.propertySelector()->count(), 1);
    EXPECT_TRUE(view.inputCombo()->isHidden());
}

TEST_F(ImportViewTest, SplitSettingsRebuildOnlyWhenIdleWithAGraph) {
    ZRImportView view(nullptr, "ZRImportView");
    view.slotSplitSettingsChange();
    EXPECT_EQ(view.splitSettingsChanges(), 1);
    EXPECT_EQ(view.factory(), nullptr);
    ZRImportView& shownView = shown();
    select(rowOf("WDM Lumen WDM Card"));
    appState().splitSize = 5120;
    shownView.slotSplitSettingsChange();
    EXPECT_EQ(shownView.factory()->splitLimit(), 5120);
    appState().splitSize = 3784704;
}

namespace importtest {

/// A transport controller that records what the page asked of it.
class FakeTransport : public QObject, public IZRCaptureTransport {
public:
    QStringList calls;
    bool playing = false;
    bool enabled = true;
    QObject* object() override { return this; }
    void connectButtons(int index, QAbstractButton* button) override {
        connect(button, &QAbstractButton::clicked, this, [this, index] { command(index); });
    }
    void connectJogShuttle(ZRJogShuttle*) override {}
    void command(int index) override { calls << QStringLiteral("command %1").arg(index); }
    void clickStop() override { calls << "stop"; }
    void clickPlayFwd() override { calls << "play"; }
    void resetStates() override {}
    bool isPlaying() const override { return playing; }
    void setEnabled(bool on) override { enabled = on; }
};

} // namespace importtest

TEST_F(ImportViewTest, TheCameraTransportPlaysTheTapeBeforeRecording) {
    importtest::FakeTransport transport;
    ZRImportView& view = shown();
    QList<int> waits;
    view.setWait([&](int ms) { waits << ms; });
    view.setTransport(&transport);
    EXPECT_FALSE(transport.enabled);
    // The seven transport buttons send their commands; "STOP" also ends a disk recording.
    const std::pair<int, int> commands[] = {
        {ZRImportView::Rewind, 0},   {ZRImportView::Ffwd, 10}, {ZRImportView::FrameBwd, 4},
        {ZRImportView::FrameFwd, 6}, {ZRImportView::Pause, 5}, {ZRImportView::Stop, 14},
        {ZRImportView::Play, 8}};
    for (auto [button, command] : commands) {
        view.button(button)->click();
        EXPECT_EQ(transport.calls.last(), QStringLiteral("command %1").arg(command));
    }
    select(rowOf("WDM Lumen WDM Card"));
    EXPECT_FALSE(transport.enabled);
    select(view.videoDeviceCombo()->findText("DV CAM/VCR", Qt::MatchStartsWith));
    EXPECT_TRUE(transport.enabled);
    transport.calls.clear();
    view.slotStartRec();
    EXPECT_EQ(transport.calls, QStringList{"play"});
    EXPECT_EQ(waits, QList<int>{2800});
    view.button(ZRImportView::Stop)->click();
    EXPECT_EQ(view.recordState(), ZRImportView::Idle);
    // A tape already playing is not started again.
    transport.playing = true;
    transport.calls.clear();
    view.slotStartRec();
    EXPECT_TRUE(transport.calls.isEmpty());
    view.setTransport(nullptr);
}

// At the size the main window gives the page, a camcorder's name and a folder of ordinary length
// show whole in their boxes, and the record labels stay inside the page.
TEST_F(ImportViewTest, LongDeviceAndFolderNamesShowWhole) {
    ZRImportView view(nullptr, "ZRImportView");
    view.resize(718, 430);
    view.show();
    QCoreApplication::processEvents();
    const struct {
        ZRComboBox* box;
        QString text;
    } cases[] = {{view.videoDeviceCombo(), QStringLiteral("DV CAM/VCR - #EEFFC00100")},
                 {view.folderCombo(), QStringLiteral("/home/someone/Videos/Holiday Captures")}};
    for (const auto& c : cases) {
        const int field = c.box->width() - 28; // the arrow and the edit field's margins
        EXPECT_LE(QFontMetrics(c.box->font()).horizontalAdvance(c.text), field)
            << c.box->objectName().toStdString();
        EXPECT_LE(c.box->geometry().right(), view.width());
    }
    EXPECT_LE(view.freeLabel()->geometry().bottom(), view.height() - 8);
}
