// The web-cast and DVD pages start their programs through the program's services and the real
// launcher: stand-in programs on a temporary PATH, or in a folder "registry.ini" names, record
// their arguments and working folder.
#include "app/ZRProgramServices.h"
#include "classes/widgets/ZRLabel.h"
#include "classes/widgets/ZRPushButton.h"
#include "editor/ZRAppState.h"
#include "output/ZRExportDiscwrightView.h"
#include "output/ZRExportWebCastView.h"
#include "platform/system/SystemPaths.h"
#include "tests/app/ShellSkin.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class LaunchHub : public ZRAppState::Hub {
public:
    QString selected;
    IZRObject* currentObject() override { return nullptr; }
    IZRPos* currentPosition() override { return nullptr; }
    void message(const QString&, int) override {}
    void setMenuItemEnabled(int, bool) override {}
    void setMenuItemChecked(int, bool) override {}
    QString selectedBrowserFile() override { return selected; }
};

// The program's services with the information box recorded instead of shown.
class LaunchServices : public ZRProgramServices {
public:
    QStringList boxes;
    void informAbort(QWidget*, const QString& caption, const QString& text) override {
        boxes << caption + QLatin1Char('|') + text;
    }
};

class LaunchPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        useShellSkin();
        oldPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + oldPath);
        ZRWindowServices::install(&services);
        appState().hub = &hub;
        QFile::remove(registryPath());
    }
    void TearDown() override {
        appState().hub = nullptr;
        ZRWindowServices::install(nullptr);
        qputenv("PATH", oldPath);
        QFile::remove(registryPath());
    }

    static QString registryPath() {
        return QDir(platform::stateFolder()).filePath(QStringLiteral("registry.ini"));
    }

    /// A stand-in program `name` in `folder` that writes its working folder, then each argument
    /// on a line of its own, into a file of its own under the record folder.
    void makeProgram(const QString& folder, const QString& name) {
        QDir().mkpath(folder);
        const QString path = QDir(folder).filePath(name);
        QFile script(path);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nout=\"" + QFile::encodeName(records.path()) +
                     "/$(basename \"$0\").$$\"\n"
                     "{ pwd; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > \"$out.part\"\n"
                     "mv \"$out.part\" \"$out\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    /// Waits for `count` runs; the lines of each (working folder first).
    QList<QStringList> runs(int count) {
        const auto finished = [this] {
            return QDir(records.path())
                .entryList({QStringLiteral("*.[0-9]*")}, QDir::Files)
                .filter(QRegularExpression(QStringLiteral("\\.[0-9]+$")));
        };
        EXPECT_TRUE(QTest::qWaitFor([&] { return finished().size() >= count; }, 10000));
        QList<QStringList> found;
        for (const QString& name : finished()) {
            QFile file(QDir(records.path()).filePath(name));
            if (!file.open(QIODevice::ReadOnly)) continue;
            found << QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        }
        return found;
    }

    void writeRegistry(const QString& key, const QString& value, const QString& folder) {
        QFile file(registryPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(("[" + key + "]\n" + value + "=" + folder + "\n").toUtf8());
    }

    QTemporaryDir bin;
    QTemporaryDir records;
    QByteArray oldPath;
    LaunchServices services;
    LaunchHub hub;
};

} // namespace

TEST_F(LaunchPageTest, PagesShowTheirTexts) {
    ZRExportWebCastView web;
    ZRExportDiscwrightView dvd;
    EXPECT_EQ(web.descriptionLabel()->text(),
              QStringLiteral("Select a video from the browser to post to the Orvand Streamhall."));
    EXPECT_EQ(web.button()->text(), QStringLiteral("Streamhall"));
    EXPECT_EQ(web.button()->toolTip(), QStringLiteral("Launch Streamhall"));
    EXPECT_EQ(dvd.descriptionLabel()->text(),
              QStringLiteral("Design and burn Brackwell-Style DVDs."));
    EXPECT_EQ(dvd.button()->text(), QStringLiteral("Discwright"));
    EXPECT_EQ(dvd.button()->toolTip(), QStringLiteral("Launch Discwright"));
    dvd.resize(360, 288);
    dvd.show();
    EXPECT_EQ(dvd.button()->size(), QSize(160, 20));
    EXPECT_EQ(dvd.descriptionLabel()->geometry(), QRect(10, 9, 340, 36));
    EXPECT_EQ(dvd.button()->geometry().center().x(), 180 - 1);
    EXPECT_EQ(dvd.button()->y() + 10, 45 + 24);
}

// The selected file is one argument, whatever quotes and blanks it holds; each click starts
// another run, and nothing waits for one to end.
TEST_F(LaunchPageTest, TheWebCastProgramGetsTheSelectedFileWhole) {
    makeProgram(bin.path(), QStringLiteral("webcast"));
    hub.selected = QStringLiteral("/clips/my \"best\" clip; 'one'.mpg");
    ZRExportWebCastView page;
    page.buttonClicked();
    page.buttonClicked();
    const QList<QStringList> found = runs(2);
    ASSERT_EQ(found.size(), 2);
    for (const QStringList& run : found) {
        ASSERT_EQ(run.size(), 2);
        EXPECT_EQ(run[1], hub.selected);
    }
    EXPECT_TRUE(services.boxes.isEmpty());
}

// Discwright runs in its own folder, without arguments; an install folder in "registry.ini"
// wins over PATH.
TEST_F(LaunchPageTest, DiscwrightRunsInItsFolderAndTheRegistryWins) {
    makeProgram(bin.path(), QStringLiteral("Discwright"));
    ZRExportDiscwrightView page;
    page.buttonClicked();
    QList<QStringList> found = runs(1);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0], QStringList{QDir(bin.path()).canonicalPath()});

    QDir(records.path()).removeRecursively();
    QDir().mkpath(records.path());
    QTemporaryDir installed;
    const QString folder = installed.filePath(QStringLiteral("Orvand Discwright"));
    makeProgram(folder, QStringLiteral("Discwright"));
    writeRegistry(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvand Multimedia\\Discwright"),
                  QStringLiteral("InstallDir"), folder);
    page.buttonClicked();
    found = runs(1);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0], QStringList{QDir(folder).canonicalPath()});
    EXPECT_TRUE(services.boxes.isEmpty());
}

// No program on PATH, or a registry folder without it: the information box, nothing started.
TEST_F(LaunchPageTest, AMissingProgramIsReported) {
    ZRExportWebCastView web;
    ZRExportDiscwrightView dvd;
    web.buttonClicked();
    dvd.buttonClicked();
    writeRegistry(
        QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvand Multimedia\\WebCast\\Clipstead"),
        QStringLiteral("InstalledDir"), bin.filePath(QStringLiteral("nowhere")));
    makeProgram(bin.path(), QStringLiteral("webcast"));
    web.buttonClicked();
    EXPECT_EQ(services.boxes,
              (QStringList{"Clipstead 5|Could not open Orvand Streamhall, please install it.",
                           "Clipstead 5|Could not open Discwright, please install it.",
                           "Clipstead 5|Could not open Orvand Streamhall, please install it."}));
    QTest::qWait(200);
    EXPECT_TRUE(QDir(records.path()).isEmpty());
}
