// The produce page's player side: tabs, preview, slider, transport, marks and layout.
#include "output/ZRExportView.h"

#include "capture/ZRRemoteCtrl.h"
#include "capture/ZRVideoWidget.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/ZRLabel.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRSkinBox.h"
#include "classes/widgets/ZRTCWidget.h"
#include "classes/widgets/ZRTab.h"
#include "classes/widgets/ZRTabBar.h"
#include "editor/ZRAppState.h"
#include "engine/api/IZRTimeline.h"
#include "output/ZRDiskWatch.h"
#include "output/ZRExportCameraView.h"
#include "output/ZRExportDiscwrightView.h"
#include "output/ZRExportECIView.h"
#include "output/ZRExportWebCastView.h"
#include "output/ZRLiveOutput.h"
#include "platform/dvcodec/DVFrame.h"
#include "views/ZRSBPSlider.h"
#include "views/ZRSBPreview.h"

#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kPreviewWidth = 400;
constexpr int kPreviewHeight = 300;
constexpr QPoint kContentOrigin(10, 56);

struct TabIcon {
    const char* layer;
    const char* tip;
};
constexpr TabIcon kTabs[] = {
    {"harddisk", QT_TRANSLATE_NOOP("ZRExportView", "Produce Project")},
    {"camera", QT_TRANSLATE_NOOP("ZRExportView", "Output to Camcorder/VCR/TV")},
    {"web", QT_TRANSLATE_NOOP("ZRExportView", "Webcast")},
    {"vcd", QT_TRANSLATE_NOOP("ZRExportView", "Create VCD/S-VCD")},
    {"dvd", QT_TRANSLATE_NOOP("ZRExportView", "Create DVD")},
};

struct TransportSkin {
    const char* set;
    const char* tip;
};
constexpr TransportSkin kTransportSkins[ZRExportView::TransportCount] = {
    {"rewind_button", QT_TRANSLATE_NOOP("ZRExportView", "Skip Back")},
    {"frame_backward_button", QT_TRANSLATE_NOOP("ZRExportView", "Frame Back")},
    {"play_button", QT_TRANSLATE_NOOP("ZRExportView", "Play / Stop")},
    {"frame_forward_button", QT_TRANSLATE_NOOP("ZRExportView", "Frame Forward")},
    {"fast_forward_button", QT_TRANSLATE_NOOP("ZRExportView", "Skip Forward")},
    {"loop_button", QT_TRANSLATE_NOOP("ZRExportView", "Loop")},
};

} // namespace

void ZRExportView::createPlayerArea() {
    m_freeSpace = diskwatch::freeBytes;
    if (QDict<PSDLayerSet>* sets = preloadedSkinSets("vesk_modes_inner_frame")) {
        if (PSDLayerSet* inner = sets->find(QStringLiteral("inner_frame")))
            m_innerBox = std::make_unique<ZRSkinBox>(&inner->layers);
        if (PSDLayerSet* bottom = sets->find(QStringLiteral("bottom_frame")))
            m_bottomBox = std::make_unique<ZRSkinBox>(&bottom->layers);
    }

    m_tabBar = new ZRTabBar(preloadedSkinSets("capture_opt_tabs"), this, "Export TabBar");
    QDict<PSDLayer>* icons = preloadedSkinSetLayers("capture_produce_icons", "icons");
    for (int i = 0; i < int(std::size(kTabs)); ++i) {
        const PSDLayer* icon = icons ? icons->find(QLatin1String(kTabs[i].layer)) : nullptr;
        m_tabBar->addTab(new ZRTab(icon ? &icon->image : nullptr, QPoint(0, 0), i));
        m_tabBar->setTabToolTip(i, tr(kTabs[i].tip));
    }
    m_tabBar->setCurrentTab(DiskTab);

    m_preview = new ZRSBPreview(this, "Export Preview");
    m_preview->setFixedSize(kPreviewWidth, kPreviewHeight);
    auto* camera = new ZRExportCameraView(this, "ZRExportCameraView");
    camera->QSBWidget::hide();
    m_cameraPage = camera;
    auto* video = new ZRVideoWidget(this, "ZRExportView videowidget");
    // It is raised over the camera page in the same place and takes no input of its own: the
    // clicks are the page's (its device list and buttons would never get one otherwise).
    video->setAttribute(Qt::WA_TransparentForMouseEvents);
    video->hide();
    m_cameraVideo = video;
    camera->setVideoWidget(video);
    m_queryTimer = new QTimer(this);
    m_queryTimer->setObjectName(QStringLiteral("mpNativeDVQueryTimer"));
    m_queryTimer->setInterval(1000);
    m_vcdPage = new ZRExportECIView(this, "ZRExportECIView");
    m_vcdPage->hide();
    m_webPage = new ZRExportWebCastView(this, "ZRExportWebCastView");
    m_webPage->hide();
    m_dvdPage = new ZRExportDiscwrightView(this, "ZRExportDiscwrightView");
    m_dvdPage->hide();

    QDict<PSDLayerSet>* panel = preloadedSkinSets("preview_panel");
    m_slider = new ZRSBPSlider(panel, this, "Export Slider");
    m_slider->setPanel(QStringLiteral("panel_raw"));
    m_preview->setPositionSlider(m_slider);
    for (int i = 0; i < TransportCount; ++i) {
        PSDLayerSet* set = panel ? panel->find(QLatin1String(kTransportSkins[i].set)) : nullptr;
        auto* button = new ZRPushButton(this, set ? &set->layers : nullptr, false, nullptr);
        if (set) m_transportRects[size_t(i)] = set->bounds;
        button->setCheckable(i == Play || i == Loop);
        button->setToolTip(tr(kTransportSkins[i].tip));
        m_transport[size_t(i)] = button;
    }

    m_markInButton = new ZRPushButton(tr("Start"), this, "Set Output Start");
    m_markInButton->setToolTip(tr("Set Output Start"));
    m_markOutButton = new ZRPushButton(tr("End"), this, "Set Output End");
    m_markOutButton->setToolTip(tr("Set Output End"));
    for (ZRPushButton* b : {m_markInButton, m_markOutButton})
        b->setFixedSize(61, 20);
    m_markInCode = new ZRTCWidget(preloadedSkinLayers("timecode"), this, "mark-in time code");
    m_markOutCode = new ZRTCWidget(preloadedSkinLayers("timecode"), this, "mark-out time code");

    m_renderButton = new ZRPushButton(tr("Render"), this, "Render");
    m_renderButton->setFixedSize(85, 20);
    m_renderButton->setToolTip(tr("Start/Stop Rendering"));
    m_diskLabel = new ZRLabel(tr("Space for 24h 59min 59sec left on device"), this, "disk space");
    m_diskLabel->hide();

    using Self = ZRExportView;
    connect(m_tabBar, &ZRTabBar::selected, this, &Self::tabBarChanged);
    connect(m_transport[Play], &QAbstractButton::toggled, this, &Self::toggle_play_stop);
    ZRExportCameraView* cameraView = cameraPage();
    connect(cameraView, &ZRExportCameraView::timelineModeActivated, this,
            &Self::slotTimelineModeActivated);
    connect(cameraView, &ZRExportCameraView::timelineModeDeviceCommand, this,
            &Self::slotTimelineModeDeviceCommand);
    connect(cameraView, &ZRExportCameraView::enablePlaybackButton, this,
            &Self::slotEnablePlaybackButton);
    connect(cameraView, &ZRExportCameraView::disablePlaybackButton, this,
            &Self::slotDisablePlaybackButton);
    connect(m_queryTimer, &QTimer::timeout, this, &Self::slotTimelineQuery);
    connect(this, &Self::sigTimelineStateChanged, cameraView->remoteControl(),
            &ZRRemoteCtrl::rcChangeState);
    connect(m_preview, &ZRSBPreview::atPosition, this,
            qOverload<IZRPos*, QWidget*>(&Self::gotoPosition));
    connect(m_slider, &ZRSBPSlider::positionChanged, this,
            qOverload<double, QWidget*>(&Self::gotoPosition));
    connect(m_slider, &ZRSBPSlider::markInChanged, this, &Self::slotMarkInChanged);
    connect(m_slider, &ZRSBPSlider::markOutChanged, this, &Self::slotMarkOutChanged);
    connect(m_transport[Rewind], &QAbstractButton::clicked, this, &Self::rewind);
    connect(m_transport[FrameBack], &QAbstractButton::clicked, this, &Self::framerew);
    connect(m_transport[FrameForward], &QAbstractButton::clicked, this, &Self::framefwd);
    connect(m_transport[Forward], &QAbstractButton::clicked, this, &Self::forward);
    connect(m_transport[Loop], &QAbstractButton::clicked, this, &Self::loop);
    connect(m_preview, &ZRSBPreview::stateChanged, this, &Self::stateChanged);
    connect(m_renderButton, &QAbstractButton::clicked, this, &Self::slotRenderClicked);
    connect(m_markInButton, &QAbstractButton::clicked, this, &Self::slotMarkInClicked);
    connect(m_markOutButton, &QAbstractButton::clicked, this, &Self::slotMarkOutClicked);
    layoutPlayerArea();
}

ZRPushButton* ZRExportView::transportButton(int index) const {
    return index >= 0 && index < TransportCount ? m_transport[size_t(index)] : nullptr;
}

QSBWidget* ZRExportView::subPage(int tab) const {
    switch (tab) {
    case CameraTab:
        return m_cameraPage;
    case WebTab:
        return m_webPage;
    case VcdTab:
        return m_vcdPage;
    case DvdTab:
        return m_dvdPage;
    default:
        return nullptr;
    }
}

void ZRExportView::slotShowInTimeCode(long) {}
void ZRExportView::slotShowOutTimeCode(long) {}

// The live output to a camcorder comes with the camera page; until then timeline mode has no
// device to drive.
ZRExportCameraView* ZRExportView::cameraPage() const {
    return static_cast<ZRExportCameraView*>(m_cameraPage);
}

ZRLiveOutput* ZRExportView::openLiveOutput() const {
    return m_liveOutput && m_liveOutput->isOpen() && !m_deleteLiveOutputAfterPlay
               ? m_liveOutput.get()
               : nullptr;
}

void ZRExportView::deleteLiveOutput() {
    m_queryTimer->stop();
    if (!m_liveOutput) return;
    // The play loop runs below this call (its event processing brought us here): deleting the
    // object now would pull it from under the loop, so the loop is asked to stop instead.
    if (m_liveOutput->isPlaying()) {
        appState().stopRequested = true;
        m_deleteLiveOutputAfterPlay = true;
        return;
    }
    m_liveOutput.reset();
}

void ZRExportView::slotTimelineModeActivated(bool on) {
    if (!on) {
        deleteLiveOutput();
        return;
    }
    if (m_liveOutput || !m_timeline) return;
    // The frame size is the project's DV frame: the TV standard flag need not match the
    // loaded project.
    int width = 0, height = 0;
    m_timeline->settings()->getIntPairSetting("Video Dimensions", &width, &height);
    const int frameSize = int(platform::dvFrameSize(width, height));
    m_liveOutput = std::make_unique<ZRLiveOutput>(m_timeline);
    if (!m_liveOutput->open(cameraPage()->deviceName(), frameSize)) {
        // A closed device would report state 0 every second: no object, no timer.
        m_liveOutput.reset();
        return;
    }
    IZRPos* start = m_timeline->factory()->createPos();
    m_liveOutput->sendFrameAt(start);
    m_timeline->factory()->destroyPos(start);
    m_queryTimer->start(1000);
}

void ZRExportView::slotTimelineModeDeviceCommand(long command) {
    if (command == 0) return;
    if (ZRLiveOutput* live = openLiveOutput()) live->sendCommand(command);
}

void ZRExportView::slotTimelineQuery() {
    ZRLiveOutput* live = openLiveOutput();
    if (!live) return;
    long state = 0;
    live->queryState(&state);
    Q_EMIT sigTimelineStateChanged(state, 0);
}

void ZRExportView::sendLiveFrame(IZRPos* position) {
    ZRLiveOutput* live = openLiveOutput();
    if (!live) return;
    live->sendFrameAt(position);
    gotoPosition(live->position(), this);
}

void ZRExportView::slotEnablePlaybackButton() {
    if (!m_transport[Play]->isChecked()) m_transport[Play]->setChecked(true);
}

void ZRExportView::slotDisablePlaybackButton() {
    if (m_transport[Play]->isChecked()) m_transport[Play]->setChecked(false);
}

void ZRExportView::updateLastFrame() {
    if (!m_timeline || !m_lastFrame) return;
    IZRPos* end = m_timeline->endPosition();
    m_lastFrame->assign(end);
    // An empty project has no last frame: it stays at 0 rather than one frame before it.
    if (end->toFrames() >= 1.0)
        m_lastFrame->decrement();
    else
        m_lastFrame->setTotalFrames(0);
}

double ZRExportView::fractionOf(const IZRPos* position) const {
    if (!position || !m_lastFrame) return 0.0;
    const double last = m_lastFrame->toFrames();
    // A one-frame or empty project would divide by zero.
    if (!(last > 0.0)) return 0.0;
    return std::clamp(position->toFrames() / last, 0.0, 1.0);
}

void ZRExportView::setToFraction(IZRPos* target, double fraction) {
    if (!target || !m_lastFrame || !std::isfinite(fraction)) return;
    fraction = std::clamp(fraction, 0.0, 1.0);
    const double ms = std::max(0.0, m_lastFrame->toMilliseconds()) * fraction;
    target->setFramerate(m_lastFrame->framerate());
    target->setMilliseconds(unsigned(std::min(ms, double(UINT32_MAX))));
}

void ZRExportView::showMarksOnSlider() {
    m_slider->setMarkIn(fractionOf(m_markIn));
    m_slider->setMarkOut(1.0 - fractionOf(m_markOut));
}

void ZRExportView::gotoPosition(IZRPos* position, QWidget* sender) {
    if (!m_timeline || !position) return;
    updateLastFrame();
    m_slider->gotoPosition(fractionOf(position), sender);
    if (m_tab != CameraTab && sender != m_preview) m_preview->gotoPosition(position, sender);
}

void ZRExportView::gotoPosition(double fraction, QWidget*) {
    if (!m_timeline) return;
    updateLastFrame();
    IZRObjectFactory* factory = m_timeline->factory();
    IZRPos* position = factory->createPos();
    setToFraction(position, fraction);
    if (m_tab != CameraTab) {
        m_preview->gotoPosition(position, this);
    } else if (ZRLiveOutput* live = openLiveOutput()) {
        // The knob is already where the user put it: only the device follows.
        live->sendFrameAt(position);
    }
    factory->destroyPos(position);
}

void ZRExportView::slotMarkInChanged(double fraction, QWidget*) {
    if (!m_timeline) return;
    updateLastFrame();
    setToFraction(m_markIn, fraction);
    m_markInCode->setTimeCode(m_markIn);
}

void ZRExportView::slotMarkOutChanged(double fraction, QWidget*) {
    if (!m_timeline) return;
    updateLastFrame();
    setToFraction(m_markOut, 1.0 - fraction);
    m_markOutCode->setTimeCode(m_markOut);
}

IZRPos* ZRExportView::markSource() const {
    if (m_tab != CameraTab) return m_preview->currentPosition();
    ZRLiveOutput* live = openLiveOutput();
    return live ? live->position() : nullptr;
}

void ZRExportView::slotMarkInClicked() {
    if (!m_timeline) return;
    IZRPos* current = markSource();
    if (!current || !(*current < m_markOut)) return;
    m_markIn->assign(current);
    m_markInCode->setTimeCode(m_markIn);
    updateLastFrame();
    showMarksOnSlider();
}

void ZRExportView::slotMarkOutClicked() {
    if (!m_timeline) return;
    IZRPos* current = markSource();
    if (!current || !(*current > m_markIn)) return;
    m_markOut->assign(current);
    m_markOutCode->setTimeCode(m_markOut);
    updateLastFrame();
    showMarksOnSlider();
}

void ZRExportView::syncMarksFromTimeline() {
    auto* main = qobject_cast<ZRSBPSlider*>(appState().positionSlider.data());
    if (main && main != m_slider) {
        m_slider->setMarkIn(main->markIn());
        m_slider->setMarkOut(main->markOut());
        m_slider->gotoPosition(main->position(), nullptr);
    }
    slotMarkInChanged(m_slider->markIn(), m_slider);
    slotMarkOutChanged(m_slider->markOut(), m_slider);
    applySliderRule();
    // The preview shows the frame under the knob it took over.
    if (m_tab != CameraTab) gotoPosition(m_slider->position(), m_slider);
    m_preview->updateContents(this);
}

void ZRExportView::applySliderRule() {
    switch (m_tab) {
    case DiskTab: {
        const bool empty = !m_timeline || m_timeline->endPosition()->toFrames() <= 0.0;
        m_slider->setEnabled(!empty);
        break;
    }
    case CameraTab:
        m_slider->setEnabled(true);
        break;
    default:
        m_slider->setEnabled(false);
        break;
    }
}

void ZRExportView::tabBarChanged(int tab) {
    if (tab < DiskTab || tab > DvdTab) return;
    if (m_tab == CameraTab && tab != CameraTab) {
        deleteLiveOutput();
        cameraPage()->cameraModeActivated(false);
    }
    m_tab = tab;
    for (int t = CameraTab; t <= DvdTab; ++t) {
        if (t == tab) continue;
        if (t == CameraTab)
            cameraPage()->hide();
        else
            subPage(t)->hide();
    }
    if (tab != CameraTab) m_cameraVideo->hide();
    const bool camera = tab == CameraTab;
    for (int i = 0; i < TransportCount; ++i)
        m_transport[size_t(i)]->setEnabled(!camera || i == Play);
    if (camera) {
        cameraPage()->show();
        m_cameraPage->raise();
        m_cameraVideo->show();
        m_cameraVideo->raise();
        cameraPage()->cameraModeActivated(true);
    } else {
        m_preview->raise();
        if (QSBWidget* page = subPage(tab)) {
            page->show();
            page->raise();
        }
    }
    applySliderRule();
    Q_EMIT sigTabBarChanged(tab);
}

void ZRExportView::show() {
    ZRFrame::show();
    applySliderRule();
    if (m_tab == CameraTab) {
        cameraPage()->show();
        m_cameraVideo->show();
    }
}

void ZRExportView::hide() {
    if (m_tab == CameraTab) {
        cameraPage()->hide();
        m_cameraVideo->hide();
    }
    for (ZRComboBox* box : {m_profileBox, m_videoCodecBox, m_frameRateBox, m_widthBox, m_heightBox,
                            m_audioCodecBox, m_sampleRateBox, m_channelsBox})
        box->clearFocus();
    deleteLiveOutput();
    ZRFrame::hide();
}

void ZRExportView::showEvent(QShowEvent* e) {
    ZRFrame::showEvent(e);
    syncMarksFromTimeline();
}

void ZRExportView::toggle_play_stop(bool on) {
    if (m_tab == CameraTab) {
        ZRLiveOutput* live = openLiveOutput();
        if (!live) {
            cameraPage()->cameraTogglePlayMode(on);
            return;
        }
        ZRAppState& state = appState();
        if (!on || state.exportRunning.load()) {
            state.stopRequested = true;
            return;
        }
        m_timeline->settings()->setIntSetting("Pause Background Rendering", 1);
        state.stopRequested = false;
        live->playRange(m_slider, m_loop);
        m_timeline->settings()->setIntSetting("Pause Background Rendering", 0);
        if (m_deleteLiveOutputAfterPlay) {
            m_deleteLiveOutputAfterPlay = false;
            m_liveOutput.reset();
        }
        const QSignalBlocker block(m_transport[Play]);
        m_transport[Play]->setChecked(false);
        return;
    }
    if (on && m_preview->playState() == ZRSBPreview::Stopped) {
        for (int i = 0; i < TransportCount; ++i)
            if (i != Play) m_transport[size_t(i)]->setEnabled(false);
        m_slider->setEnabled(false);
        m_renderButton->setEnabled(false);
        m_preview->play();
    } else {
        m_preview->stop();
    }
}

void ZRExportView::stateChanged() {
    if (m_preview->playState() != ZRSBPreview::Stopped) return;
    for (int i = 0; i < TransportCount; ++i)
        m_transport[size_t(i)]->setEnabled(true);
    {
        const QSignalBlocker block(m_transport[Play]);
        m_transport[Play]->setChecked(false);
    }
    applySliderRule();
    m_renderButton->setEnabled(true);
}

void ZRExportView::framerew() {
    if (m_tab != CameraTab) {
        m_preview->framerew();
        return;
    }
    ZRLiveOutput* live = openLiveOutput();
    if (!live || live->position()->toFrames() <= 0) return;
    live->position()->decrement();
    sendLiveFrame(live->position());
}

void ZRExportView::framefwd() {
    if (m_tab != CameraTab) {
        m_preview->framefwd();
        return;
    }
    ZRLiveOutput* live = openLiveOutput();
    if (!live || !m_timeline || !(*live->position() < m_timeline->endPosition())) return;
    live->position()->increment();
    sendLiveFrame(live->position());
}

void ZRExportView::rewind() {
    if (m_tab != CameraTab) {
        m_preview->rewind();
        return;
    }
    ZRLiveOutput* live = openLiveOutput();
    if (!live) return;
    live->position()->assignFrames(0);
    sendLiveFrame(live->position());
}

void ZRExportView::forward() {
    if (m_tab != CameraTab) {
        m_preview->forward();
        return;
    }
    ZRLiveOutput* live = openLiveOutput();
    if (!live || !m_timeline) return;
    live->position()->assign(m_timeline->endPosition());
    live->position()->decrement();
    sendLiveFrame(live->position());
}

void ZRExportView::loop() {
    m_loop = !m_loop;
    if (m_tab != CameraTab) m_preview->loop();
}

void ZRExportView::composeBackground(int x, int y, int w, int h) {
    ZRFrame::composeBackground(x, y, w, h);
    QImage* target = composedImage();
    if (!target || target->isNull()) return;
    const QRect r = QRect(x, y, w, h).intersected(rect());
    if (r.isEmpty()) return;
    const QPoint offset = mapPointToSkinRoot(QPoint(0, 0));
    if (m_innerBox) m_innerBox->drawInto(QRegion(r), *target, offset);
    if (m_bottomBox) m_bottomBox->drawInto(QRegion(r), *target, offset);
}

// The preview at the content origin with the slider and its transport under it, inside the
// inner box; the range row is the profile column's (`layoutProfileArea`).
void ZRExportView::layoutPlayerArea() {
    if (!m_preview) return;
    m_tabBar->setGeometry(kContentOrigin.x(), kContentOrigin.y() - 30, kPreviewWidth,
                          std::max(26, m_tabBar->minimumHeight()));
    const QRect preview(kContentOrigin, QSize(kPreviewWidth, kPreviewHeight));
    m_preview->setGeometry(preview);
    m_cameraVideo->setGeometry(preview);
    for (int t = CameraTab; t <= DvdTab; ++t)
        subPage(t)->setGeometry(preview);
    m_slider->move(preview.left(), preview.bottom() + 6);
    for (int i = 0; i < TransportCount; ++i) {
        m_transport[size_t(i)]->setGeometry(
            m_transportRects[size_t(i)].translated(m_slider->pos()));
        m_transport[size_t(i)]->raise();
    }
    if (m_innerBox) m_innerBox->setInnerGeometry(preview);
}
