// The main window on the capture page in the states worth a look, on the simulated DV
// camcorder (CLIPSTEAD_SIMULATED_DEVICES=1): playing its tape (live picture, the camera's time
// code, "PLAY" pressed, the jog shuttle at rest), the jog shuttle held at fast forward, and in
// the middle of a recording on a disk with little room left (the red "LOW!" labels).
// `captureshot --screenshot <prefix>` saves <prefix>-<state>.png for each state and quits (for
// xvfb-run); without it the first state stays on screen. The settings and state folders are
// temporary ones: nothing of the user's is read or written.
//
// A state is a name and a function that brings the window's capture page into it (`kStates`);
// a state of another device (a capture card with its formats and property controls) is a
// further row whose function selects that device by its list text (`selectDevice`).

#include "app/ZRSBMainWindow.h"
#include "capture/ZRDVPathMakers.h"
#include "capture/ZRImportView.h"
#include "capture/ZRJogShuttle.h"
#include "capture/ZRRemoteCtrl.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRSkinStyle.h"
#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"
#include "editor/ZRCallbacks.h"
#include "engine/api/IZRTimeline.h"
#include "platform/ieee1394/ZRIeee1394Backend.h"
#include "platform/ieee1394/ZRSimulatedCamcorder.h"
#include "tools/shots/ShotRun.h"
#include "tools/shots/ShotSession.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

using shots::Session;

// Runs the event loop for `ms`: the camera's frames and polls arrive meanwhile.
void settle(int ms) {
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Chooses the first video device whose list text starts with `listText`; false when none.
bool selectDevice(ZRImportView& page, const QString& listText) {
    const int row = page.videoDeviceCombo()->findText(listText, Qt::MatchStartsWith);
    if (row <= 0) return false;
    page.videoDeviceCombo()->setCurrentIndex(row);
    page.slotVideoDeviceSelected(row);
    return true;
}

// The main window on the capture page with the camcorder chosen and its tape playing.
std::unique_ptr<ZRSBMainWindow> cameraWindow(Session& session) {
    auto window = std::make_unique<ZRSBMainWindow>();
    window->setTimeline(session.timeline);
    window->resize(1100, 760);
    static_cast<QMainWindow*>(window.get())->show();
    window->modeButton(0)->click();
    QCoreApplication::processEvents();
    // Each state plays the tape from its start.
    if (qEnvironmentVariableIntValue("CLIPSTEAD_SIMULATED_DEVICES") == 1)
        zrieee1394::registerSimulatedCamcorder()->setPosition(0);
    ZRImportView* page = window->importView();
    if (!selectDevice(*page, QStringLiteral("DV CAM/VCR")))
        std::fprintf(stderr, "captureshot: no camcorder (CLIPSTEAD_SIMULATED_DEVICES=1?)\n");
    page->remoteControl()->guiClickPlayFwd();
    // Two polls of the transport and the time code, and a second of pictures.
    settle(1600);
    return window;
}

// What the window shows now, kept as an image of its own: the window moves on afterwards.
std::unique_ptr<QWidget> shotOf(QWidget& window) {
    QCoreApplication::processEvents();
    auto shot = std::make_unique<QLabel>();
    shot->setPixmap(window.grab());
    shot->resize(shot->pixmap().size());
    return shot;
}

std::unique_ptr<QWidget> cameraPlaying(Session& session) {
    return cameraWindow(session);
}

// The jog shuttle held two thirds of the way down: fast forward while the button is down.
std::unique_ptr<QWidget> cameraJog(Session& session) {
    std::unique_ptr<ZRSBMainWindow> window = cameraWindow(session);
    ZRJogShuttle* jog = window->importView()->jogShuttle();
    const QPoint knob = jog->knobRect().center();
    const QPoint held(knob.x(),
                      jog->positionOf(4) + jog->knobRect().height() / 2 + ZRJogShuttle::kMargin);
    const auto send = [jog](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(at), jog->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons,
                      Qt::NoModifier);
        QApplication::sendEvent(jog, &e);
    };
    send(QEvent::MouseButtonPress, knob, Qt::LeftButton);
    send(QEvent::MouseMove, held, Qt::LeftButton);
    settle(1200);
    std::unique_ptr<QWidget> shot = shotOf(*window);
    send(QEvent::MouseButtonRelease, held, Qt::NoButton);
    return shot;
}

// Recording for three seconds with the record timer on and 3.6 GB free: about sixteen minutes
// of DV, less than the timer's thirty, so both labels turn red.
std::unique_ptr<QWidget> recordingLow(Session& session) {
    std::unique_ptr<ZRSBMainWindow> window = cameraWindow(session);
    ZRImportView* page = window->importView();
    page->setFreeSpaceQuery([](const QString&) { return std::optional<int64_t>(3600000000); });
    page->setWait([](int ms) { settle(ms); });
    page->timerCheck()->setChecked(true);
    page->button(ZRImportView::RecordHddButton)->click();
    settle(3000);
    page->slotRecTimer();
    std::unique_ptr<QWidget> shot = shotOf(*window);
    page->slotStopRec();
    return shot;
}

struct State {
    const char* name;
    std::function<std::unique_ptr<QWidget>(Session&)> make;
};

const State kStates[] = {
    {"camera-playing", cameraPlaying},
    {"camera-jog", cameraJog},
    {"recording-low", recordingLow},
};

std::unique_ptr<QWidget> showState(const State& state, Session& session) {
    std::unique_ptr<QWidget> widget = state.make(session);
    widget->show();
    QCoreApplication::processEvents();
    return widget;
}

} // namespace

int main(int argc, char** argv) {
    // The main window's settings, state and capture folder go to folders of this run.
    QTemporaryDir state;
    for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"}) {
        const QString folder = state.path() + QLatin1Char('/') + QLatin1String(variable);
        QDir().mkpath(folder);
        qputenv(variable, QFile::encodeName(folder));
    }
    QApplication app(argc, argv);
    const shots::Options options = shots::parseOptions(app);

    // The devices as the program has them.
    if (qEnvironmentVariableIntValue("CLIPSTEAD_SIMULATED_DEVICES") == 1) {
        // Real time, so the picture and the time code move as on a camera.
        zrieee1394::registerSimulatedCamcorder()->setFreeRunning(false);
    }
    zrcapture::registerDVPathMakers();

    return shots::runInSession(
        "captureshot", options, kStates,
        [](const State& s, Session& session) { return showState(s, session); });
}
