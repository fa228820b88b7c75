#include "output/ZRExportView.h"
#include "editor/ZRAppState.h"
#include "views/ZRWindowServices.h"
#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/ZRPushButton.h"
#include "common/config/QConfig.h"
#include "engine/api/IZRTimeline.h"
#include "output/ZRModuleSettings.h"
#include "platform/system/SystemPaths.h"
#include "tests/app/ShellSkin.h"
#include "tests/support/TimelineDeleter.h"
#include "tests/views/FakeTimeline.h"

#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Answers the bit-rate warning by script and counts how often it was asked.
class ScriptedWarning : public ZRWindowServices {
public:
    WarningAnswer answer;
    int asked = 0;
    WarningAnswer runBitrateWarning(QWidget*) override {
        ++asked;
        return answer;
    }
};

// A produce page on a settings file of its own and an engine timeline.
class ExportViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        useShellSkin();
        settingsPath = dir.filePath(QStringLiteral("clipstead.ini"));
        appState().setSettings(new QConfig(QConfig::Flavour::Program, settingsPath),
                               [](QConfig* c) { delete c; });
        ZRWindowServices::install(&services);
    }
    void TearDown() override {
        ZRWindowServices::install(nullptr);
        appState().setSettings(nullptr, nullptr);
    }
    // A page that has its timeline; the real engine unless `timeline` is given.
    std::unique_ptr<ZRExportView> page(IZRTimeline* timeline = nullptr) {
        if (!timeline) {
            engine.reset(IZRCreateTimelineInstance(nullptr, nullptr, 1));
            timeline = engine.get();
        }
        auto view = std::make_unique<ZRExportView>(nullptr, "ZRExportView");
        view->resize(720, 300);
        view->setTimeline(timeline);
        return view;
    }
    void choose(ZRExportView& view, int position) {
        view.profileBox()->setCurrentIndex(position);
        view.slotFormatActivated(position);
    }
    QConfig& settings() { return *appState().settings(); }

    QTemporaryDir dir;
    QString settingsPath;
    ScriptedWarning services;
    std::unique_ptr<IZRTimeline, TimelineDeleter> engine;
};

TEST_F(ExportViewTest, ChosenFormatAndStandardSelectTheirProfile) {
    struct Case {
        int format;
        bool ntsc;
        int position;
    };
    // A format off the table keeps the position before (3).
    const Case cases[] = {{0, false, 1}, {0, true, 2}, {1, false, 3}, {1, true, 4},
                          {2, false, 5}, {2, true, 6}, {3, false, 7}, {3, true, 8},
                          {4, false, 0}, {4, true, 0}, {7, true, 3},  {-1, false, 3}};
    auto view = page();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.format << (c.ntsc ? " NTSC" : " PAL"));
        choose(*view, 3);
        appState().formatIndex = c.format;
        appState().ntsc = c.ntsc;
        view->selectChosenProfile();
        EXPECT_EQ(view->profileBox()->currentIndex(), c.position);
        EXPECT_EQ(view->currentProfileIndex(), c.position);
        EXPECT_EQ(!view->maxBitrateBox()->isHidden(), c.position == 7 || c.position == 8);
        EXPECT_EQ(!view->avgBitrateBox()->isHidden(), c.position == 7 || c.position == 8);
    }
    appState().formatIndex = 3;
    appState().ntsc = true;
}

TEST_F(ExportViewTest, SelectingAProfileFillsTheBoxes) {
    auto view = page();
    EXPECT_EQ(view->profileBox()->count(), 9);
    EXPECT_EQ(view->currentProfileIndex(), 0);
    choose(*view, 2); // DV-AVI NTSC
    EXPECT_EQ(view->widthBox()->currentText(), QStringLiteral("720"));
    EXPECT_EQ(view->heightBox()->currentText(), QStringLiteral("480"));
    EXPECT_EQ(view->frameRateBox()->currentText(), QStringLiteral("29.97"));
    EXPECT_EQ(view->sampleRateBox()->currentText(), QStringLiteral("48000"));
    EXPECT_EQ(view->channelsBox()->currentIndex(), 1);
    EXPECT_EQ(view->videoCodecBox()->count(), 1);
    EXPECT_EQ(view->videoCodecBox()->currentText(), QStringLiteral("DV"));
    EXPECT_FALSE(view->sampleRateBox()->isEnabled());
    EXPECT_FALSE(view->channelsBox()->isEnabled());
    EXPECT_FALSE(view->profileBox()->isEditable());
    EXPECT_FALSE(view->saveButton()->isEnabled());
    EXPECT_FALSE(view->deleteButton()->isEnabled());
    choose(*view, 7);
    EXPECT_EQ(view->frameRateBox()->currentText(), QStringLiteral("25"));

    // AVI lists the engine's compressors; the profile takes the first when its own is missing.
    choose(*view, 0);
    EXPECT_TRUE(view->sampleRateBox()->isEnabled());
    ASSERT_GT(view->videoCodecBox()->count(), 0);
    EXPECT_EQ(view->currentProfile()->videoCodec, view->videoCodecBox()->currentText());
    EXPECT_EQ(view->currentProfile()->audioCodec, view->audioCodecBox()->currentText());
    EXPECT_EQ(view->currentProfile()->width, 320);
}

TEST_F(ExportViewTest, AnEngineWithoutCompressorsLeavesTheListsEmpty) {
    FakeTimeline fake;
    auto view = page(&fake);
    choose(*view, 0);
    EXPECT_EQ(view->videoCodecBox()->count(), 0);
    EXPECT_EQ(view->audioCodecBox()->count(), 0);
    EXPECT_EQ(view->currentProfile()->videoCodec, QStringLiteral("Cinepak Codec by Radius"));
}

TEST_F(ExportViewTest, EditsOfABuiltInProfileDeriveAUserProfile) {
    auto view = page();
    choose(*view, 7);
    QLineEdit* width = view->widthBox()->lineEdit();
    // Text the validator calls incomplete is no value yet.
    for (const char* text : {"", "7", "5"}) {
        width->setText(QLatin1String(text));
        EXPECT_EQ(view->profiles().size(), 9) << text;
    }
    width->setText(QStringLiteral("704"));
    ASSERT_EQ(view->profiles().size(), 10);
    const ExportProfile* derived = view->currentProfile();
    EXPECT_EQ(derived->name, QStringLiteral("User Profile: MPEG-II DVD PAL"));
    EXPECT_EQ(derived->width, 704);
    EXPECT_TRUE(derived->userMade);
    EXPECT_EQ(view->profiles().at(7).width, 720);
    EXPECT_EQ(view->profileBox()->currentText(), derived->name);
    EXPECT_TRUE(view->profileBox()->isEditable());
    EXPECT_TRUE(view->saveButton()->isEnabled());
    EXPECT_TRUE(view->deleteButton()->isEnabled());
    // Further edits change the user profile in place.
    view->frameRateBox()->lineEdit()->setText(QStringLiteral("23.976"));
    EXPECT_EQ(view->profiles().size(), 10);
    EXPECT_DOUBLE_EQ(view->currentProfile()->fps, 23.976);
    view->frameRateBox()->lineEdit()->setText(QStringLiteral("31"));
    EXPECT_DOUBLE_EQ(view->currentProfile()->fps, 23.976);

    choose(*view, 7);
    view->heightBox()->lineEdit()->setText(QStringLiteral("480"));
    EXPECT_EQ(view->currentProfile()->name, QStringLiteral("User Profile: MPEG-II DVD PAL (2)"));
    choose(*view, 0);
    view->slotChannelsActivated(0);
    EXPECT_EQ(view->currentProfile()->name, QStringLiteral("User Profile: AVI"));
    EXPECT_EQ(view->currentProfile()->channels, 1);
    // Codec choices change a built-in profile in memory, deriving nothing.
    choose(*view, 3);
    view->slotCodecActivated(0);
    EXPECT_EQ(view->profiles().size(), 12);
}

TEST_F(ExportViewTest, RenameSaveAndDeleteGoThroughTheSettingsFile) {
    auto view = page();
    choose(*view, 1);
    view->widthBox()->lineEdit()->setText(QStringLiteral("360"));
    QLineEdit* name = view->profileBox()->lineEdit();
    ASSERT_TRUE(name);
    // A name another profile has, in any case, is refused.
    name->setText(QStringLiteral("dv-avi ntsc"));
    view->slotUpdateFormat();
    EXPECT_EQ(view->currentProfile()->name, QStringLiteral("User Profile: DV-AVI PAL"));
    EXPECT_EQ(name->text(), QStringLiteral("User Profile: DV-AVI PAL"));
    name->setText(QStringLiteral("Half DV"));
    Q_EMIT name->returnPressed();
    EXPECT_EQ(view->currentProfile()->name, QStringLiteral("Half DV"));
    EXPECT_EQ(view->profileBox()->itemText(9), QStringLiteral("Half DV"));

    view->slotSaveClicked();
    {
        QConfig file(QConfig::Flavour::Program, settingsPath);
        file.setGroup(QStringLiteral("Half DV"));
        EXPECT_EQ(file.readNumEntry(QStringLiteral("Width")), 360);
    }
    auto again = page();
    ASSERT_EQ(again->profileBox()->count(), 10);
    choose(*again, 9);
    EXPECT_TRUE(again->currentProfile()->userMade);
    EXPECT_EQ(again->widthBox()->currentText(), QStringLiteral("360"));
    again->slotDeleteClicked();
    EXPECT_EQ(again->profileBox()->count(), 9);
    EXPECT_EQ(again->currentProfileIndex(), 0);
    QConfig file(QConfig::Flavour::Program, settingsPath);
    file.setGroup(QStringLiteral("ProfilesList"));
    EXPECT_EQ(file.readNumEntry(QStringLiteral("NumProfiles")), 0);
}

TEST_F(ExportViewTest, BitRatesFollowTheirRulesAndReachTheSettings) {
    settings().setGroup(QStringLiteral("General Settings"));
    settings().writeEntry(QStringLiteral("MPEGMaxBitrate"), QStringLiteral("7000000"));
    settings().writeEntry(QStringLiteral("MPEGAvgBitrate"), QStringLiteral("9000000"));
    auto view = page();
    choose(*view, 7);
    EXPECT_EQ(view->maxBitrateBox()->currentText(), QStringLiteral("7000000"));
    QLineEdit* maximum = view->maxBitrateBox()->lineEdit();

    // Typed above the limit and committed: clamped, warned, refused.
    services.answer = {false, false};
    maximum->setText(QStringLiteral("12000000"));
    EXPECT_EQ(services.asked, 0);
    view->slotUpdateMaxBitrate();
    EXPECT_EQ(services.asked, 1);
    EXPECT_EQ(view->maxBitrateBox()->currentText(), QStringLiteral("8000000"));
    EXPECT_EQ(view->avgBitrateBox()->currentText(), QStringLiteral("8000000"));
    settings().setGroup(QStringLiteral("General Settings"));
    EXPECT_EQ(settings().readEntry(QStringLiteral("MPEGMaxBitrate")), QStringLiteral("8000000"));
    EXPECT_EQ(settings().readEntry(QStringLiteral("MPEGAvgBitrate")), QStringLiteral("8000000"));
    EXPECT_FALSE(settings().readBoolEntry(QStringLiteral("ExportDiscwrightCheckBox")));

    // Text the validator calls invalid commits at once; accepted with the check box set, the
    // warning is stored away and never asked again.
    services.answer = {true, true};
    maximum->setText(QStringLiteral("120000000"));
    EXPECT_EQ(services.asked, 2);
    EXPECT_EQ(view->maxBitrateBox()->currentText(), QStringLiteral("10000000"));
    settings().setGroup(QStringLiteral("General Settings"));
    EXPECT_TRUE(settings().readBoolEntry(QStringLiteral("ExportDiscwrightCheckBox")));
    maximum->setText(QStringLiteral("9500000"));
    view->slotUpdateMaxBitrate();
    EXPECT_EQ(services.asked, 2);
    EXPECT_EQ(view->maxBitrateBox()->currentText(), QStringLiteral("9500000"));

    // Picking a pair sets both without limits; an average above the maximum comes down.
    view->slotMaxBitrateActivated(4);
    EXPECT_EQ(view->avgBitrateBox()->currentText(), QStringLiteral("2250000"));
    view->avgBitrateBox()->lineEdit()->setText(QStringLiteral("6000000"));
    view->slotUpdateAvgBitrate();
    EXPECT_EQ(view->avgBitrateBox()->currentText(), QStringLiteral("3000000"));
    settings().setGroup(QStringLiteral("General Settings"));
    EXPECT_EQ(settings().readEntry(QStringLiteral("MPEGAvgBitrate")), QStringLiteral("3000000"));
}

TEST_F(ExportViewTest, ExportSettingsReachTheEngineAndTheModuleFile) {
    auto view = page();
    const QString modules = modulesettings::defaultPath();
    choose(*view, 0);
    ZRExportView::ExportTarget avi = view->applyExportSettings();
    EXPECT_EQ(avi.formatName, QStringLiteral("AVI"));
    EXPECT_EQ(avi.extension, QStringLiteral("avi"));
    EXPECT_TRUE(avi.settingsSaved);
    EXPECT_EQ(QString::fromLocal8Bit(engine->exportCodecName("AVI", true)),
              view->videoCodecBox()->currentText());
    EXPECT_EQ(QString::fromLocal8Bit(engine->exportCodecName("AVI", false)),
              view->audioCodecBox()->currentText());

    appState().splitSize = 5000000;
    choose(*view, 1);
    const ZRExportView::ExportTarget dv = view->applyExportSettings();
    EXPECT_EQ(dv.formatName, QStringLiteral("AVI-DV Multifile"));
    EXPECT_EQ(dv.filter, QStringLiteral("AVI-DV Multifile (*.ovl)"));
    EXPECT_TRUE(dv.settingsSaved);
    choose(*view, 8);
    view->slotMaxBitrateActivated(1);
    const ZRExportView::ExportTarget dvd = view->applyExportSettings();
    EXPECT_EQ(dvd.extension, QStringLiteral("mpg"));
    EXPECT_TRUE(dvd.settingsSaved);
    appState().splitSize = 3784704;

    QConfig file(QConfig::Flavour::Engine, modules);
    file.setGroup(QStringLiteral("Export::AVI Multifile"));
    EXPECT_EQ(file.readNumEntry(QStringLiteral("Splitsize")), 2096000);
    file.setGroup(QStringLiteral("Export::MPEG"));
    EXPECT_EQ(file.readEntry(QStringLiteral("Format")), QStringLiteral("DVD"));
    EXPECT_EQ(file.readNumEntry(QStringLiteral("Splitsize")), 5000000);
    EXPECT_EQ(file.readEntry(QStringLiteral("MaxBitrate")), QStringLiteral("7000000"));
    EXPECT_EQ(file.readEntry(QStringLiteral("AvgBitrate")), QStringLiteral("5250000"));
}

} // namespace
