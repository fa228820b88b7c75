// The production pages and dialogs in the states worth a look: the profile dialog on DVD and
// PAL, the bit-rate warning, the produce page's profile area on the built-in "MPEG-II DVD PAL"
// and on a user profile derived from it, and the main window on the produce page: idle with
// marks, in the middle of a render (knob, status line, estimate, "Stop") and after it, the file
// in "Produced"; the Video CD page on the simulated writer with its speeds, in the middle of a
// burn of a clip it makes with ffmpeg; the web-cast and DVD launch pages; the camera tab with
// the simulated camcorder chosen, in browser mode and in timeline mode with the camcorder
// playing fast forward (its transport state on the buttons) and its time code.
// `produceshot --screenshot <prefix>` saves <prefix>-<state>.png for each state and quits (for
// xvfb-run); without it the first state stays on screen. The settings and state folders are
// temporary ones: nothing of the user's is read or written.

#include "app/ZRSBMainWindow.h"
#include "browser/ZRBrowserIconView.h"
#include "browser/ZRSBBrowser.h"
#include "capture/ZRRemoteCtrl.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRSkinStyle.h"
#include "classes/widgets/ZRTabBar.h"
#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"
#include "editor/ZRCallbacks.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRTimeline.h"
#include "output/BPSWarning.h"
#include "output/ZRExportCameraView.h"
#include "output/ZRExportECIView.h"
#include "output/ZRExportView.h"
#include "output/ZRProfileDialog.h"
#include "platform/cdwriter/ZRSimulatedCdWriter.h"
#include "platform/cdwriter/ZRVcdWriter.h"
#include "platform/ieee1394/ZRAvcCommands.h"
#include "platform/ieee1394/ZRIeee1394Backend.h"
#include "platform/ieee1394/ZRSimulatedCamcorder.h"
#include "tools/shots/ShotRun.h"
#include "tools/shots/ShotSession.h"
#include "views/ZRSBPSlider.h"
#include "views/ZRWindowServices.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

using shots::Session;

std::unique_ptr<QWidget> profileDialog(Session&) {
    auto dialog = std::make_unique<ZRProfileDialog>(nullptr, "zrprofiledialog");
    dialog->slotSetProfile(ZRProfileDialog::DVD);
    dialog->slotSetStandard(0);
    dialog->slotSelectText(ZRProfileDialog::DVD);
    return dialog;
}

std::unique_ptr<QWidget> bitrateWarning(Session&) {
    return std::make_unique<BPSWarning>(nullptr, nullptr, true);
}

std::unique_ptr<ZRExportView> producePage(Session& session) {
    auto page = std::make_unique<ZRExportView>(nullptr, "ZRExportView");
    page->resize(760, 240);
    page->setCaption(QStringLiteral("Produce"));
    page->setTimeline(session.timeline);
    page->profileBox()->setCurrentIndex(ZRExportProfiles::kDvdPal);
    page->slotFormatActivated(ZRExportProfiles::kDvdPal);
    return page;
}

std::unique_ptr<QWidget> dvdProfile(Session& session) {
    return producePage(session);
}

// A width typed over the built-in DVD profile derives a user profile; selected again, it shows
// without the bit rates, which belong to the two built-in DVD entries.
std::unique_ptr<QWidget> userProfile(Session& session) {
    std::unique_ptr<ZRExportView> page = producePage(session);
    page->widthBox()->lineEdit()->setText(QStringLiteral("704"));
    const int derived = page->profileBox()->count() - 1;
    page->slotFormatActivated(derived);
    return page;
}

// Answers the render's file dialog with a file in the session's folder.
class ShotServices : public ZRWindowServices {
public:
    QString file;
    QString fileName(QWidget*, bool, const QString&, const QString&, const QString&) override {
        return file;
    }
    bool confirmOverwrite(QWidget*, const QString&, const QString&) override { return true; }
};

// The main window on the produce page over a project of four 50-frame clips at 30 fps, the DVD
// PAL profile chosen and the output range marked.
std::unique_ptr<ZRSBMainWindow> produceWindow(Session& session) {
    auto window = std::make_unique<ZRSBMainWindow>();
    window->setTimeline(session.timeline);
    window->resize(1100, 760);
    IZRObjectFactory* factory = session.timeline->factory();
    const char* colours[] = {"RGB(40,80,120)", "RGB(160,90,40)", "RGB(60,130,70)",
                             "RGB(130,60,120)"};
    for (const char* colour : colours) {
        IZRObject* clip = factory->createObject("Solid Color", colour, nullptr, nullptr);
        IZRPos* length = factory->createPos();
        length->addFrames(50);
        session.timeline->setObjectMarkOut(clip, length);
        factory->destroyPos(length);
        if (clip) window->editor()->insertClip(clip, window->editor()->objectCount());
    }
    window->positionSlider()->setMarkIn(0.1);
    window->positionSlider()->setMarkOut(0.15);
    static_cast<QMainWindow*>(window.get())->show();
    window->modeButton(2)->click();
    ZRExportView* page = window->producePage();
    page->profileBox()->setCurrentIndex(ZRExportProfiles::kDvdPal);
    page->slotFormatActivated(ZRExportProfiles::kDvdPal);
    QCoreApplication::processEvents();
    return window;
}

std::unique_ptr<QWidget> produceIdle(Session& session) {
    std::unique_ptr<ZRSBMainWindow> window = produceWindow(session);
    // The preview composes its frame on its own thread: give it time to arrive.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return window;
}

// Renders into the session's folder; `during` runs at the fourth disk check, when the estimate
// of the check before is shown.
std::unique_ptr<QWidget> renderWith(Session& session, std::function<void(QWidget&)> during) {
    std::unique_ptr<ZRSBMainWindow> window = produceWindow(session);
    ShotServices services;
    services.file = session.folder.filePath(QStringLiteral("movie.mpg"));
    ZRWindowServices* previous = ZRWindowServices::install(&services);
    ZRExportView* page = window->producePage();
    int checks = 0;
    int64_t free = int64_t(4) << 30;
    page->setFreeSpaceQuery([&](const QString&) {
        if (++checks == 4 && during) during(*window);
        free -= 12 << 20;
        return std::optional<int64_t>(free);
    });
    page->renderButton()->click();
    ZRWindowServices::install(previous);
    QCoreApplication::processEvents();
    return window;
}

std::unique_ptr<QWidget> produceRendering(Session& session) {
    // The grab is kept as a label of its own: the window itself is idle again afterwards.
    auto shot = std::make_unique<QLabel>();
    renderWith(session, [&](QWidget& window) {
        QCoreApplication::processEvents();
        shot->setPixmap(window.grab());
    });
    shot->resize(shot->pixmap().size());
    return shot;
}

std::unique_ptr<QWidget> produceProduced(Session& session) {
    std::unique_ptr<QWidget> window = renderWith(session, nullptr);
    // The file's first frame reaches its tile from the thumbnail worker: wait for it, or the
    // shot shows the bare frame.
    const ZRBrowserIconView* clips =
        static_cast<ZRSBMainWindow*>(window.get())->browser()->clipView();
    QElapsedTimer waited;
    waited.start();
    while (clips->pendingThumbnails() > 0 && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return window;
}

// The window's hub with another file selected in the browser.
class SelectingHub : public ZRAppState::Hub {
public:
    SelectingHub(ZRAppState::Hub& window, QString selected)
        : m_window(window), m_selected(std::move(selected)) {}
    IZRObject* currentObject() override { return m_window.currentObject(); }
    IZRPos* currentPosition() override { return m_window.currentPosition(); }
    void message(const QString& text, int ms) override { m_window.message(text, ms); }
    void setMenuItemEnabled(int id, bool on) override { m_window.setMenuItemEnabled(id, on); }
    void setMenuItemChecked(int id, bool on) override { m_window.setMenuItemChecked(id, on); }
    QString selectedBrowserFile() override { return m_selected; }

private:
    ZRAppState::Hub& m_window;
    QString m_selected;
};

// The produce page on tab `tab`.
std::unique_ptr<ZRSBMainWindow> produceTab(Session& session, int tab) {
    std::unique_ptr<ZRSBMainWindow> window = produceWindow(session);
    window->producePage()->tabBar()->setCurrentTab(tab);
    window->producePage()->tabBarChanged(tab);
    QCoreApplication::processEvents();
    return window;
}

// A VCD PAL clip of six seconds burnt to the simulated unit at speed 4 of 8; the grab is taken
// when the first file's encapsulation shows.
std::unique_ptr<QWidget> vcdBurning(Session& session) {
    const QString clip = session.folder.filePath(QStringLiteral("holiday.mpg"));
    QProcess::execute(QStringLiteral("ffmpeg"),
                      {"-nostdin", "-loglevel", "quiet", "-y", "-f", "lavfi", "-i",
                       "testsrc=size=352x288:rate=25", "-f", "lavfi", "-i", "sine", "-t", "6",
                       "-target", "pal-vcd", clip});
    auto writer =
        std::make_shared<ZRSimulatedCdWriter>(session.folder.filePath(QStringLiteral("cd.bin")));
    cdwriter::setWriter(writer);
    std::unique_ptr<ZRSBMainWindow> window = produceTab(session, ZRExportView::VcdTab);
    auto* page =
        static_cast<ZRExportECIView*>(window->producePage()->subPage(ZRExportView::VcdTab));
    page->speedBox()->setCurrentIndex(2);
    SelectingHub hub(*window, clip);
    appState().hub = &hub;
    auto shot = std::make_unique<QLabel>();
    page->vcdWriter().setStatusCallback([&](int code, const char* name) {
        ZRExportECIView::vcdStatus(code, name);
        if (code == ZRVcdWriter::Encapsulating && shot->pixmap().isNull())
            shot->setPixmap(window->grab());
        return true;
    });
    QEventLoop loop;
    QObject::connect(page, &ZRExportECIView::burnFinished, &loop, &QEventLoop::quit);
    page->burnButtonClicked();
    if (page->burning()) loop.exec();
    appState().hub = window.get();
    cdwriter::setWriter(nullptr);
    if (shot->pixmap().isNull()) shot->setPixmap(window->grab());
    shot->resize(shot->pixmap().size());
    return shot;
}

std::unique_ptr<QWidget> webCastPage(Session& session) {
    return produceTab(session, ZRExportView::WebTab);
}

std::unique_ptr<QWidget> dvdPage(Session& session) {
    return produceTab(session, ZRExportView::DvdTab);
}

// The camera tab with the simulated camcorder chosen; in timeline mode the live output sends
// the project (made DV PAL for it) and the camcorder is set to fast forward by the jog shuttle.
std::unique_ptr<QWidget> cameraTab(Session& session, bool timelineMode) {
    auto camcorder = zrieee1394::registerSimulatedCamcorder();
    session.timeline->settings()->setIntPairSetting("Video Dimensions", 720, 576);
    appState().formatIndex = 0;
    std::unique_ptr<ZRSBMainWindow> window = produceTab(session, ZRExportView::CameraTab);
    ZRExportView* page = window->producePage();
    ZRExportCameraView* camera = page->cameraPage();
    for (int i = 1; i < camera->deviceBox()->count(); ++i) {
        if (!camera->deviceBox()->itemText(i).startsWith(QLatin1String("DV CAM/VCR"))) continue;
        camera->deviceBox()->setCurrentIndex(i);
        camera->slotVideoDeviceSelected(i);
        break;
    }
    if (timelineMode) {
        camera->timelineButton()->click();
        camera->remoteControl()->guiJogShuttle(4);
        page->slotTimelineQuery();
        camcorder->setPosition(1234);
        camera->slotShowTimeCode(long(zravc::timeCodeOf(long(camcorder->position()), false)));
    }
    QCoreApplication::processEvents();
    return window;
}

std::unique_ptr<QWidget> cameraBrowser(Session& session) {
    return cameraTab(session, false);
}

std::unique_ptr<QWidget> cameraTimeline(Session& session) {
    return cameraTab(session, true);
}

struct State {
    const char* name;
    std::function<std::unique_ptr<QWidget>(Session&)> make;
};

const State kStates[] = {
    {"profiledialog", profileDialog},      {"bpswarning", bitrateWarning},
    {"profile-dvd", dvdProfile},           {"profile-user", userProfile},
    {"produce-idle", produceIdle},         {"produce-rendering", produceRendering},
    {"produce-produced", produceProduced}, {"vcd-burning", vcdBurning},
    {"launch-webcast", webCastPage},       {"launch-dvd", dvdPage},
    {"camera-browser", cameraBrowser},     {"camera-timeline", cameraTimeline},
};

std::unique_ptr<QWidget> showState(const State& state, Session& session) {
    std::unique_ptr<QWidget> widget = state.make(session);
    widget->show();
    QCoreApplication::processEvents();
    return widget;
}

} // namespace

int main(int argc, char** argv) {
    // The main window's settings and state go to folders of this run.
    QTemporaryDir state;
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"})
        qputenv(variable,
                QFile::encodeName(state.path() + QLatin1Char('/') + QLatin1String(variable)));
    QApplication app(argc, argv);
    const shots::Options options = shots::parseOptions(app);

    return shots::runInSession(
        "produceshot", options, kStates,
        [](const State& s, Session& session) { return showState(s, session); });
}
