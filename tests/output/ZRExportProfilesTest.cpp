#include "output/ZRExportProfiles.h"
#include "common/config/QConfig.h"

#include <QFile>

#include <QTemporaryDir>
#include <cmath>

#include <gtest/gtest.h>

namespace {

// A "clipstead.ini" in a folder of its own, written with `text` when given.
struct ProfilesFile {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("clipstead.ini"));

    explicit ProfilesFile(const QByteArray& text = QByteArray()) {
        if (text.isEmpty()) return;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("# Config File\n" + text);
    }
    std::unique_ptr<QConfig> open() const {
        return std::make_unique<QConfig>(QConfig::Flavour::Program, path);
    }
};

ZRExportProfiles builtIns() {
    ZRExportProfiles profiles;
    profiles.createBuiltInProfiles();
    return profiles;
}

TEST(ExportProfiles, BuiltInsHoldTheirValuesInOrder) {
    struct Row {
        const char* name;
        const char* video;
        const char* audio;
        int width, height;
        double fps;
        int rate, channels, format;
    };
    const Row rows[] = {
        {"AVI", "Cinepak Codec by Radius", "PCM", 320, 200, 30.0, 22050, 2, 0},
        {"DV-AVI PAL", "DV", "DV", 720, 576, 25.0, 48000, 2, 1},
        {"DV-AVI NTSC", "DV", "DV", 720, 480, 29.97, 48000, 2, 1},
        {"MPEG-I VCD PAL", "MPEG-I Video", "Audio Layer II", 352, 288, 25.0, 44100, 2, 3},
        {"MPEG-I VCD NTSC", "MPEG-I Video", "Audio Layer II", 352, 240, 29.97, 44100, 2, 3},
        {"MPEG-II S-VCD PAL", "MPEG-II Video", "Audio Layer II", 480, 576, 25.0, 44100, 2, 5},
        {"MPEG-II S-VCD NTSC", "MPEG-II Video", "Audio Layer II", 480, 480, 29.97, 44100, 2, 5},
        {"MPEG-II DVD PAL", "MPEG-II Video", "Audio Layer II", 720, 576, 25.0, 48000, 2, 6},
        {"MPEG-II DVD NTSC", "MPEG-II Video", "Audio Layer II", 720, 480, 29.97, 48000, 2, 6},
    };
    const ZRExportProfiles profiles = builtIns();
    ASSERT_EQ(profiles.size(), ZRExportProfiles::kBuiltInCount);
    for (int i = 0; i < profiles.size(); ++i) {
        const ExportProfile& p = profiles.at(i);
        const Row& r = rows[i];
        SCOPED_TRACE(r.name);
        EXPECT_EQ(p.name, QLatin1String(r.name));
        EXPECT_EQ(p.videoCodec, QLatin1String(r.video));
        EXPECT_EQ(p.audioCodec, QLatin1String(r.audio));
        EXPECT_EQ(p.width, r.width);
        EXPECT_EQ(p.height, r.height);
        EXPECT_DOUBLE_EQ(p.fps, r.fps);
        EXPECT_EQ(p.sampleRate, r.rate);
        EXPECT_EQ(p.channels, r.channels);
        EXPECT_EQ(p.formatId, r.format);
        EXPECT_FALSE(p.userMade);
        EXPECT_FALSE(p.saved);
        EXPECT_TRUE(p.check());
        ASSERT_TRUE(exportFormat(p.formatId));
    }
    EXPECT_EQ(exportFormat(2), nullptr);
    EXPECT_EQ(exportFormat(4), nullptr);
    EXPECT_STREQ(exportFormat(1)->extension, "ovl");
    EXPECT_STREQ(exportFormat(6)->filter, "MPEG File (*.mpg)");
}

TEST(ExportProfiles, SavedProfilesComeBackAfterTheBuiltInsInOrder) {
    ProfilesFile file;
    ZRExportProfiles profiles = builtIns();
    const int first = profiles.derive(7, QStringLiteral("User Profile:"));
    const int unsaved = profiles.derive(1, QStringLiteral("User Profile:"));
    const int second = profiles.derive(0, QStringLiteral("User Profile:"));
    profiles.at(first).width = 704;
    profiles.at(first).fps = 23.976;
    profiles.at(second).channels = 1;
    profiles.at(second).videoCodec = QStringLiteral("Motion JPEG");
    ASSERT_EQ(profiles.rename(second, QStringLiteral("Web small"), nullptr),
              ZRExportProfiles::Rename::Renamed);
    profiles.at(first).saved = true;
    profiles.at(second).saved = true;
    ASSERT_TRUE(profiles.writeProfiles(*file.open()));

    ZRExportProfiles read = builtIns();
    EXPECT_EQ(read.readProfiles(*file.open()), 2);
    ASSERT_EQ(read.size(), 11);
    const ExportProfile& a = read.at(9);
    const ExportProfile& b = read.at(10);
    EXPECT_EQ(a.name, QStringLiteral("User Profile: MPEG-II DVD PAL"));
    EXPECT_EQ(a.width, 704);
    EXPECT_DOUBLE_EQ(a.fps, 23.976);
    EXPECT_EQ(a.formatId, 6);
    EXPECT_EQ(a.audioCodec, QStringLiteral("Audio Layer II"));
    EXPECT_EQ(b.name, QStringLiteral("Web small"));
    EXPECT_EQ(b.channels, 1);
    EXPECT_EQ(b.videoCodec, QStringLiteral("Motion JPEG"));
    for (const ExportProfile* p : {&a, &b}) {
        EXPECT_TRUE(p->userMade);
        EXPECT_TRUE(p->saved);
        EXPECT_TRUE(p->check());
    }
    EXPECT_EQ(read.indexOf(profiles.at(unsaved).name), -1);
}

TEST(ExportProfiles, DeletingAndSavingShrinksTheCountAndLeavesTheGroupUnread) {
    ProfilesFile file;
    ZRExportProfiles profiles = builtIns();
    for (int from : {3, 4}) {
        const int i = profiles.derive(from, QStringLiteral("User Profile:"));
        profiles.at(i).saved = true;
    }
    ASSERT_TRUE(profiles.writeProfiles(*file.open()));
    ASSERT_TRUE(profiles.remove(9));
    ASSERT_TRUE(profiles.writeProfiles(*file.open()));

    auto config = file.open();
    config->setGroup(QStringLiteral("ProfilesList"));
    EXPECT_EQ(config->readNumEntry(QStringLiteral("NumProfiles")), 1);
    EXPECT_EQ(config->readEntry(QStringLiteral("Profile0")),
              QStringLiteral("User Profile: MPEG-I VCD NTSC"));
    EXPECT_TRUE(config->entryIterator(QStringLiteral("User Profile: MPEG-I VCD PAL")));

    ZRExportProfiles read = builtIns();
    EXPECT_EQ(read.readProfiles(*config), 1);
    EXPECT_EQ(read.at(9).name, QStringLiteral("User Profile: MPEG-I VCD NTSC"));
    EXPECT_FALSE(profiles.remove(42));
}

TEST(ExportProfiles, DerivedNamesCountUpWithoutRegardToCase) {
    ZRExportProfiles profiles = builtIns();
    const QString prefix = QStringLiteral("User Profile:");
    EXPECT_EQ(profiles.at(profiles.derive(7, prefix)).name,
              QStringLiteral("User Profile: MPEG-II DVD PAL"));
    EXPECT_EQ(profiles.at(profiles.derive(7, prefix)).name,
              QStringLiteral("User Profile: MPEG-II DVD PAL (2)"));
    ASSERT_EQ(profiles.rename(10, QStringLiteral("user profile: avi"), nullptr),
              ZRExportProfiles::Rename::Renamed);
    EXPECT_EQ(profiles.at(profiles.derive(0, prefix)).name,
              QStringLiteral("User Profile: AVI (2)"));
    const ExportProfile& copy = profiles.at(9);
    EXPECT_TRUE(copy.userMade);
    EXPECT_FALSE(copy.saved);
    EXPECT_EQ(copy.width, 720);
    EXPECT_EQ(profiles.derive(-1, prefix), -1);
    EXPECT_EQ(profiles.derive(profiles.size(), prefix), -1);
}

TEST(ExportProfiles, RenameRefusesNamesThatWouldShareOrBreakAGroup) {
    // "Old Stuff" is the group of a profile deleted earlier; "Mine" is the profile's own group.
    ProfilesFile file("[General Settings]\nMediaFolder=/tmp\n"
                      "[Old Stuff]\nWidth=10\n[Mine]\nWidth=720\n");
    const auto config = file.open();
    using R = ZRExportProfiles::Rename;
    struct Case {
        const char* name;
        R result;
        const char* after;
    };
    const Case cases[] = {
        {"My DVD", R::Renamed, "My DVD"},
        {"  padded  ", R::Renamed, "padded"},
        {"MINE", R::Renamed, "MINE"}, // its own group, in other case
        {"", R::Blank, "Mine"},
        {"   ", R::Blank, "Mine"},
        {"two\nlines", R::BadCharacter, "Mine"},
        {"cr\rname", R::BadCharacter, "Mine"},
        {"a]b", R::BadCharacter, "Mine"},
        {"avi", R::Listed, "Mine"},
        {"OTHER", R::Listed, "Mine"},
        {"general settings", R::ExistingGroup, "Mine"},
        {"profileslist", R::ExistingGroup, "Mine"},
        {"old stuff", R::ExistingGroup, "Mine"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ZRExportProfiles profiles = builtIns();
        const int mine = profiles.derive(0, QStringLiteral("x"));
        const int other = profiles.derive(1, QStringLiteral("x"));
        ASSERT_EQ(profiles.rename(mine, QStringLiteral("Mine"), nullptr), R::Renamed);
        ASSERT_EQ(profiles.rename(other, QStringLiteral("Other"), nullptr), R::Renamed);
        EXPECT_EQ(profiles.rename(mine, QString::fromUtf8(c.name), config.get()), c.result);
        EXPECT_EQ(profiles.at(mine).name, QString::fromUtf8(c.after));
    }
    ZRExportProfiles profiles = builtIns();
    EXPECT_EQ(profiles.rename(0, QStringLiteral("Anything"), nullptr), R::NotUserMade);
    EXPECT_EQ(profiles.at(0).name, QStringLiteral("AVI"));
    EXPECT_EQ(profiles.rename(99, QStringLiteral("Anything"), nullptr), R::NotUserMade);
}

TEST(ExportProfiles, ReadingStopsAtTheKeysThatExist) {
    // A count of two thousand million with two keys; an empty name, a name listed already (in
    // any case) and a reserved group are skipped, a gap ends the list.
    ProfilesFile file("[ProfilesList]\nNumProfiles=2000000000\nProfile0=First\nProfile1=\n"
                      "Profile2=FIRST\nProfile3=dv-avi pal\nProfile4=General Settings\n"
                      "Profile5=Second\nProfile7=Beyond the gap\n"
                      "[First]\nWidth=640\nHeight=480\nFps=25\nSamplesPerSecond=44100\n"
                      "NumberOfChannels=2\nFormatId=0\n[Second]\nWidth=1\n");
    ZRExportProfiles profiles = builtIns();
    EXPECT_EQ(profiles.readProfiles(*file.open()), 2);
    ASSERT_EQ(profiles.size(), 11);
    EXPECT_EQ(profiles.at(9).name, QStringLiteral("First"));
    EXPECT_TRUE(profiles.at(9).check());
    // A group that lacks keys reads zeros, which the render must refuse.
    const ExportProfile& second = profiles.at(10);
    EXPECT_EQ(second.name, QStringLiteral("Second"));
    EXPECT_EQ(second.height, 0);
    EXPECT_EQ(second.channels, 0);
    EXPECT_EQ(second.videoCodec, QString());
    EXPECT_FALSE(second.check());

    ProfilesFile negative("[ProfilesList]\nNumProfiles=-5\nProfile0=First\n");
    ZRExportProfiles none;
    EXPECT_EQ(none.readProfiles(*negative.open()), 0);
    ProfilesFile missing;
    EXPECT_EQ(none.readProfiles(*missing.open()), 0);
    EXPECT_TRUE(none.isEmpty());
}

TEST(ExportProfiles, CheckHoldsTheValidatorRanges) {
    ExportProfile base = builtIns().at(0);
    ASSERT_TRUE(base.check());
    struct Case {
        const char* what;
        void (*change)(ExportProfile&);
        bool valid;
    };
    const Case cases[] = {
        {"width 10", [](ExportProfile& p) { p.width = 10; }, true},
        {"width 9", [](ExportProfile& p) { p.width = 9; }, false},
        {"height 4000", [](ExportProfile& p) { p.height = 4000; }, true},
        {"height 4001", [](ExportProfile& p) { p.height = 4001; }, false},
        {"fps 0.1", [](ExportProfile& p) { p.fps = 0.1; }, true},
        {"fps 0", [](ExportProfile& p) { p.fps = 0.0; }, false},
        {"fps 30.5", [](ExportProfile& p) { p.fps = 30.5; }, false},
        {"fps NaN", [](ExportProfile& p) { p.fps = std::nan(""); }, false},
        {"rate 60000", [](ExportProfile& p) { p.sampleRate = 60000; }, true},
        {"rate 9", [](ExportProfile& p) { p.sampleRate = 9; }, false},
        {"mono", [](ExportProfile& p) { p.channels = 1; }, true},
        {"no channels", [](ExportProfile& p) { p.channels = 0; }, false},
        {"three channels", [](ExportProfile& p) { p.channels = 3; }, false},
    };
    for (const Case& c : cases) {
        ExportProfile p = base;
        c.change(p);
        EXPECT_EQ(p.check(), c.valid) << c.what;
    }
}

} // namespace
