// The whole program under a display server (the test runs under xvfb-run): each case starts
// copies of the program as child processes, in fresh state folders, and watches what they do.
// A child is this same program called with "--session <scenario>": it runs the program's own
// start-up (clipsteadMain) with a test timer that reports what the shown window holds.
#include "ZRProgram.h"
#include "ZRProjectArgument.h"
#include "ZRSingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// --- The child: one run of the program -------------------------------------------------------

void say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// "report": tells what the started program shows and where it runs, then quits.
// "hold": tells that it runs and keeps running until it is killed.
// "depth8": runs on a display of 8 bits per pixel.
// "noengine": the engine cannot be made.
int runSession(const char* scenario, int argc, char** argv) {
    ZRStartupHooks hooks;
    hooks.critical = [](const QString& title, const QString& text) {
        say(QStringLiteral("critical ") + title + QLatin1Char('|') + text);
    };
    if (std::strcmp(scenario, "depth8") == 0) hooks.colourDepth = [] { return 8; };
    if (std::strcmp(scenario, "noengine") == 0)
        hooks.createTimeline = [](IZRCallbacks*) -> IZRTimeline* { return nullptr; };
    hooks.started = [scenario](QWidget* window) {
        if (std::strcmp(scenario, "hold") == 0) {
            say(QStringLiteral("running"));
            return;
        }
        QTimer::singleShot(0, window, [window] {
            say(QStringLiteral("caption ") + window->windowTitle());
            say(QStringLiteral("project ") + commandLineProject());
            say(QStringLiteral("folder ") + QDir::currentPath());
            say(QStringLiteral("locked ") + (QFile::exists(ZRSingleInstance().path())
                                                 ? QStringLiteral("yes")
                                                 : QStringLiteral("no")));
            QCoreApplication::exit(0);
        });
    };
    return clipsteadMain(argc, argv, hooks);
}

// --- The parent: starting children ---------------------------------------------------------

QString programFolder() {
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
}

struct Outcome {
    int exitCode = -1;
    bool crashed = false;
    QStringList lines;
};

// A fresh set of user folders (settings, cache, runtime) for the copies a test starts.
class ProgramRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        for (const char* sub : {"config", "cache", "runtime", "elsewhere"})
            ASSERT_TRUE(QDir(home.path()).mkpath(QString::fromLatin1(sub)));
        QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), env.contains(QStringLiteral("DISPLAY"))
                                                          ? QStringLiteral("xcb")
                                                          : QStringLiteral("offscreen"));
        return env;
    }

    QString lockPath() const {
        return home.filePath(QStringLiteral("runtime/VESK_STARTUP_INDICATOR.lock"));
    }

    // Starts a child in `folder` (the "elsewhere" folder when empty): a session of this program,
    // or the program itself when `scenario` is null.
    void start(QProcess& process, const char* scenario, const QStringList& arguments,
               const QString& folder = QString()) const {
        process.setProcessEnvironment(environment());
        process.setWorkingDirectory(folder.isEmpty() ? home.filePath(QStringLiteral("elsewhere"))
                                                     : folder);
        if (scenario) {
            process.setProgram(QCoreApplication::applicationFilePath());
            process.setArguments(
                QStringList{QStringLiteral("--session"), QString::fromLatin1(scenario)} +
                arguments);
        } else {
            process.setProgram(programFolder() + QStringLiteral("/clipstead"));
            process.setArguments(arguments);
        }
        process.start();
    }

    // Waits for the child to end (a generous limit that only stops a hung child).
    static Outcome finish(QProcess& process) {
        Outcome outcome;
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "the program did not end";
        }
        outcome.crashed = process.exitStatus() != QProcess::NormalExit;
        outcome.exitCode = process.exitCode();
        const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
        outcome.lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const QByteArray errors = process.readAllStandardError();
        if (!errors.isEmpty()) std::fprintf(stderr, "%s", errors.constData());
        return outcome;
    }

    Outcome run(const char* scenario, const QStringList& arguments,
                const QString& folder = QString()) const {
        QProcess process;
        start(process, scenario, arguments, folder);
        return finish(process);
    }

    // Waits until the child prints `line`; false when it ended first.
    static bool waitForLine(QProcess& process, const QString& line) {
        QByteArray seen;
        while (process.state() != QProcess::NotRunning || process.bytesAvailable() > 0) {
            if (!process.canReadLine() && !process.waitForReadyRead(120000)) return false;
            while (process.canReadLine()) {
                if (QString::fromLocal8Bit(process.readLine()).trimmed() == line) return true;
            }
        }
        return false;
    }

    QTemporaryDir home;
};

QString valueOf(const Outcome& outcome, const QString& key) {
    for (const QString& line : outcome.lines)
        if (line.startsWith(key + QLatin1Char(' '))) return line.mid(key.size() + 1);
    return QStringLiteral("<none>");
}

} // namespace

TEST_F(ProgramRun, StartsFromAnotherFolderWithARelativeProject) {
    const QString projects = home.filePath(QStringLiteral("films"));
    ASSERT_TRUE(QDir().mkpath(projects));
    QFile project(projects + QStringLiteral("/holiday.zrs"));
    ASSERT_TRUE(project.open(QIODevice::WriteOnly));
    project.write("zrClearTimeline( );\n");
    project.close();

    const Outcome outcome = run("report", {QStringLiteral("../films/holiday.zrs")},
                                home.filePath(QStringLiteral("elsewhere")));
    EXPECT_FALSE(outcome.crashed);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(valueOf(outcome, QStringLiteral("caption")),
              QStringLiteral("Clipstead 5 - [Untitled]"));
    EXPECT_EQ(valueOf(outcome, QStringLiteral("project")), QFileInfo(project).absoluteFilePath());
    // Started elsewhere, the program works in its own folder.
    EXPECT_EQ(valueOf(outcome, QStringLiteral("folder")), programFolder());
    EXPECT_EQ(valueOf(outcome, QStringLiteral("locked")), QStringLiteral("yes"));
    EXPECT_FALSE(QFile::exists(lockPath()));
}

TEST_F(ProgramRun, ArgumentsThatAreNoProjectOpenNone) {
    const Outcome outcome =
        run("report", {QStringLiteral("missing.zrs"), QStringLiteral("LOCALEID=de")});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(valueOf(outcome, QStringLiteral("project")), QString());
    EXPECT_FALSE(QFile::exists(lockPath()));
}

TEST_F(ProgramRun, RefusesDisplaysBelowSixteenBitsAndReleasesTheLock) {
    const Outcome outcome = run("depth8", {});
    EXPECT_FALSE(outcome.crashed);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(valueOf(outcome, QStringLiteral("critical")),
              QStringLiteral("Clipstead 5|You must set your monitor display properties to a "
                             "minimum of 16 bit color"));
    EXPECT_FALSE(QFile::exists(lockPath()));
}

TEST_F(ProgramRun, EndsWithAMessageWhenTheEngineCannotBeMade) {
    const Outcome outcome = run("noengine", {});
    EXPECT_FALSE(outcome.crashed);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(valueOf(outcome, QStringLiteral("critical")),
              QStringLiteral("Clipstead 5|The editing engine could not be started."));
    EXPECT_FALSE(QFile::exists(lockPath()));
}

TEST_F(ProgramRun, OneCopyAtATimeAndAKilledCopyBlocksNoOne) {
    QProcess first;
    start(first, "hold", {});
    ASSERT_TRUE(waitForLine(first, QStringLiteral("running")));
    ASSERT_TRUE(QFile::exists(lockPath()));

    // The program itself and a session both leave at once, with success and nothing shown.
    const Outcome program = run(nullptr, {});
    EXPECT_FALSE(program.crashed);
    EXPECT_EQ(program.exitCode, 0);
    const Outcome second = run("report", {});
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_TRUE(second.lines.isEmpty()) << second.lines.join(' ').toStdString();
    EXPECT_TRUE(QFile::exists(lockPath()));

    first.kill();
    ASSERT_TRUE(first.waitForFinished(120000));
    const Outcome after = run("report", {});
    EXPECT_EQ(after.exitCode, 0);
    EXPECT_EQ(valueOf(after, QStringLiteral("caption")),
              QStringLiteral("Clipstead 5 - [Untitled]"));
    EXPECT_FALSE(QFile::exists(lockPath()));
}

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--session") == 0) {
        // The program sees its own name and the arguments after the scenario.
        std::vector<char*> arguments{argv[0]};
        arguments.insert(arguments.end(), argv + 3, argv + argc);
        arguments.push_back(nullptr);
        int count = int(arguments.size()) - 1;
        return runSession(argv[2], count, arguments.data());
    }
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
