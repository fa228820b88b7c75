#include "app/ZRProgram.h"

#include "app/ZRApplication.h"
#include "app/ZRLanguageCode.h"
#include "app/ZRProgramServices.h"
#include "app/ZRProjectArgument.h"
#include "app/ZRSBMainWindow.h"
#include "app/ZRScriptFileRequester.h"
#include "app/ZRSingleInstance.h"
#include "app/ZRVeskSplash.h"
#include "capture/ZRCardPathMakers.h"
#include "capture/ZRDVPathMakers.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRFontTag.h"
#include "classes/widgets/ZRMainWidget.h"
#include "classes/widgets/ZRSkinStyle.h"
#include "editor/ZRAppState.h"
#include "editor/ZRCallbacks.h"
#include "editor/ZRFrameRelay.h"
#include "engine/api/IZRCallbacks.h"
#include "engine/api/IZRTimeline.h"
#include "engine/api/ZRFileRequester.h"
#include "platform/cdwriter/ZRCdWriter.h"
#include "platform/ieee1394/ZRIeee1394Backend.h"
#include "platform/system/SystemMemory.h"
#include "platform/v4l2/ZRV4l2Backend.h"
#include "views/ZRWindowServices.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>

#include <memory>

namespace {

const char kContext[] = "ZRApplication";
const char kDefaultFontTag[] =
    "DefaultFont::<name>ariblk.ttf</name><size>10</size><smooth>1</smooth>";

QString translated(const char* text) {
    return QCoreApplication::translate(kContext, text);
}

// The program's own file, found before the application object exists.
QFileInfo programFile() {
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget());
}

int screenDepth(const ZRStartupHooks& hooks) {
    if (hooks.colourDepth) return hooks.colourDepth();
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->depth() : 0;
}

void showCritical(const ZRStartupHooks& hooks, const QString& title, const QString& text) {
    if (hooks.critical)
        hooks.critical(title, text);
    else
        QMessageBox::critical(nullptr, title, text);
}

void stageDone(const ZRStartupHooks& hooks, const char* stage) {
    if (hooks.stageDone) hooks.stageDone(stage);
}

// Everything the run made, undone in the order the shut-down needs: the lock first, then the
// window, whose widgets point into the skins and the engine; the engine outlives every window and
// the application object.
struct Run {
    ZRSingleInstance instance;
    IZRCallbacks callbacks{};
    std::unique_ptr<ZRApplication> application;
    std::unique_ptr<ZRFrameRelay> relay;
    IZRTimeline* timeline = nullptr;
    QPointer<ZRSBMainWindow> window;
    bool skinsLoaded = false;

    ~Run() {
        // Given up first: tearing down the window of a big project takes a while, and a start
        // meanwhile would be refused by a copy the user already closed.
        instance.release();
        delete window.data();
        if (skinsLoaded) releaseSkins();
        ZRSetFileRequester(nullptr);
        relay.reset();
        // The splash may still stand when the start-up ended early.
        delete ZRVeskSplash::current();
        application.reset();
        if (timeline) {
            IZRDeleteTimelineInstance(timeline);
            appState().timeline = nullptr;
        }
    }
};

} // namespace

ZRDefaultTextFont defaultFontFromTag(const QString& tag) {
    const ZRFontTag parsed = parseFontTag(tag);
    ZRDefaultTextFont font;
    if (!parsed.name.trimmed().isEmpty() && parsed.pointSize > 0) {
        font.fileName = parsed.name.trimmed();
        font.pointSize = parsed.pointSize;
    }
    font.smoothing = parsed.smooth;
    return font;
}

QString captionTitle(const QString& caption) {
    static const QRegularExpression title(QStringLiteral("(.*)( \\- )"));
    const QRegularExpressionMatch match = title.match(caption);
    return match.hasMatch() ? match.captured(1) : caption;
}

int clipsteadMain(int argc, char** argv) {
    return clipsteadMain(argc, argv, ZRStartupHooks());
}

int clipsteadMain(int argc, char** argv, const ZRStartupHooks& hooks) {
    platform::limitAllocatorArenas();
    // The program's own dialogs, for whatever asks the window services for them.
    static ZRProgramServices programServices;
    ZRWindowServices::setProgramServices(&programServices);
    Run run;
    switch (run.instance.acquire()) {
    case ZRSingleInstance::Result::AlreadyRunning:
        // Nothing is shown: the user would otherwise see no sign at all of the refused start.
        qWarning("Clipstead is already running (lock file %s)", qPrintable(run.instance.path()));
        return 0;
    case ZRSingleInstance::Result::Unavailable:
        // Without a runtime folder the guard cannot work; the program still runs.
        qWarning("Cannot create the lock file %s", qPrintable(run.instance.path()));
        break;
    case ZRSingleInstance::Result::Acquired:
        break;
    }

    // Arguments name files relative to where the user started the program, which may not stay
    // the current folder.
    const QString startFolder = QDir::currentPath();
    const QFileInfo program = programFile();
    if (program.exists() && !QFileInfo::exists(program.fileName()))
        QDir::setCurrent(program.absolutePath());

    run.application = std::make_unique<ZRApplication>(argc, argv, true);
    // Simulated devices stand in for hardware the machine lacks, behind the same interfaces.
    // DV camcorders on the machine's IEEE 1394 buses, capture cards and sound capture devices.
    zrieee1394::registerBus();
    zrv4l2::registerDevices();
    if (qEnvironmentVariableIntValue("CLIPSTEAD_SIMULATED_DEVICES") == 1) {
        cdwriter::registerSimulatedWriter();
        zrieee1394::registerSimulatedCamcorder();
        zrv4l2::registerSimulatedDevices();
    }
    zrcapture::registerCardPathMakers();
    zrcapture::registerDVPathMakers();
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    // The arguments' own bytes: a file name that is no text in the locale's encoding is
    // already altered in QCoreApplication::arguments().
    QList<QByteArray> rawArguments;
    for (int i = 1; i < argc; ++i)
        rawArguments.append(QByteArray(argv[i]));
    bool undecodable = false;
    setCommandLineProject(projectArgument(rawArguments, startFolder, &undecodable));

    const int skinFiles = preloadSkins();
    run.skinsLoaded = true;
    stageDone(hooks, "skins");

    const QString code = chooseLanguageCode(QLocale::system(), arguments, installedLanguage());
    installTranslators(*run.application, code, programFolder);

    defaultTextFont() = defaultFontFromTag(translated(kDefaultFontTag));
    const QString caption = translated("Clipstead 5 - [Untitled]");

    // Without its skins every widget of the program is invisible, and the loader's reasons
    // reach only the terminal.
    if (skinFiles == 0) {
        showCritical(
            hooks, captionTitle(caption),
            translated("The program's skins could not be loaded from:") + QLatin1Char('\n') +
                QDir::toNativeSeparators(skinBaseFolder() + QStringLiteral("/skins/default/")));
        return 1;
    }

    if (screenDepth(hooks) < 16) {
        showCritical(hooks, captionTitle(caption),
                     translated("You must set your monitor display properties to a minimum of "
                                "16 bit color"));
        return 1;
    }

    auto* splash =
        new ZRVeskSplash(skinBaseFolder() + QStringLiteral("/skins/default/zrsplash.bmp"));
    ZRVeskSplash::publish(splash);
    splash->show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    fillCallbacks(run.callbacks);
    run.relay = std::make_unique<ZRFrameRelay>();
    run.timeline = hooks.createTimeline ? hooks.createTimeline(&run.callbacks)
                                        : IZRCreateTimelineInstance(&run.callbacks, nullptr, 0);
    if (!run.timeline) {
        showCritical(hooks, captionTitle(caption),
                     translated("The editing engine could not be started."));
        return 1;
    }
    appState().timeline = run.timeline;
    ZRSetFileRequester(requestScriptFile);
    stageDone(hooks, "engine");

    run.window = new ZRSBMainWindow(nullptr, caption);
    setMainWidget(run.window);
    QApplication::setStyle(new ZRSkinStyle());
    run.window->setTimeline(run.timeline);
    stageDone(hooks, "window");

    // The window's show takes over from the splash and opens the project or starts a new one. A
    // name that no longer reaches its file is not tried: the user is told why instead of being
    // told the file is missing.
    run.window->setStartupProject(undecodable ? QString() : commandLineProject());
    run.window->show();
    if (undecodable)
        ZRWindowServices::current().warning(
            run.window, translated("Open Project"),
            translated("The project could not be opened: its name is not valid in the system's "
                       "encoding.") +
                QLatin1Char('\n') + QDir::toNativeSeparators(commandLineProject()));
    stageDone(hooks, "shown");
    if (hooks.started) hooks.started(run.window);
    return QApplication::exec();
}
