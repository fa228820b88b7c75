#include "output/ZRExportCameraView.h"

#include "capture/ZRGraphFactory.h"
#include "capture/ZRJogShuttle.h"
#include "capture/ZRRemoteCtrl.h"
#include "capture/ZRVideoWidget.h"
#include "classes/skins/PSDLayerSet.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRSkinBox.h"
#include "classes/widgets/ZRTCWidget.h"
#include "editor/ZRAppState.h"
#include "engine/api/IZRTimeline.h"
#include "platform/ieee1394/ZRAvcCommands.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFontMetrics>
#include <QLoggingCategory>
#include <QPainter>
#include <QRegularExpression>

Q_LOGGING_CATEGORY(lcCameraPage, "clipstead.output.camera")

namespace {

struct TransportButton {
    const char* set;
    const char* tip;
    int command; ///< the remote control's control number
};

constexpr TransportButton kTransport[] = {
    {"RECORD", QT_TRANSLATE_NOOP("ZRExportCameraView", "Record"), ZRRemoteCtrl::Rec},
    {"FRAME_BWD", QT_TRANSLATE_NOOP("ZRExportCameraView", "Frame Backward"), ZRRemoteCtrl::StepRev},
    {"FRAME_FWD", QT_TRANSLATE_NOOP("ZRExportCameraView", "Frame Forward"), ZRRemoteCtrl::StepFwd},
    {"PAUSE", QT_TRANSLATE_NOOP("ZRExportCameraView", "Pause"), ZRRemoteCtrl::PausFwd},
    {"STOP", QT_TRANSLATE_NOOP("ZRExportCameraView", "Stop"), ZRRemoteCtrl::Stop},
    {"PLAY", QT_TRANSLATE_NOOP("ZRExportCameraView", "Play"), ZRRemoteCtrl::PlayFwd},
    {"REWIND", QT_TRANSLATE_NOOP("ZRExportCameraView", "Rewind"), ZRRemoteCtrl::WindRev},
    {"FFWD", QT_TRANSLATE_NOOP("ZRExportCameraView", "Fast Forward"), ZRRemoteCtrl::FastFwd},
};

constexpr const char* kCaptions[] = {
    QT_TRANSLATE_NOOP("ZRExportCameraView", "Video Device"),
    QT_TRANSLATE_NOOP("ZRExportCameraView", "Camera Control"),
    QT_TRANSLATE_NOOP("ZRExportCameraView", "Timecode"),
    QT_TRANSLATE_NOOP("ZRExportCameraView", "Playback"),
};

// The record, play and wind reports (0x30C2-0x30C4) are the ones the timeline understands.
constexpr long kFirstReport = zravc::kRequestRecord;
constexpr long kLastReport = zravc::kRequestWind;
constexpr long kPassedBelow = 12288;

// A factory call that throws is traced and the page goes on.
template <class F> void guarded(int line, F&& call) {
    try {
        call();
    } catch (...) {
        qCWarning(lcCameraPage, "%s(%i): DSF failure", "zrexportcameraview", line);
    }
}

} // namespace

ZRExportCameraView::ZRExportCameraView(QWidget* parent, const char* name)
    : QSBWidget(parent, name) {
    setFocusPolicy(Qt::ClickFocus);
    if (QDict<PSDLayer>* box = preloadedSkinSetLayers("capture_buttons", "box"))
        for (auto& painter : m_boxes)
            painter = std::make_unique<ZRSkinBox>(box);
    QFont captionFont = font();
    captionFont.setBold(true);
    const QFontMetrics metrics(captionFont);
    for (size_t i = 0; i < m_captions.size(); ++i) {
        const QString text = tr(kCaptions[i]);
        QImage image(metrics.horizontalAdvance(text) + 2, metrics.height(),
                     QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setFont(captionFont);
        painter.setPen(QColor(225, 225, 225));
        painter.drawText(image.rect(), Qt::AlignLeft | Qt::AlignVCenter, text);
        m_captions[i] = image;
    }

    m_deviceBox = new ZRComboBox(false, this, "camera device list");
    m_deviceBox->setToolTip(tr("Select Device"));
    m_refresh = new ZRPushButton(tr("Refresh"), this, "playback devicelist refresh");
    m_refresh->setToolTip(tr("Refresh Device List"));
    m_refresh->setFixedHeight(18);
    m_refresh->setMinimumWidth(54);
    m_timeCode = new ZRTCWidget(preloadedSkinLayers("timecode"), this, "camera time code");
    m_jog = new ZRJogShuttle(this, nullptr, "ZRJogShuttle");
    m_jog->setToolTip(tr("Jog Shuttle"));
    if (PSDLayerSet* jog =
            preloadedSkinSets("capture_buttons")
                ? preloadedSkinSets("capture_buttons")->find(QStringLiteral("JOG_SHUTTLE"))
                : nullptr)
        m_jog->setFixedSize(jog->bounds.size().expandedTo(QSize(16, 40)));
    else
        m_jog->setFixedSize(20, 90);

    QDict<PSDLayerSet>* buttonSets = preloadedSkinSets("recorder_player_buttons");
    for (size_t i = 0; i < m_transport.size(); ++i) {
        PSDLayerSet* set =
            buttonSets ? buttonSets->find(QLatin1String(kTransport[i].set)) : nullptr;
        auto* b = new ZRPushButton(this, set ? &set->layers : nullptr, false, kTransport[i].set);
        b->setFixedSize(set && !set->bounds.isEmpty() ? set->bounds.size() : QSize(28, 22));
        b->setToolTip(tr(kTransport[i].tip));
        m_transport[i] = b;
    }
    m_timelineButton = new ZRPushButton(tr("Timeline"), this, "Timeline");
    m_timelineButton->setToolTip(tr("Play Timeline to Camcorder"));
    m_browserButton = new ZRPushButton(tr("Browser"), this, "Browser");
    m_browserButton->setToolTip(tr("Play File from Browser to Camcorder"));
    m_sourceGroup = new QButtonGroup(this);
    m_sourceGroup->setExclusive(true);
    for (ZRPushButton* b : {m_timelineButton, m_browserButton}) {
        b->setCheckable(true);
        b->setFixedSize(70, 20);
    }
    m_sourceGroup->addButton(m_timelineButton, 0);
    m_sourceGroup->addButton(m_browserButton, 1);

    m_remote = new ZRRemoteCtrl(this);
    m_remote->setObjectName(QStringLiteral("mpRemoteCtrl export"));

    connect(m_deviceBox, qOverload<int>(&QComboBox::activated), this,
            &ZRExportCameraView::slotVideoDeviceSelected);
    connect(m_refresh, &QAbstractButton::clicked, this, &ZRExportCameraView::slotResetDeviceList);
    connect(m_transport[0], &QAbstractButton::clicked, this, &ZRExportCameraView::slotVcrRecord);
    connect(m_sourceGroup, &QButtonGroup::idClicked, this,
            &ZRExportCameraView::slotSourceModeSelect);
    m_remote->storeVisibleMask(ZRRemoteCtrl::kAllControls);
    constexpr std::pair<int, int> kWiring[] = {
        {ZRRemoteCtrl::WindRev, 6}, {ZRRemoteCtrl::StepRev, 1}, {ZRRemoteCtrl::PausFwd, 3},
        {ZRRemoteCtrl::StepFwd, 2}, {ZRRemoteCtrl::PlayFwd, 5}, {ZRRemoteCtrl::FastFwd, 7},
        {ZRRemoteCtrl::Rec, 0},     {ZRRemoteCtrl::Stop, 4}};
    for (const auto& [command, button] : kWiring)
        m_remote->connectButtons(command, m_transport[size_t(button)]);
    m_remote->connectJogShuttle(m_jog);
    connect(m_remote, &ZRRemoteCtrl::rcStateChanged, this, &ZRExportCameraView::slotCmdToTimeline);
    m_remote->guiEnable(false);
    setSourceButtons(1);
    setModeButtons(2);
}

ZRExportCameraView::~ZRExportCameraView() {
    // Nothing may call back into a half-destroyed page while the factory goes.
    if (m_factory) m_factory->disconnect(this);
    m_factory.reset();
}

void ZRExportCameraView::setVideoWidget(ZRVideoWidget* widget) {
    m_videoWidget = widget;
}

QString ZRExportCameraView::deviceLabel(const VidCapDevInfo& record) {
    if (record.familyMask == kDVCamera)
        return QStringLiteral("DV CAM/VCR") + QStringLiteral(" - ") + record.vendorName;
    if (record.familyMask != kAnalogue) {
        qCDebug(lcCameraPage, "unknown capture type %d", record.familyMask);
        return QStringLiteral("Unknown Device");
    }
    switch (record.modelMask) {
    case 16:
    case 32:
    case 64:
    case 128: {
        const QString& name = record.friendlyName;
        if (name.contains(QLatin1String("Brackwell USB 2")) ||
            name.contains(QLatin1String("Kestrel Studio 250")))
            return QStringLiteral("Brackwell USB 2.0");
        if (name.contains(QLatin1String("Kestrel Studio 200")))
            return QStringLiteral("Kestrel 200");
        if (name.contains(QLatin1String("Wren Deck 150"))) return QStringLiteral("Wren 150");
        if (name.contains(QLatin1String("Wren Deck 100"))) return QStringLiteral("Wren 100");
        return QStringLiteral("Kestrel 200 / Wren 100");
    }
    case 1024:
        return QStringLiteral("USB-PLM");
    default:
        qCDebug(lcCameraPage, "unknown driver type %d", record.modelMask);
        return QStringLiteral("MPEG Capture");
    }
}

long ZRExportCameraView::playbackKind(const VidCapDevInfo& record) {
    if (record.familyMask != kAnalogue) return ZRGraphFactory::WDMPlayback;
    switch (record.modelMask) {
    case 16:
        return ZRGraphFactory::Kestrel250Playback;
    case 32:
    case 64:
        return ZRGraphFactory::Kestrel200Playback;
    case 1024:
        return ZRGraphFactory::CirrusPlayback;
    default:
        qCDebug(lcCameraPage, "facBuildPath: unknown driver type");
        return ZRGraphFactory::Kestrel200Playback;
    }
}

bool ZRExportCameraView::timelineAllowed() const {
    if (appState().formatIndex != 0 || !m_timeline) return false;
    IZRPos* end = m_timeline->endPosition();
    return end && end->toFrames() > 0;
}

void ZRExportCameraView::setSourceButtons(int selection) {
    const QSignalBlocker timeline(m_timelineButton), browser(m_browserButton);
    if (selection == 0) m_timelineButton->setChecked(true);
    if (selection == 1) m_browserButton->setChecked(true);
}

void ZRExportCameraView::setModeButtons(int bits) {
    m_timelineButton->setEnabled((bits & 1) && timelineAllowed());
    m_browserButton->setEnabled((bits & 2) != 0);
}

void ZRExportCameraView::adaptToFormat(int format) {
    if (format == 0)
        m_timelineButton->setEnabled(timelineAllowed());
    else if (format >= 1 && format <= 4)
        m_timelineButton->setEnabled(false);
}

void ZRExportCameraView::message(const QString& text) {
    if (appState().hub) appState().hub->message(text, 0);
}

void ZRExportCameraView::ensureFactory() {
    if (m_factory) return;
    m_factory = std::make_unique<ZRGraphFactory>(m_videoWidget.data());
    connect(m_factory.get(), &ZRGraphFactory::graphStopped, this,
            &ZRExportCameraView::slotGraphStopped);
    connect(m_factory.get(), &ZRGraphFactory::devicesChanged, this,
            &ZRExportCameraView::slotDevicesChanged);
}

void ZRExportCameraView::teardown() {
    if (!m_factory) return;
    bool stopped = false;
    guarded(__LINE__, [&] {
        m_factory->setGraphState(0);
        stopped = true;
    });
    if (!stopped) return;
    guarded(__LINE__, [&] { m_factory->teardownPath(); });
    guarded(__LINE__, [&] { m_factory->destroyGraph(); });
}

void ZRExportCameraView::deleteFactory() {
    teardown();
    if (m_factory) m_factory->disconnect(this);
    m_factory.reset();
}

void ZRExportCameraView::buildOutputGraph() {
    ensureFactory();
    guarded(__LINE__, [&] {
        m_factory->buildGraph(appState().mainWindow.data(), m_videoWidget.data(),
                              ZRSignalLink{m_remote, "rcStateChanged(long,long)"},
                              ZRSignalLink{m_remote, "rcChangeState(long,long)"},
                              ZRSignalLink{this, "slotShowTimeCode(long)"});
        const VidCapDevInfo* record = recordOf(m_deviceName);
        if (m_captureType == kAnalogue) {
            const int format = appState().formatIndex;
            const long standard = appState().ntsc ? 1 : 2;
            std::array<long, 17> s{};
            if (format >= 0 && format <= 3)
                s = {format == 0 ? 4 : format,
                     0,
                     standard,
                     15,
                     3,
                     720,
                     576,
                     0,
                     0,
                     0,
                     0,
                     0,
                     0,
                     44100,
                     2,
                     16,
                     0};
            else
                s = {0, 2, standard, 15, 3,  720, appState().ntsc ? 480 : 576, 6000000, 0, 0, 0,
                     3, 0, 48000,    2,  16, 4};
            m_factory->setCaptureSettings(s);
        }
        const long kind = record ? playbackKind(*record) : ZRGraphFactory::WDMPlayback;
        message(tr("Initializing DirectShow..."));
        m_factory->buildPath(kind, m_deviceName, m_sourceFile, QString());
        message(QStringLiteral(" "));
    });
}

void ZRExportCameraView::runGraph() {
    if (m_factory) guarded(__LINE__, [&] { m_factory->setGraphState(2); });
}

const VidCapDevInfo* ZRExportCameraView::recordOf(const QString& displayName) const {
    const VidCapDevInfoList* list = m_factory ? m_factory->videoDevices() : nullptr;
    if (!list || displayName.isEmpty()) return nullptr;
    for (const auto& record : *list)
        if (record->displayName == displayName) return record.get();
    return nullptr;
}

void ZRExportCameraView::lookUpRecord() {
    const VidCapDevInfo* record = recordOf(m_deviceName);
    m_captureType = record ? record->familyMask : 0;
    m_driverType = record ? record->modelMask : 0;
    m_extDeviceId = record ? record->extDeviceId : 0;
}

void ZRExportCameraView::slotResetDeviceList() {
    const QSignalBlocker block(m_deviceBox);
    m_deviceBox->clear();
    ensureFactory();
    const VidCapDevInfoList* list = nullptr;
    guarded(__LINE__, [&] { list = m_factory->getVidCapDevInfoList(kFamilyMask, kModelMask); });
    m_names = list ? m_factory->getIndex2VidCapDevDisplayNameDict() : nullptr;
    if (!list) {
        m_deviceName.clear();
        lookUpRecord();
        return;
    }
    m_deviceBox->addItem(tr(kNoDevice));
    int current = -1;
    for (size_t i = 0; i < list->size(); ++i) {
        const VidCapDevInfo& record = *(*list)[i];
        m_deviceBox->addItem(deviceLabel(record));
        if (!m_deviceName.isEmpty() && record.displayName == m_deviceName) current = int(i) + 1;
    }
    if (current > 0) {
        m_deviceBox->setCurrentIndex(current);
        lookUpRecord();
        return;
    }
    // The device went away: nothing stays built for it.
    teardown();
    m_deviceName.clear();
    lookUpRecord();
    m_deviceBox->setCurrentIndex(0);
}

void ZRExportCameraView::slotSelectDevice() {
    if (m_playing) {
        const QSignalBlocker block(m_deviceBox);
        m_deviceBox->setCurrentIndex(m_lastIndex);
        m_deviceBox->setToolTip(m_deviceBox->currentText());
        m_deviceBox->clearFocus();
        return;
    }
    teardown();
    m_remote->resetLastStates();
    if (m_refreshList) {
        m_refreshList = false;
        slotResetDeviceList();
    }
    const int index = m_deviceBox->currentIndex();
    m_deviceName = m_names && m_names->count(index) ? m_names->at(index) : QString();
    m_lastIndex = std::max(index, 0);
    lookUpRecord();
    m_sourceFile = appState().selectedBrowserFile();
    m_deviceBox->clearFocus();
    if (!m_deviceName.isEmpty()) {
        ensureFactory();
        if (m_captureType == kDVCamera) buildOutputGraph();
    }
    switch (m_captureType) {
    case kDVCamera:
        m_remote->guiEnable(true);
        m_browserMode = true;
        setSourceButtons(1);
        setModeButtons(3);
        break;
    case kAnalogue:
        m_remote->guiEnable(false);
        m_browserMode = true;
        setSourceButtons(1);
        setModeButtons(2);
        break;
    default:
        if (m_captureType != 0) qCDebug(lcCameraPage, "unknown capture type %d", m_captureType);
        m_remote->guiEnable(false);
        m_browserMode = true;
        setSourceButtons(1);
        setModeButtons(0);
        break;
    }
}

void ZRExportCameraView::slotSelectFile() {
    if (m_playing) return;
    teardown();
    m_remote->resetLastStates();
    m_sourceFile = appState().selectedBrowserFile();
    if (!m_deviceName.isEmpty()) {
        ensureFactory();
        if (m_captureType == kDVCamera) buildOutputGraph();
    }
}

void ZRExportCameraView::browserMediaFileDClicked(const QString&) {
    slotSelectFile();
}

void ZRExportCameraView::slotStartPlay() {
    if (m_playing || m_deviceName.isEmpty()) return;
    m_sourceFile = appState().selectedBrowserFile();
    if (m_sourceFile.isEmpty()) return;
    m_playing = true;
    ensureFactory();
    // A DV camera's path may stand built since the selection; a fresh one plays the file now.
    teardown();
    buildOutputGraph();
    runGraph();
}

void ZRExportCameraView::slotStopPlay() {
    m_playing = false;
    teardown();
    m_remote->resetLastStates();
    slotSelectDevice();
}

void ZRExportCameraView::slotSourceModeSelect(int id) {
    if (id == 0) {
        m_browserMode = false;
        teardown();
        m_remote->guiEnable(m_captureType == kDVCamera);
        Q_EMIT timelineModeActivated(true);
    } else if (id == 1) {
        m_browserMode = true;
        Q_EMIT timelineModeActivated(false);
        slotSelectDevice();
    }
}

void ZRExportCameraView::slotVideoDeviceSelected(int) {
    if (m_browserMode) {
        slotSelectDevice();
        return;
    }
    slotSourceModeSelect(1);
    if (m_timelineButton->isEnabled()) {
        m_browserMode = false;
        setSourceButtons(0);
        slotSourceModeSelect(0);
    }
}

void ZRExportCameraView::slotPBControl(int button) {
    if (button == 0) {
        slotPBStart();
        return;
    }
    if (button != 1) qCDebug(lcCameraPage, "only two buttons, start and stop");
    slotPBStop();
}

void ZRExportCameraView::slotPBStart() {
    if (m_browserMode)
        slotStartPlay();
    else
        m_playing = true;
}

void ZRExportCameraView::slotPBStop() {
    if (m_browserMode)
        slotStopPlay();
    else
        m_playing = false;
}

void ZRExportCameraView::cameraTogglePlayMode(bool on) {
    m_playToggle = on;
    if (on)
        slotPBStart();
    else
        slotPBStop();
}

void ZRExportCameraView::cameraModeActivated(bool on) {
    if (on && m_captureType == kDVCamera) {
        m_remote->guiEnable(true);
        setSourceButtons(m_browserMode ? 1 : 0);
        setModeButtons(3);
        return;
    }
    if (on && m_captureType == kAnalogue) {
        m_remote->guiEnable(false);
        m_browserMode = true;
        setSourceButtons(1);
        setModeButtons(2);
        return;
    }
    if (on && m_captureType != 0) qCDebug(lcCameraPage, "unknown capture type %d", m_captureType);
    m_remote->guiEnable(false);
    m_browserMode = true;
    setSourceButtons(1);
    setModeButtons(0);
}

void ZRExportCameraView::cameraGotoPosition(IZRPos*) {}

void ZRExportCameraView::slotVcrRecord() {
    if (!m_playing) Q_EMIT enablePlaybackButton();
}

void ZRExportCameraView::slotGraphStopped(long) {
    if (!m_factory) return;
    slotDevicesChanged();
    if (!m_playing) {
        teardown();
        m_remote->resetLastStates();
        slotSelectDevice();
    } else {
        Q_EMIT disablePlaybackButton();
    }
}

void ZRExportCameraView::slotDevicesChanged() {
    if (m_factory) m_refreshList = true;
}

void ZRExportCameraView::show() {
    QSBWidget::show();
    slotMyShow();
}

void ZRExportCameraView::hide() {
    slotMyHide();
    QSBWidget::hide();
}

void ZRExportCameraView::slotMyShow() {
    ensureFactory();
    slotResetDeviceList();
    slotSelectDevice();
}

void ZRExportCameraView::slotMyHide() {
    deleteFactory();
}

void ZRExportCameraView::slotCmdToTimeline(long code, long operand) {
    if (m_browserMode) return;
    if (code < kPassedBelow && operand == 0) {
        Q_EMIT timelineModeDeviceCommand(code);
        return;
    }
    if (code < kFirstReport || code > kLastReport) return;
    if (const long translated = zravc::modeCode(code, operand))
        Q_EMIT timelineModeDeviceCommand(translated);
}

void ZRExportCameraView::slotShowTimeCode(long code) {
    const auto packed = uint32_t(code);
    if ((packed & 0xFF) >= 0x99) return;
    m_timeCode->setTimeCode(packed);
}

void ZRExportCameraView::resizeEvent(QResizeEvent* e) {
    QSBWidget::resizeEvent(e);
    // The label offset a translation may shift: two signed one-digit numbers, x then y.
    QPoint shift(7, -1);
    static const QRegularExpression pattern(
        QStringLiteral("\\(\\s*([+-]?\\d)+\\s*,\\s*([+-]?\\d)+\\s*\\)"));
    const QRegularExpressionMatch match = pattern.match(tr("ZRLabel TextPos::(7,-1)"));
    if (match.hasMatch()) shift = QPoint(match.captured(1).toInt(), match.captured(2).toInt());
    const int w = width() - 16;
    const int captionHeight = 18;
    int y = 8;
    m_rects[0] = QRect(8, y, w, 60); // device panel
    m_rects[4] = QRect(QPoint(8, y) + shift + QPoint(0, 4), m_captions[0].size());
    m_deviceBox->setGeometry(16, y + captionHeight + 8, std::max(w - 90, 80), 20);
    m_refresh->move(m_deviceBox->geometry().right() + 8, y + captionHeight + 9);
    y += 68;
    m_rects[1] = QRect(8, y, w, 110); // camera control panel
    m_rects[5] = QRect(QPoint(8, y) + shift + QPoint(0, 4), m_captions[1].size());
    int x = 16;
    for (ZRPushButton* b : m_transport) {
        b->move(x, y + captionHeight + 12);
        x += b->width() + 4;
    }
    m_jog->move(std::min(x + 12, width() - m_jog->width() - 12), y + 12);
    y += 118;
    m_rects[2] = QRect(8, y, w / 2 - 4, 60); // time code panel
    m_rects[6] = QRect(QPoint(8, y) + shift + QPoint(0, 4), m_captions[2].size());
    m_rects[8] = QRect(16, y + captionHeight + 10, 110, 22);
    m_timeCode->setGeometry(m_rects[8].adjusted(6, 3, -6, -3));
    m_rects[3] = QRect(8 + w / 2 + 4, y, w / 2 - 4, 60); // playback panel
    m_rects[7] = QRect(m_rects[3].topLeft() + shift + QPoint(0, 4), m_captions[3].size());
    m_timelineButton->move(m_rects[3].left() + 8, y + captionHeight + 10);
    m_browserButton->move(m_timelineButton->geometry().right() + 6, y + captionHeight + 10);
    m_rects[9] = rect();
    composeBackground(rect());
}

void ZRExportCameraView::composeBackground(int x, int y, int w, int h) {
    QSBWidget::composeBackground(x, y, w, h);
    QImage* target = composedImage();
    if (!target || target->isNull()) return;
    const QRect r = QRect(x, y, w, h).intersected(rect());
    if (r.isEmpty()) return;
    // The composed image is the skin root's: widget coordinates move by this page's offset.
    QPainter painter(target);
    painter.translate(mapPointToSkinRoot(QPoint(0, 0)));
    painter.setClipRect(r);
    painter.fillRect(r, QColor(48, 52, 60));
    for (size_t i = 0; i < 3; ++i) {
        const QRect panel = i == 2 ? m_rects[2].united(m_rects[3]) : m_rects[i];
        if (m_boxes[i] && panel.isValid()) {
            m_boxes[i]->setGeometry(panel);
            m_boxes[i]->draw(painter);
        }
    }
    for (size_t i = 0; i < m_captions.size(); ++i)
        if (!m_captions[i].isNull()) painter.drawImage(m_rects[4 + i].topLeft(), m_captions[i]);
    if (QDict<PSDLayer>* tc = preloadedSkinSetLayers("capture_buttons", "TC_BOX"))
        if (PSDLayer* box = tc->find(QStringLiteral("timecode")))
            painter.drawImage(m_rects[8].topLeft(), box->image);
}
