// The Video CD page over the simulated writer and the real vcdimager and cdrdao: clips produced
// by the produce page with the "MPEG" module, discs checked with libvcdinfo.
#include "tests/output/RenderFixture.h"

#include "output/ZRExportECIView.h"
#include "platform/cdwriter/ZRSimulatedCdWriter.h"
#include "platform/cdwriter/ZRVcdWriter.h"
#include "tests/support/FullDisk.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <libvcd/info.h>

#include <map>

using namespace rendertest;

namespace {

class SelectingHub : public RecordingHub {
public:
    QString selected;
    QString selectedBrowserFile() override { return selected; }
};

bool vcdWriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

// What a program prints, run to its end in `folder` (cdrdao finds a cue's files from there).
QString vcdRun(const QString& folder, const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromLocal8Bit(process.readAll());
}

// The disc as libvcdinfo reads it from its cue: type and number of entries; type 0 when it is no
// Video CD.
struct DiscInfo {
    int type = VCD_TYPE_INVALID;
    unsigned entries = 0;
};
DiscInfo vcdReadDisc(const QString& cuePath) {
    QByteArray name = cuePath.toLocal8Bit();
    char* source = name.data();
    vcdinfo_obj_t* disc = nullptr;
    DiscInfo info;
    if (vcdinfo_open(&disc, &source, DRIVER_BINCUE, nullptr) != VCDINFO_OPEN_VCD) return info;
    info.type = vcdinfo_get_VCD_type(disc);
    info.entries = vcdinfo_get_num_entries(disc);
    vcdinfo_close(disc);
    return info;
}

class VcdBurnTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        selecting.page = nullptr;
        appState().hub = &selecting;
        disc = dir.filePath(QStringLiteral("disc.bin"));
        writer = std::make_shared<ZRSimulatedCdWriter>(disc);
    }
    void TearDown() override {
        page.reset();
        appState().hub = &hub;
        RenderTest::TearDown();
    }

    /// A clip made by the produce page in `profile` (a position of its profile box), once for
    /// the whole program.
    QString clip(int profile, const char* name, int frames = 150) {
        static QTemporaryDir clips;
        static std::map<int, QString> made;
        if (auto found = made.find(profile); found != made.end()) return found->second;
        appState().hub = &hub;
        // A CD track holds at least 300 sectors (4 seconds of a CD): the variable bit rate of an
        // SVCD needs a longer clip of a solid colour to fill them.
        makeProject(frames, profile);
        services.file = clips.filePath(QLatin1String(name));
        view->slotRenderClicked();
        view.reset();
        timeline.reset();
        appState().hub = &selecting;
        EXPECT_TRUE(QFileInfo(services.file).size() > 0) << name;
        made[profile] = services.file;
        return services.file;
    }
    QString vcdPal() { return clip(3, "vcd pal.mpg"); }
    QString vcdNtsc() { return clip(4, "vcd ntsc.mpg"); }
    QString svcdPal() { return clip(5, "svcd pal.mpg", 750); }
    QString dvdPal() { return clip(7, "dvd pal.mpg"); }

    /// A list `name` in the test's folder of the files `files` (copied beside it) and names
    /// that exist nowhere.
    QString list(const char* name, const QByteArray& magic, const QStringList& files,
                 const QStringList& missing = {}) {
        QByteArray text = magic;
        for (int i = 0; i < files.size(); ++i) {
            const QString copy = QStringLiteral("part %1.mpg").arg(i);
            QFile::remove(dir.filePath(copy));
            EXPECT_TRUE(QFile::copy(files[i], dir.filePath(copy)));
            text += "\r\n" + copy.toUtf8() + "; 1";
        }
        for (const QString& m : missing)
            text += "\r\n" + m.toUtf8() + "; 1";
        const QString path = dir.filePath(QLatin1String(name));
        EXPECT_TRUE(vcdWriteText(path, text));
        return path;
    }

    /// The page, shown (which scans the writer), with the status texts recorded.
    ZRExportECIView& showPage() {
        page = std::make_unique<ZRExportECIView>(nullptr, "ZRExportECIView", writer);
        page->resize(360, 288);
        page->show();
        page->vcdWriter().setStatusCallback([this](int code, const char* name) {
            ZRExportECIView::vcdStatus(code, name);
            statuses << page->statusLabel()->text();
            return true;
        });
        return *page;
    }

    /// Clicks Burn on `selected`; waits for the end of a burn that starts. The final status.
    QString burn(const QString& selected) {
        selecting.selected = selected;
        statuses.clear();
        QSignalSpy finished(page.get(), &ZRExportECIView::burnFinished);
        page->burnButtonClicked();
        if (page->burning()) {
            statuses.prepend(page->statusLabel()->text());
            EXPECT_FALSE(page->burnButton()->isEnabled());
            EXPECT_TRUE(finished.wait(120000));
        }
        EXPECT_TRUE(page->burnButton()->isEnabled());
        EXPECT_TRUE(page->driveBox()->isEnabled());
        EXPECT_FALSE(page->burning());
        EXPECT_TRUE(QDir(ZRVcdWriter::imageFolder()).isEmpty());
        return page->statusLabel()->text();
    }

    SelectingHub selecting;
    QString disc;
    std::shared_ptr<ZRSimulatedCdWriter> writer;
    std::unique_ptr<ZRExportECIView> page;
    QStringList statuses;
};

} // namespace

// Each disc kind and a three-file list: the disc opens as a Video CD of its kind with one entry
// per file; the status shows each file's encapsulation in order, then the image being written.
TEST_F(VcdBurnTest, ClipsAndListsBecomeVideoCds) {
    struct Case {
        const char* name;
        std::function<QString()> selected;
        int type;
        unsigned entries;
    };
    const Case cases[] = {
        {"VCD PAL", [this] { return vcdPal(); }, VCD_TYPE_VCD2, 1},
        {"VCD NTSC", [this] { return vcdNtsc(); }, VCD_TYPE_VCD2, 1},
        {"SVCD PAL", [this] { return svcdPal(); }, VCD_TYPE_SVCD, 1},
        {"list",
         [this] {
             return list("three.mvl", "OVMP", {vcdPal(), vcdPal(), vcdPal()});
         },
         VCD_TYPE_VCD2, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString selected = c.selected();
        writer->setBlank(true);
        writer->setMaxSpeed(8);
        showPage();
        page->speedBox()->setCurrentIndex(2);
        EXPECT_EQ(burn(selected), QStringLiteral("CD created successfully"));
        ASSERT_GE(statuses.size(), 3);
        EXPECT_EQ(statuses.first(), QStringLiteral("Creating CD ..."));
        QStringList encapsulated;
        for (const QString& s : statuses)
            if (s.startsWith(QStringLiteral("Encapsulating "))) encapsulated << s.mid(14);
        ASSERT_EQ(encapsulated.size(), int(c.entries));
        for (unsigned i = 0; i < c.entries; ++i)
            EXPECT_TRUE(encapsulated[int(i)].endsWith(c.entries == 1
                                                          ? QFileInfo(selected).fileName()
                                                          : QStringLiteral("part %1.mpg").arg(i)));
        EXPECT_TRUE(statuses.last().startsWith(QStringLiteral("Writing Segment ")));
        EXPECT_EQ(writer->lastSpeed(), 4);
        EXPECT_TRUE(writer->ejected());
        EXPECT_FALSE(writer->locked());

        const DiscInfo info = vcdReadDisc(writer->discCuePath());
        EXPECT_EQ(info.type, c.type);
        EXPECT_EQ(info.entries, c.entries);
        // cdrdao reads the cue as a mode 2 disc, and its block count is the image's.
        const QString toc =
            vcdRun(dir.path(), QStringLiteral("cdrdao"), {"show-toc", writer->discCuePath()});
        EXPECT_TRUE(toc.contains(QStringLiteral("CD_ROM_XA"))) << toc.toStdString();
        EXPECT_TRUE(toc.contains(QStringLiteral("MODE2_RAW")));
        const QStringList size =
            vcdRun(dir.path(), QStringLiteral("cdrdao"), {"toc-size", writer->discCuePath()})
                .trimmed()
                .split(QLatin1Char('\n'));
        EXPECT_EQ(size.last().trimmed().toLongLong() * 2352, QFileInfo(disc).size());
    }
}

// The wrapper keeps the status callback for the builder it makes after each burn.
TEST_F(VcdBurnTest, ASecondBurnShowsProgressToo) {
    const QString clip = vcdPal();
    showPage();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        writer->setBlank(true);
        EXPECT_EQ(burn(clip), QStringLiteral("CD created successfully"));
        EXPECT_TRUE(statuses.filter(QStringLiteral("Encapsulating ")).size() == 1);
        EXPECT_FALSE(statuses.filter(QStringLiteral("Writing Segment ")).isEmpty());
    }
}

// Every refusal ends in one of the page's texts with the controls enabled; a writer failing or
// stalling after it started unlocks the door; nothing reaches a disc refused before writing.
TEST_F(VcdBurnTest, RefusalsEndInTheirStatus) {
    struct Case {
        const char* name;
        std::function<QString()> selected;
        std::function<void()> setUp;
        const char* status;
        int64_t discSectors; ///< -1: the disc was never written to
        int unlocks;
    };
    const char* noFile = "No VCD or SVCD file selected";
    const char* failed = "Failed to create CD";
    const Case cases[] = {
        {"no blank disc", [this] { return vcdPal(); }, [this] { writer->setBlank(false); },
         "Please insert a blank CD into the drive!", -1, 0},
        {"nothing selected", [] { return QString(); }, [] {}, noFile, -1, 0},
        {"wrong magic", [this] { return list("magic.mvl", "OVXX", {vcdPal()}); }, [] {}, noFile, -1,
         0},
        {"only missing files",
         [this] {
             return list("missing.mvl", "OVMP", {}, {"gone1.mpg", "gone2.mpg"});
         },
         [] {}, noFile, -1, 0},
        {"not a list", [this] { return dir.filePath(QStringLiteral("none.MVL")); }, [] {}, noFile,
         -1, 0},
        {"DVD profile", [this] { return dvdPal(); }, [] {}, noFile, -1, 0},
        {"MPEG-1 and MPEG-2",
         [this] {
             return list("mixed.mvl", "OVMP", {vcdPal(), svcdPal()});
         },
         [] {}, noFile, -1, 0},
        {"larger than the disc", [this] { return vcdPal(); },
         [this] { writer->setCapacitySectors(100); }, failed, -1, 0},
        {"failing at sector 300", [this] { return vcdPal(); },
         [this] { writer->setFailAtSector(300); }, failed, 300, 1},
        {"stalled", [this] { return vcdPal(); }, [this] { writer->setStalled(true); }, failed, 0,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString selected = c.selected();
        QFile::remove(disc);
        writer = std::make_shared<ZRSimulatedCdWriter>(disc);
        c.setUp();
        showPage();
        page->vcdWriter().setStallTimeout(std::chrono::milliseconds(300));
        EXPECT_EQ(burn(selected), QString::fromLatin1(c.status));
        EXPECT_EQ(writer->unlockCount(), c.unlocks);
        EXPECT_FALSE(writer->locked());
        EXPECT_EQ(QFileInfo::exists(disc) ? QFileInfo(disc).size() / 2352 : -1, c.discSectors);
    }
}

// vcdxbuild on a full disk: the burn fails before the writer is touched, and the image folder
// is left empty.
TEST_F(VcdBurnTest, AFullDiskFailsTheBurnAndLeavesNothing) {
    const QString clip = vcdPal();
    const bool childOk = testsupport::onFullDisk(64 * 1024, [&] {
        ZRVcdWriter vcd(writer);
        if (!vcd.init() || !vcd.setOptions(false) || !vcd.addEntry(clip)) return false;
        std::optional<bool> result;
        QEventLoop loop;
        vcd.write(1, 1, false, [&](bool ok) {
            result = ok;
            loop.quit();
        });
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
        return result == false && QDir(ZRVcdWriter::imageFolder()).isEmpty() && !writer->writing();
    });
    EXPECT_TRUE(childOk);
    EXPECT_FALSE(QFileInfo::exists(disc));
    EXPECT_TRUE(QDir(ZRVcdWriter::imageFolder()).isEmpty());
}

// Speeds double up to the unit's maximum, the one at maximum / 2 - 1 current; without a unit the
// page stays disabled.
TEST_F(VcdBurnTest, SpeedsFollowTheUnitsMaximum) {
    struct Case {
        int units, maximum;
        QStringList speeds;
        QString current;
    };
    const Case cases[] = {
        {1, 8, {"1", "2", "4", "8"}, "8"},
        {1, 4, {"1", "2", "4"}, "2"},
        {1, 1, {"1"}, "1"},
        {0, 8, {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.maximum);
        writer->setUnitCount(c.units);
        writer->setMaxSpeed(c.maximum);
        showPage();
        EXPECT_EQ(page->driveBox()->count(), c.units);
        if (c.units > 0) {
            EXPECT_EQ(page->driveBox()->itemText(0),
                      QString::fromLatin1(ZRSimulatedCdWriter::kUnitName));
        }
        QStringList speeds;
        for (int i = 0; i < page->speedBox()->count(); ++i)
            speeds << page->speedBox()->itemText(i);
        EXPECT_EQ(speeds, c.speeds);
        EXPECT_EQ(page->speedBox()->currentText(), c.current);
        EXPECT_EQ(page->burnButton()->isEnabled(), c.units > 0);
        EXPECT_EQ(page->speedBox()->isEnabled(), c.units > 0);
    }
}

// The scan waits for the page to be shown: making it asks the writer nothing.
TEST_F(VcdBurnTest, TheWriterIsScannedWhenThePageIsFirstShown) {
    page = std::make_unique<ZRExportECIView>(nullptr, "ZRExportECIView", writer);
    EXPECT_FALSE(page->writerReady());
    EXPECT_EQ(page->driveBox()->count(), 0);
    EXPECT_FALSE(page->burnButton()->isEnabled());
    page->show();
    EXPECT_TRUE(page->writerReady());
    EXPECT_EQ(page->driveBox()->count(), 1);
    EXPECT_EQ(page->statusLabel()->text(), QStringLiteral("Idle"));
}

// A page closed in the middle of a write leaves the unit unlocked and hears nothing more of it.
TEST_F(VcdBurnTest, ClosingThePageMidWriteUnlocksTheUnit) {
    const QString clip = vcdPal();
    writer->setStalled(true);
    showPage();
    selecting.selected = clip;
    page->burnButtonClicked();
    ASSERT_TRUE(QTest::qWaitFor([this] { return writer->writing(); }, 60000));
    page.reset();
    EXPECT_FALSE(writer->writing());
    EXPECT_FALSE(writer->locked());
    EXPECT_EQ(writer->unlockCount(), 1);
    QCoreApplication::processEvents();
}
