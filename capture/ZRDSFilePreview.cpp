#include "capture/ZRDSFilePreview.h"

#include "platform/media/MediaFile.h"
#include "platform/playback/ZRFileSource.h"
#include "platform/playback/ZRPlaybackPipeline.h"
#include "platform/playback/ZRPreviewOutput.h"
#include "platform/playback/ZRVideoSurface.h"
#include "views/ZRSoundStatus.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QMouseEvent>

#include <cmath>

namespace {

// Debug traces, off unless QT_LOGGING_RULES turns them on.
Q_LOGGING_CATEGORY(lcFilePreviewMouse, "clipstead.capture.filepreview", QtInfoMsg)

/// The pipeline's notification (the first application message plus one).
constexpr int kGraphEvent = 0x8001;

} // namespace

ZRDSFilePreview::ZRDSFilePreview(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : ZRFilePlayer(parent, name, flags) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setAutoFillBackground(true);
    connect(&m_timer, &QTimer::timeout, this, &ZRDSFilePreview::slotTimeout);
    qApp->installEventFilter(this);
}

ZRDSFilePreview::~ZRDSFilePreview() {
    qApp->removeEventFilter(this);
    if (m_eventLoop) m_eventLoop->exit(0);
    closeGraph();
}

namespace {

/// Whether `path` is a still picture (the media readers give stills a clip length of their
/// own); only files without sound can be.
bool isStillPicture(const QString& path, const ZRFileSource& source) {
    if (source.hasAudio() || !source.hasVideo()) return false;
    mediaimport::MediaFile file;
    std::string error;
    return file.open(path.toStdString(), &error) && file.isStill();
}

} // namespace

bool ZRDSFilePreview::openFile(const QString& path) {
    if (!QFileInfo::exists(path)) return false;
    if (m_pipeline) {
        m_pipeline->stop();
        closeGraph();
    }
    auto source = std::make_unique<ZRFileSource>();
    if (!source->open(path)) return false;
    auto pipeline = std::make_unique<ZRPlaybackPipeline>(zrCreatePreviewOutput());
    QString silent;
    if (!pipeline->setSource(source.get(), &silent)) return false;
    if (!silent.isEmpty()) zrReportSilentPreview(silent);
    m_source = std::move(source);
    m_pipeline = std::move(pipeline);
    m_pipeline->setNotifyTarget(this, kGraphEvent);
    ZRVideoSurface* surface = m_pipeline->surface();
    surface->setOwner(this);
    surface->setGeometry(0, 0, width(), height());
    surface->setMessageDrain(this);
    // A source that delivers its picture directly plays its first second.
    if (isStillPicture(path, *m_source)) {
        const ZRMediaTime start = 0, stop = kZRMediaTimePerSecond;
        m_pipeline->setPositions(&start, &stop);
    }
    m_duration = m_pipeline->duration();
    m_rangeStart = m_pipeline->currentPosition();
    m_rangeStop = m_pipeline->stopPosition();
    m_state = 3;
    return true;
}

ZRMediaTime ZRDSFilePreview::duration() const {
    return m_pipeline ? m_pipeline->duration() : 0;
}

ZRMediaTime ZRDSFilePreview::currentPosition() const {
    return m_pipeline ? m_pipeline->currentPosition() : 0;
}

void ZRDSFilePreview::play() {
    if (!m_pipeline) {
        m_state = 3;
        return;
    }
    if (m_state == 3) {
        m_pipeline->run();
        m_state = 0;
        m_timer.start(100);
    } else if (m_state == 4) {
        m_pipeline->setPositions(&m_rangeStart, nullptr);
        m_pipeline->run();
        m_state = 0;
    }
}

void ZRDSFilePreview::stop() {
    if (!m_pipeline || m_state == 2) return;
    m_pipeline->stop();
    m_state = 2;
    Q_EMIT previewStopped();
}

void ZRDSFilePreview::stop_and_close() {
    if (!m_pipeline || m_state == 2) return;
    m_pipeline->stop();
    m_state = 2;
    Q_EMIT previewStopped();
    // Closing deletes the window: nothing may touch it afterwards.
    close();
}

void ZRDSFilePreview::pause() {
    if (!m_pipeline) return;
    if (m_state == 0) {
        m_pipeline->pause();
        m_state = 1;
    } else if (m_state == 1) {
        m_pipeline->run();
        m_state = 0;
    }
}

void ZRDSFilePreview::seek(qint64 time) {
    const ZRMediaTime t = time;
    if (m_pipeline) m_pipeline->setPositions(&t, nullptr);
}

void ZRDSFilePreview::setStartPosition(double time, QWidget*) {
    if (m_state != 0 && m_state != 1) return;
    // A looped range that ends at or before its start would complete at once, for ever.
    if (!std::isfinite(time) || std::fabs(time) > 9.2e18) return;
    if (m_loop && ZRMediaTime(time) >= m_rangeStop) return;
    m_rangeStart = ZRMediaTime(time);
    if (m_loop && currentPosition() < m_rangeStart)
        m_pipeline->setPositions(&m_rangeStart, nullptr);
}

void ZRDSFilePreview::setStopPosition(double time, QWidget*) {
    if (m_state != 0 && m_state != 1) return;
    if (!std::isfinite(time) || std::fabs(time) > 9.2e18) return;
    if (m_loop && ZRMediaTime(time) <= m_rangeStart) return;
    m_rangeStop = ZRMediaTime(time);
    if (!m_loop) return;
    if (currentPosition() >= m_rangeStop)
        m_pipeline->setPositions(&m_rangeStart, &m_rangeStop);
    else
        m_pipeline->setPositions(nullptr, &m_rangeStop);
}

void ZRDSFilePreview::setLoop(bool on) {
    if (on == m_loop || !m_pipeline) {
        m_loop = on;
        return;
    }
    m_loop = on;
    const ZRMediaTime current = currentPosition();
    if (!on) {
        m_rangeStop = m_duration;
        m_rangeStart = 0;
        if (current <= m_rangeStop)
            m_pipeline->setPositions(nullptr, &m_rangeStop);
        else
            m_pipeline->setPositions(&m_rangeStart, &m_rangeStop);
    } else if (current < m_rangeStart || current > m_rangeStop) {
        m_pipeline->setPositions(&m_rangeStart, &m_rangeStop);
    } else {
        m_pipeline->setPositions(nullptr, &m_rangeStop);
    }
}

void ZRDSFilePreview::show() {
    QSBWidget::show();
    if (m_state == 3) play();
}

void ZRDSFilePreview::hide() {
    if (m_pipeline) m_pipeline->surface()->hide();
    QSBWidget::hide();
}

void ZRDSFilePreview::slotTimeout() {
    if (m_state == 2 || !m_pipeline) return;
    Q_EMIT positionChanged(currentPosition(), m_duration);
}

bool ZRDSFilePreview::event(QEvent* e) {
    if (e->type() == kGraphEvent) {
        handleGraphEvents();
        return true;
    }
    return QSBWidget::event(e);
}

void ZRDSFilePreview::handleGraphEvents() {
    int code = 0;
    while (m_pipeline && m_pipeline->getEvent(&code)) {
        if (code != ZRPlaybackPipeline::kEventComplete &&
            code != ZRPlaybackPipeline::kEventUserAbort)
            continue;
        if (m_loop) {
            m_pipeline->setPositions(&m_rangeStart, &m_rangeStop);
            m_pipeline->run();
            return;
        }
        Q_EMIT previewStopped();
        m_state = 4;
        setFullScreen(false);
        close();
        return;
    }
}

void ZRDSFilePreview::closeGraph() {
    if (!m_pipeline) return;
    m_timer.stop();
    m_pipeline->setNotifyTarget(nullptr, 0);
    setFullScreen(false);
    if (ZRVideoSurface* surface = m_pipeline->surface()) surface->hide();
    if (m_state != 2) m_pipeline->stop();
    m_pipeline.reset();
    m_source.reset();
}

void ZRDSFilePreview::setFullScreen(bool on) {
    if (!m_pipeline || on == m_fullScreen) return;
    ZRVideoSurface* surface = m_pipeline->surface();
    if (!surface->setFullScreenMode(on)) return;
    m_fullScreen = on;
}

void ZRDSFilePreview::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Space:
        if (m_state != 2 && m_state != 4)
            pause();
        else
            play();
        return;
    case Qt::Key_Escape:
        if (m_fullScreen) {
            setFullScreen(false);
        } else {
            if (m_state != 2) stop();
            close();
        }
        return;
    case Qt::Key_Home:
        if (m_pipeline) {
            const ZRMediaTime zero = 0;
            m_pipeline->setPositions(&zero, nullptr);
            Q_EMIT positionChanged(0, m_duration);
            if (m_state == 4) play();
        }
        return;
    case Qt::Key_End:
        if (m_state != 2 && m_pipeline) {
            m_pipeline->pause();
            m_state = 4;
            const ZRMediaTime end = m_pipeline->stopPosition();
            m_pipeline->setPositions(&end, nullptr);
            Q_EMIT positionChanged(end, m_duration);
        }
        return;
    case Qt::Key_F12:
        setFullScreen(!m_fullScreen);
        return;
    default:
        QSBWidget::keyPressEvent(e);
    }
}

void ZRDSFilePreview::resizeEvent(QResizeEvent* e) {
    QSBWidget::resizeEvent(e);
    leaveFullScreen();
    if (m_pipeline && !m_fullScreen) m_pipeline->surface()->setGeometry(0, 0, width(), height());
}

void ZRDSFilePreview::showEvent(QShowEvent* e) {
    QSBWidget::showEvent(e);
    leaveFullScreen();
    setFocus();
}

void ZRDSFilePreview::focusInEvent(QFocusEvent* e) {
    QSBWidget::focusInEvent(e);
    leaveFullScreen();
}

void ZRDSFilePreview::leaveFullScreen() {
    if (m_fullScreen) setFullScreen(false);
}

int ZRDSFilePreview::exec() {
    if (m_eventLoop) {
        qWarning("ZRDSFilePreview::exec: Recursive call detected.");
        return -1;
    }
    const bool deleteOnClose = testAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_DeleteOnClose, false);
    const bool wasModal = testAttribute(Qt::WA_ShowModal);
    setAttribute(Qt::WA_ShowModal, true);
    m_result = 0;
    show();
    raise();
    QPointer<ZRDSFilePreview> guard(this);
    QEventLoop loop;
    m_eventLoop = &loop;
    loop.exec(QEventLoop::DialogExec);
    if (!guard) return 0;
    m_eventLoop = nullptr;
    if (!wasModal) setAttribute(Qt::WA_ShowModal, false);
    const int result = m_result;
    if (deleteOnClose) delete this;
    return result;
}

void ZRDSFilePreview::done(int result) {
    hide();
    m_result = result;
    if (m_eventLoop) {
        m_eventLoop->exit(result);
        return;
    }
    if (testAttribute(Qt::WA_DeleteOnClose)) deleteLater();
}

void ZRDSFilePreview::closeEvent(QCloseEvent* e) {
    QSBWidget::closeEvent(e);
    // A window closed inside `exec` would otherwise leave its loop running with nothing shown.
    if (e->isAccepted() && m_eventLoop) m_eventLoop->exit(m_result);
}

bool ZRDSFilePreview::eventFilter(QObject* watched, QEvent* e) {
    switch (e->type()) {
    case QEvent::KeyPress:
        // Every key of the application is the preview's while it exists.
        keyPressEvent(static_cast<QKeyEvent*>(e));
        return true;
    case QEvent::MouseButtonPress: {
        auto* press = static_cast<QMouseEvent*>(e);
        // A press reaches the application filter once for each widget it propagates through;
        // its copies share its time stamp.
        if (watched->isWidgetType() && press->button() == Qt::LeftButton &&
            press->timestamp() != m_lastPress) {
            m_lastPress = press->timestamp();
            mousePressedAt(press->globalPosition().toPoint());
        }
        return false;
    }
    default:
        return QSBWidget::eventFilter(watched, e);
    }
}

void ZRDSFilePreview::mousePressedAt(const QPoint& pos) {
    // A trace for the log only: the status bar is the user's.
    qCDebug(lcFilePreviewMouse, "Mouse Press: (%d, %d)", pos.x(), pos.y());
    if (!isVisible() || m_fullScreen || frameGeometry().contains(pos)) return;
    if (m_state != 2) stop();
    close();
}
