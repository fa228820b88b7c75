// The capture page's life: its children and wiring, shown and hidden, refresh, the graph build
// and tear-down, and the disk buttons.
#include "capture/ZRImportView.h"

#include "capture/ZRGraphBase.h"
#include "capture/ZRGraphFactory.h"
#include "capture/ZRImportViewFiles.h"
#include "capture/ZRJogShuttle.h"
#include "capture/ZRRemoteCtrl.h"
#include "capture/ZRVideoWidget.h"
#include "classes/skins/PSDImage.h"
#include "classes/skins/PSDLayerSet.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/ZRLabel.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRSkinBox.h"
#include "classes/widgets/ZRTCWidget.h"
#include "classes/widgets/ZRTab.h"
#include "classes/widgets/ZRTabBar.h"
#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QThread>
#include <QTimer>

Q_LOGGING_CATEGORY(lcImport, "clipstead.capture.page", QtWarningMsg)

const char* const ZRImportView::kCaptions[6] = {"Video Device", "File Location", "File Name",
                                                "Resolution",   "Camcorder",     "Record"};

namespace {

struct ButtonSkin {
    const char* set;
    const char* tip;
    bool toggle;
    int command; ///< the transport command, -1 for none
};
constexpr ButtonSkin kButtons[ZRImportView::ButtonCount] = {
    {"REWIND", QT_TRANSLATE_NOOP("ZRImportView", "Rewind"), true, 0},
    {"FFWD", QT_TRANSLATE_NOOP("ZRImportView", "Fast Forward"), true, 10},
    {"FRAME_BWD", QT_TRANSLATE_NOOP("ZRImportView", "Frame Back"), false, 4},
    {"FRAME_FWD", QT_TRANSLATE_NOOP("ZRImportView", "Frame Forward"), false, 6},
    {"PAUSE", QT_TRANSLATE_NOOP("ZRImportView", "Pause"), true, 5},
    {"STOP", QT_TRANSLATE_NOOP("ZRImportView", "Stop"), false, 14},
    {"PLAY", QT_TRANSLATE_NOOP("ZRImportView", "Play"), true, 8},
    {"RECORD", QT_TRANSLATE_NOOP("ZRImportView", "Record"), true, -1},
    {"STOP_HDD", QT_TRANSLATE_NOOP("ZRImportView", "Stop Record"), false, -1},
    {"PLAY_HDD", QT_TRANSLATE_NOOP("ZRImportView", "Play"), true, -1},
    {"RECORD_HDD", QT_TRANSLATE_NOOP("ZRImportView", "Start Record"), true, -1},
};

constexpr long kVisibleTransport = 0xFE7FF;
constexpr int kPreviewWidth = 360;
constexpr int kPreviewHeight = 270;
constexpr QPoint kOrigin(12, 34);
constexpr int kColumn = 400;
constexpr int kCaptionWidth = 88;
constexpr int kRow = 24;
constexpr int kBoxHeight = 20;
constexpr int kCaptionLine = 18;

std::optional<int64_t> storageFree(const QString& folder) {
    const QStorageInfo info(folder);
    if (!info.isValid() || !info.isReady()) return std::nullopt;
    const qint64 free = info.bytesAvailable();
    return free < 0 ? std::nullopt : std::optional<int64_t>(free);
}

} // namespace

ZRImportView::ZRImportView(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : ZRFrame(parent, name, flags) {
    setCaption(tr("CAPTURE"));
    m_clock = [] { return int64_t(QDateTime::currentSecsSinceEpoch()); };
    m_freeSpace = storageFree;
    m_wait = [](int ms) { QThread::msleep(ulong(ms)); };

    const QByteArray path =
        (skinBaseFolder() + QStringLiteral("/skins/default/capture_opt_frame.psd")).toLocal8Bit();
    m_skinLayers = LoadPSDImage(path.constData(), kPSDApplyLayerOpacity);
    if (m_skinLayers) {
        m_skinSets = groupLayersIntoSets(m_skinLayers.get(), true);
        applyLayerSetOpacity(m_skinSets.get(), nullptr);
    }
    if (m_skinSets) {
        if (PSDLayerSet* inner = m_skinSets->find(QStringLiteral("inner_frame")))
            m_innerBox = std::make_unique<ZRSkinBox>(&inner->layers);
        if (PSDLayerSet* bottom = m_skinSets->find(QStringLiteral("bottom_frame")))
            m_bottomBox = std::make_unique<ZRSkinBox>(&bottom->layers);
    }
    createChildren();
    connectChildren();
    setTransport(m_remote);
    updateLayout();
}

ZRImportView::~ZRImportView() {
    // The factory's own destructor tears path and graph down; nothing must call back into a
    // half-destroyed page meanwhile.
    if (m_factory) m_factory->disconnect(this);
    m_factory.reset();
}

void ZRImportView::createChildren() {
    m_preview = new ZRVideoWidget(this, "Capture Preview Window");
    m_preview->setAutoFillBackground(true);
    QPalette black = m_preview->palette();
    black.setColor(QPalette::Window, Qt::black);
    m_preview->setPalette(black);

    QDict<PSDLayerSet>* buttonSets = preloadedSkinSets("recorder_player_buttons");
    for (int i = 0; i < ButtonCount; ++i) {
        PSDLayerSet* set = buttonSets ? buttonSets->find(QLatin1String(kButtons[i].set)) : nullptr;
        auto* b = new ZRPushButton(this, set ? &set->layers : nullptr, false, kButtons[i].set);
        if (set && !set->bounds.isEmpty())
            b->setFixedSize(set->bounds.size());
        else
            b->setFixedSize(28, 22);
        b->setCheckable(kButtons[i].toggle);
        b->setToolTip(tr(kButtons[i].tip));
        m_buttons[size_t(i)] = b;
    }

    m_jogShuttle = new ZRJogShuttle(this, nullptr, "mp_jogShuttle import");
    m_jogShuttle->setToolTip(tr("Jog Shuttle"));
    m_jogShuttle->setFixedSize(m_jogShuttle->sizeHint());

    // The camera's digits are the time-code glyphs; the "TC_BOX" set of the transport skin
    // holds the box they sit in.
    m_cameraCode = new ZRTCWidget(preloadedSkinLayers("timecode"), this, "camera time code");
    m_cameraCode->hide();

    m_tabBar = new ZRTabBar(preloadedSkinSets("capture_opt_tabs"), this, "CAPTURE TabBar");
    QDict<PSDLayer>* icons = preloadedSkinSetLayers("capture_produce_icons", "icons");
    const PSDLayer* camera = icons ? icons->find(QStringLiteral("camera")) : nullptr;
    m_tabBar->addTab(new ZRTab(camera ? &camera->image : nullptr, QPoint(0, 0), 0));
    m_tabBar->setCurrentTab(0);
    m_optionTabs = new ZRTabBar(preloadedSkinSets("capture_opt_tabs"), this, "OPTION_TABS");
    m_optionTabs->hide();

    m_elapsedCode = new ZRTCWidget(preloadedSkinLayers("timecode"), this, "elapsed time code");

    const auto combo = [this](bool editable, const char* name, const QString& tip) {
        auto* box = new ZRComboBox(editable, this, name);
        box->setFontTag();
        box->setFixedHeight(kBoxHeight);
        if (!tip.isEmpty()) box->setToolTip(tip);
        return box;
    };
    m_videoCombo = combo(false, "import video dev combo", tr("Refresh Device List"));
    m_audioCombo = combo(false, "import audio dev combo", tr("Audio Device"));
    m_encoderCombo = combo(false, "import video enc combo", tr("Video Encoder"));
    m_folderCombo = combo(false, "import dir combo", QString());
    m_fileCombo = combo(true, "import filename combo", QString());
    m_resolutionCombo = combo(false, "import video resolution combo", tr("Video Resolution"));
    m_audioFormatCombo = combo(false, "import audio resolution combo", tr("Audio Settings"));

    // The folder in force: "MediaFolder", else the user's videos folder (never the root, which
    // users cannot write).
    QString folder;
    QString file;
    if (QConfig* config = appState().settings()) {
        config->setGroup(QStringLiteral("General Settings"));
        folder = config->readEntry(QStringLiteral("MediaFolder"));
        file = config->readEntry(QStringLiteral("MediaFile"));
    }
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
        if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::homePath();
    }
    setFolder(folder);
    m_fileCombo->setInsertPolicy(QComboBox::InsertAtTop);
    m_fileCombo->setDuplicatesEnabled(false);
    m_fileCombo->setMaxCount(6);
    m_fileCombo->setFocusPolicy(Qt::ClickFocus);
    m_fileCombo->setCompleter(nullptr);
    if (m_fileCombo->lineEdit())
        m_fileCombo->lineEdit()->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[^*?:.\\\\/\\x00-\\x1f\\x7f]+")), m_fileCombo));
    if (!capturefiles::acceptsBaseName(file)) file = QStringLiteral("capture0001");
    setFileName(file);
    m_rememberedFolder = folderText();
    m_rememberedFile = fileText();

    m_refreshButton = new ZRPushButton(tr("Refresh"), this, "Refresh");
    m_folderBrowse = new ZRPushButton(tr("Browse"), this, "Browse folder");
    m_fileBrowse = new ZRPushButton(tr("Browse"), this, "Browse file");
    for (ZRPushButton* b : {m_refreshButton, m_folderBrowse, m_fileBrowse})
        b->setFixedSize(60, 18);

    for (int i = 0; i < 6; ++i)
        m_captions[size_t(i)] = new ZRLabel(tr(kCaptions[i]), this, kCaptions[i]);

    m_timerLabel = new ZRLabel(tr("Record Timer"), this, "Record Timer");
    const char* const units[] = {"Hrs", "Min", "Sec"};
    const char* const spinNames[] = {"import rec time hrs", "import rec time min",
                                     "import rec time sec"};
    const char* const spinTips[] = {"Hours", "Minutes", "Seconds"};
    const int maxima[] = {99, 59, 59};
    const int initial[] = {0, 30, 0};
    for (int i = 0; i < 3; ++i) {
        m_timeLabels[size_t(i)] = new ZRLabel(tr(units[i]), this, units[i]);
        auto* spin = new QSpinBox(this);
        spin->setObjectName(QLatin1String(spinNames[i]));
        spin->setRange(0, maxima[i]);
        spin->setSingleStep(1);
        spin->setValue(initial[i]);
        spin->setEnabled(false);
        spin->setToolTip(tr(spinTips[i]));
        spin->setFixedHeight(kBoxHeight);
        m_timeSpins[size_t(i)] = spin;
    }
    m_timerCheck = new QCheckBox(this);
    m_timerCheck->setObjectName(QStringLiteral("import rec time enable"));
    m_timerCheck->setToolTip(tr("Enable Record Timer"));
    m_toGoLabel = new ZRLabel(this, "import time to go");
    m_freeLabel = new ZRLabel(this, "import time free on hdd");

    m_propSelector = combo(false, "av prop selector", QString());
    const char* const sliderNames[] = {
        "av prop v brightness", "av prop v contrast", "av prop v hue",    "av prop v saturation",
        "av prop v sharpness",  "av prop a volume",   "av prop a balance"};
    for (int i = 0; i < 7; ++i) {
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setObjectName(QLatin1String(sliderNames[i]));
        slider->setRange(0, 1);
        m_propSliders[size_t(i)] = slider;
    }
    m_bitrateSpin = new QSpinBox(this);
    m_bitrateSpin->setObjectName(QStringLiteral("av prop v bitrate max"));
    m_bitrateSpin->setRange(0, 100000000);
    m_bitrateAccept = new ZRPushButton(tr("Accept"), this, "av prop v bitrate max accept");
    m_inputCombo = combo(false, "av prop v input sel", tr("Select Input Connection"));
    m_inputCombo->setDuplicatesEnabled(true);
    m_tunerButton = new ZRPushButton(tr("TV Tuner Dialog"), this, "TV Tuner Dialog");
    m_tvFormatCombo = combo(false, "av prop v tv format combo", QString());
    m_tvAudioButton = new ZRPushButton(tr("TV Audio Dialog"), this, "TV Audio Dialog");
    hidePropertyControls();
    m_propSelector->hide();

    m_displayTimer = new QTimer(this);
    m_displayTimer->setObjectName(QStringLiteral("import rec time display timer"));

    // The camera transport: every control visible but the tape's own recording pair ("Rec",
    // "RecPause"); the mask is only stored, nothing is shown or hidden yet.
    m_remote = new ZRRemoteCtrl(this);
    m_remote->setObjectName(QStringLiteral("mpRemoteCtrl import"));
    m_remote->storeVisibleMask(kVisibleTransport);
}

void ZRImportView::connectChildren() {
    using Self = ZRImportView;
    // `slot_destroy` does nothing and stays unconnected: by the time `destroyed` is emitted
    // the page part of the object is gone.
    connect(m_videoCombo, &QComboBox::activated, this, &Self::slotVideoDeviceSelected);
    connect(m_audioCombo, &QComboBox::activated, this, &Self::slotAudioDeviceSelected);
    connect(m_encoderCombo, &QComboBox::activated, this, &Self::slotVideoEncoderSelected);
    connect(m_refreshButton, &QAbstractButton::clicked, this, &Self::slotResetDeviceList);
    connect(m_folderCombo, &QComboBox::textActivated, this, &Self::slotTempFolderActivated);
    connect(m_folderBrowse, &QAbstractButton::clicked, this, &Self::slotTempFolderSelected);
    connect(m_fileCombo, &QComboBox::textActivated, this, &Self::slotFilenameActivated);
    connect(m_fileBrowse, &QAbstractButton::clicked, this, &Self::slotOutputFilenameSelected);
    connect(m_buttons[RecordHddButton], &QAbstractButton::toggled, this,
            &Self::slotToggleHDDRecordButton);
    connect(m_buttons[StopHddButton], &QAbstractButton::clicked, this, &Self::slotHDDStop);
    connect(m_buttons[Stop], &QAbstractButton::clicked, this, &Self::slotStop);
    connect(m_resolutionCombo, &QComboBox::activated, this, &Self::slotResolutionSelected);
    connect(m_audioFormatCombo, &QComboBox::activated, this, &Self::slotAudioResolutionSelected);
    connect(m_timerCheck, &QAbstractButton::toggled, this, &Self::slotRecTimerEnabled);
    connect(m_displayTimer, &QTimer::timeout, this, &Self::slotRecTimer);
    for (QSpinBox* spin : m_timeSpins)
        connect(spin, &QSpinBox::valueChanged, this, &Self::slotRecTimeSet);
    connect(m_propSelector, &QComboBox::activated, this, &Self::slotAVPropSelect);
    connect(m_propSliders[0], &QSlider::valueChanged, this, &Self::slotAVPropVBrightness);
    connect(m_propSliders[1], &QSlider::valueChanged, this, &Self::slotAVPropVContrast);
    connect(m_propSliders[2], &QSlider::valueChanged, this, &Self::slotAVPropVHue);
    connect(m_propSliders[3], &QSlider::valueChanged, this, &Self::slotAVPropVSaturation);
    connect(m_propSliders[4], &QSlider::valueChanged, this, &Self::slotAVPropVSharpness);
    connect(m_bitrateSpin, &QSpinBox::valueChanged, this, &Self::slotAVPropVBitrateMax);
    connect(m_bitrateAccept, &QAbstractButton::clicked, this, &Self::slotAVPropVBitrateMaxAccept);
    connect(m_inputCombo, &QComboBox::activated, this, &Self::slotAVPropVInputSelect);
    connect(m_tunerButton, &QAbstractButton::clicked, this, &Self::slotAVPropVTVTunerDlg);
    connect(m_tvFormatCombo, &QComboBox::activated, this, &Self::slotAVPropVTVFormat);
    connect(m_propSliders[5], &QSlider::valueChanged, this, &Self::slotAVPropAVolume);
    connect(m_propSliders[6], &QSlider::valueChanged, this, &Self::slotAVPropABalance);
    connect(m_tvAudioButton, &QAbstractButton::clicked, this, &Self::slotAVPropATVAudioDlg);
    // Every combo box names its current entry in its tool tip, also when the page sets it.
    for (ZRComboBox* box : findChildren<ZRComboBox*>(Qt::FindDirectChildrenOnly))
        connect(box, &QComboBox::currentIndexChanged, box,
                [box] { box->setToolTip(box->currentText()); });
}

void ZRImportView::setTransport(IZRCaptureTransport* transport) {
    if (m_transport) {
        // Only the old controller's own connections go; the page's stay.
        QObject* old = m_transport->object();
        for (QObject* control : std::initializer_list<QObject*>{
                 m_buttons[Rewind], m_buttons[Ffwd], m_buttons[FrameBwd], m_buttons[FrameFwd],
                 m_buttons[Pause], m_buttons[Stop], m_buttons[Play], m_jogShuttle}) {
            QObject::disconnect(control, nullptr, old, nullptr);
            QObject::disconnect(old, nullptr, control, nullptr);
            // What the old controller showed on the control is no longer its state.
            if (auto* w = qobject_cast<QWidget*>(control)) w->setEnabled(true);
        }
    }
    m_transport = transport;
    if (m_transport) {
        for (int i = 0; i < ButtonCount; ++i)
            if (kButtons[i].command >= 0)
                m_transport->connectButtons(kButtons[i].command, m_buttons[size_t(i)]);
        m_transport->connectJogShuttle(m_jogShuttle);
        m_transport->setEnabled(false);
    }
    refresh();
}

ZRPushButton* ZRImportView::button(int index) const {
    return index >= 0 && index < ButtonCount ? m_buttons[size_t(index)] : nullptr;
}

QSlider* ZRImportView::propertySlider(int code) const {
    if (code >= Brightness && code <= Sharpness) return m_propSliders[size_t(code - 1)];
    if (code == Volume) return m_propSliders[5];
    if (code == Balance) return m_propSliders[6];
    return nullptr;
}

void ZRImportView::setVisible(bool visible) {
    const bool change = visible != m_shown;
    if (change && !visible) pageHidden();
    ZRFrame::setVisible(visible);
    if (change && visible) pageShown();
}

void ZRImportView::pageShown() {
    m_shown = true;
    m_startTime = 0;
    clearTiming();
    m_displayTimer->start(1000);
    m_propSelector->setCurrentIndex(0);
    slotMyShow();
}

void ZRImportView::pageHidden() {
    m_shown = false;
    // A running capture is finished and collected rather than deleted as the pending file.
    if (m_recordState == Recording) slotStopRec();
    slotMyHide();
    releaseFactory();
    for (ZRComboBox* c : {m_videoCombo, m_folderCombo, m_fileCombo, m_resolutionCombo})
        c->clearFocus();
    m_displayTimer->stop();
    clearTiming();
    writeMediaKeys();
}

void ZRImportView::slotMyShow() {
    createFactory();
    slotResetDeviceList();
    lookUpDeviceTypes();
    showDeviceControls();
    if (!m_videoName.isEmpty()) {
        targetFileCheck();
        buildCaptureGraph();
    }
    refresh();
}

void ZRImportView::slotMyHide() {
    setButtonsEnabled(0, StopHdd | PlayHdd | RecordHdd);
    if (m_transport) m_transport->setEnabled(false);
    m_recordState = Idle;
    if (m_transport) m_transport->clickStop();
    tearDown();
    if (m_transport) m_transport->resetStates();
    cleanFolders();
    deletePendingFile();
}

void ZRImportView::createFactory() {
    if (m_factory) return;
    m_factory = std::make_unique<ZRGraphFactory>(m_preview);
    connect(m_factory.get(), &ZRGraphFactory::graphStopped, this, &ZRImportView::slotGraphStopped);
    connect(m_factory.get(), &ZRGraphFactory::devicesChanged, this,
            &ZRImportView::slotDevicesChanged);
}

void ZRImportView::releaseFactory() {
    tearDown();
    m_factory.reset();
}

void ZRImportView::tearDown() {
    if (!m_factory) return;
    m_factory->setGraphState(0);
    // Only a path that is built can leave a file behind: after a capture the factory still
    // names the collected file, which must not become the next leftover to delete.
    if (m_factory->activePath() && !m_factory->outputFileName().isEmpty())
        m_pendingFile = m_factory->outputFileName();
    m_factory->teardownPath();
    m_factory->releaseGraph();
}

bool ZRImportView::graphRunning() {
    if (!m_factory || !m_factory->graph()) return false;
    const std::optional<long> state = m_factory->graphState();
    return state && (*state == 1 || *state == 2);
}

void ZRImportView::status(const QString& text) {
    if (appState().hub) appState().hub->message(text, 0);
}

void ZRImportView::buildCaptureGraph() {
    if (!m_factory) return;
    ZRSignalLink stateSignal, stateSlot;
    if (m_transport) {
        stateSignal = {m_transport->object(), QByteArrayLiteral("rcStateChanged(long,long)")};
        stateSlot = {m_transport->object(), QByteArrayLiteral("rcChangeState(long,long)")};
    }
    m_factory->buildGraph(appState().mainWindow.data(), m_preview, stateSignal, stateSlot,
                          {this, QByteArrayLiteral("slotShowTimeCode(long)")});

    long kind = ZRGraphFactory::WDMCap;
    if (m_videoClass & 0x15) {
        std::array<long, 17> settings{};
        switch (appState().formatIndex) {
        case 0:
            settings[0] = 4;
            break;
        case 1:
            settings[0] = 1;
            break;
        case 2:
            settings[0] = 2;
            break;
        case 3:
            settings[0] = 3;
            break;
        default:
            settings[0] = 0;
            break;
        }
        settings[2] = appState().ntsc ? 1 : 2;
        settings[9] = m_appliedBitrate;
        settings[14] = 2;
        settings[15] = 16;
        m_factory->setCaptureSettings(settings);
        switch (m_videoType) {
        case 0x1:
            kind = ZRGraphFactory::WDMCap;
            break;
        case 0x10:
            kind = ZRGraphFactory::Kestrel250Capture;
            break;
        case 0x20:
        case 0x40:
            kind = ZRGraphFactory::Kestrel200Capture;
            break;
        case 0x200:
            kind = ZRGraphFactory::Wren80Capture;
            break;
        case 0x400:
            kind = ZRGraphFactory::CirrusCapture;
            break;
        default:
            qCDebug(lcImport) << "facBuildPath: unknown driver type";
            break;
        }
    } else if (m_videoClass == 2) {
        kind = ZRGraphFactory::WDMCapture;
    } else {
        qCDebug(lcImport) << "facBuildPath: unknown driver type";
    }
    m_lastKind = kind;
    m_factory->setSplitLimit(appState().splitSize);
    m_factory->setSecondPathFlag(appState().sceneDetection);
    status(tr("Initializing DirectShow..."));
    m_factory->setAudioDeviceName(m_audioName);
    m_factory->setVideoEncoderName(m_encoderName);
    m_factory->buildPath(kind, m_videoName, QString(), m_capturePath);
    if (!m_factory->activePath()) {
        // Nothing could be built: say so and leave no half graph behind.
        status(tr("Can't initialize DirectShow"));
        tearDown();
        return;
    }
    status(QStringLiteral(" "));
}

void ZRImportView::refresh() {
    if (graphRunning()) {
        setButtonsEnabled(0xFFFFFC7F, 0xFFFF);
        if (m_transport) m_transport->setEnabled(m_videoClass == 2);
    } else {
        setButtonsEnabled(0, StopHdd | PlayHdd | RecordHdd);
        if (m_transport) m_transport->setEnabled(false);
    }
    fillPropertySelector();
    fillFormatLists();
    for (ZRComboBox* c : {m_videoCombo, m_audioCombo, m_encoderCombo, m_folderCombo, m_fileCombo})
        c->setToolTip(c->currentText());
}

void ZRImportView::setButtonsEnabled(unsigned bits, unsigned mask) {
    const std::pair<unsigned, int> disk[] = {
        {StopHdd, StopHddButton}, {PlayHdd, PlayHddButton}, {RecordHdd, RecordHddButton}};
    for (auto [bit, index] : disk)
        if (mask & bit) m_buttons[size_t(index)]->setEnabled(bits & bit);
}

void ZRImportView::setButtonsToggled(unsigned bits, unsigned mask) {
    const std::pair<unsigned, int> disk[] = {
        {StopHdd, StopHddButton}, {PlayHdd, PlayHddButton}, {RecordHdd, RecordHddButton}};
    for (auto [bit, index] : disk) {
        if (!(mask & bit)) continue;
        ZRPushButton* b = m_buttons[size_t(index)];
        const QSignalBlocker block(b);
        if (b->isCheckable()) b->setChecked(bits & bit);
    }
}

void ZRImportView::clearAllFocus() {
    for (QWidget* w : std::initializer_list<QWidget*>{
             m_videoCombo, m_audioCombo, m_encoderCombo, m_folderCombo, m_fileCombo,
             m_resolutionCombo, m_audioFormatCombo, m_timeSpins[0], m_timeSpins[1], m_timeSpins[2],
             m_propSelector, m_bitrateSpin})
        w->clearFocus();
}

void ZRImportView::slotToggleHDDRecordButton(bool) {
    clearAllFocus();
    slotStartRec();
}

void ZRImportView::slotHDDStop() {
    if (m_recordState == Recording) slotStopRec();
}

void ZRImportView::slotStop() {
    slotHDDStop();
}

void ZRImportView::slotShowTimeCode(long tc) {
    if ((tc & 0xFF) >= 0x99) {
        m_cameraCode->setEnabled(false);
        return;
    }
    m_cameraCode->setTimeCode(uint32_t(tc));
    m_cameraCode->setEnabled(true);
}

void ZRImportView::slotSplitSettingsChange() {
    ++m_splitSettingsChanges;
    if (m_recordState != Recording && m_factory) slotSelectFile();
}

void ZRImportView::slotVideoDeviceSelected(int) {
    slotSelectDevice();
}

void ZRImportView::slotAudioDeviceSelected(int) {
    slotSelectDevice();
}

void ZRImportView::slotVideoEncoderSelected(int) {
    slotSelectDevice();
}

void ZRImportView::slotDevicesChanged() {
    if (m_factory) m_devicesChanged = true;
}

void ZRImportView::slot_destroy() {}

void ZRImportView::slotGraphStopped(long) {
    if (m_inGraphStopped || !m_factory) return;
    m_inGraphStopped = true;
    if (m_recordState == Recording) {
        finishCapture(true);
    } else {
        deletePendingFile();
    }
    slotDevicesChanged();
    slotResetDeviceList();
    slotSelectDevice();
    m_inGraphStopped = false;
}

void ZRImportView::updateLayout() {
    ZRFrame::updateLayout();
    if (!m_preview) return;
    const QRect preview(kOrigin + QPoint(0, 30), QSize(kPreviewWidth, kPreviewHeight));
    m_tabBar->setGeometry(kOrigin.x(), kOrigin.y(), 120, std::max(26, m_tabBar->minimumHeight()));
    m_preview->setGeometry(preview);
    m_cameraCode->move(preview.left(), preview.bottom() + 6);
    m_elapsedCode->move(preview.right() - m_elapsedCode->width(), preview.bottom() + 6);
    int x = preview.left();
    const int transportTop = preview.bottom() + 34;
    for (int i = 0; i < ButtonCount; ++i) {
        if (i == StopHddButton) x += 12;
        m_buttons[size_t(i)]->move(x, transportTop);
        x += m_buttons[size_t(i)]->width() + 2;
    }
    // The jog shuttle stands upright beside the picture, the option column right of both.
    m_jogShuttle->move(preview.right() + 16,
                       preview.top() + (preview.height() - m_jogShuttle->height()) / 2);
    if (m_innerBox) m_innerBox->setInnerGeometry(preview);

    // Captions stand left of their boxes, so the column fits beside a picture of 270 lines.
    const int column = std::max(kColumn, m_jogShuttle->geometry().right() + 16);
    const int width = std::max(180, this->width() - column - 16);
    const int left = column + kCaptionWidth;
    const int boxWidth = width - kCaptionWidth;
    int y = preview.top();
    const auto row = [&](QWidget* caption, QWidget* w, QWidget* side = nullptr) {
        if (caption) caption->setGeometry(column, y + 2, kCaptionWidth - 4, 16);
        const int sideWidth = side ? side->width() + 4 : 0;
        if (w) w->setGeometry(left, y, boxWidth - sideWidth, kBoxHeight);
        if (side) side->move(left + boxWidth - side->width(), y + 1);
        y += kRow;
    };
    // Device names and folders are long: their boxes take the column's whole width under a line
    // of their own for the caption and the button.
    const auto wideRow = [&](QWidget* caption, QWidget* w, QWidget* side) {
        caption->setGeometry(column, y + 1, width - side->width() - 8, 16);
        side->move(column + width - side->width(), y);
        y += kCaptionLine;
        w->setGeometry(column, y, width, kBoxHeight);
        y += kRow;
    };
    wideRow(m_captions[0], m_videoCombo, m_refreshButton);
    row(nullptr, m_audioCombo);
    row(nullptr, m_encoderCombo);
    wideRow(m_captions[1], m_folderCombo, m_folderBrowse);
    row(m_captions[2], m_fileCombo, m_fileBrowse);
    row(m_captions[3], m_resolutionCombo);
    row(nullptr, m_audioFormatCombo);
    row(m_captions[4], m_propSelector);
    const int controlTop = y;
    for (QSlider* s : m_propSliders)
        s->setGeometry(left, controlTop, boxWidth, kBoxHeight);
    m_bitrateSpin->setGeometry(left, controlTop, boxWidth - 70, kBoxHeight);
    m_bitrateAccept->setGeometry(left + boxWidth - 66, controlTop, 66, kBoxHeight);
    for (QWidget* w :
         {static_cast<QWidget*>(m_inputCombo), static_cast<QWidget*>(m_tvFormatCombo),
          static_cast<QWidget*>(m_tunerButton), static_cast<QWidget*>(m_tvAudioButton)})
        w->setGeometry(left, controlTop, boxWidth, kBoxHeight);
    m_inputCombo->move(left, controlTop + kRow);
    y = controlTop + 2 * kRow;
    row(m_captions[5], nullptr);
    y -= kRow;
    m_timerCheck->setGeometry(left, y, 20, kBoxHeight);
    m_timerLabel->setGeometry(left + 22, y, 100, kBoxHeight);
    y += kRow;
    for (int i = 0; i < 3; ++i) {
        m_timeSpins[size_t(i)]->setGeometry(left + i * 64, y, 40, kBoxHeight);
        m_timeLabels[size_t(i)]->setGeometry(left + i * 64 + 42, y, 22, kBoxHeight);
    }
    y += kRow;
    m_toGoLabel->setGeometry(left, y, boxWidth, 16);
    m_freeLabel->setGeometry(left, y + 15, boxWidth, 16);
    if (m_bottomBox)
        m_bottomBox->setInnerGeometry(
            QRect(column - 4, preview.top() - 4, width + 8, y + 32 - preview.top()));
}

void ZRImportView::resizeEvent(QResizeEvent* e) {
    ZRFrame::resizeEvent(e);
    if (m_factory) m_factory->resizePreview(m_preview->width(), m_preview->height());
}

void ZRImportView::composeBackground(int x, int y, int w, int h) {
    ZRFrame::composeBackground(x, y, w, h);
    QImage* target = composedImage();
    if (!target || target->isNull()) return;
    const QRect r = QRect(x, y, w, h).intersected(rect());
    if (r.isEmpty()) return;
    const QPoint offset = mapPointToSkinRoot(QPoint(0, 0));
    if (m_innerBox) m_innerBox->drawInto(QRegion(r), *target, offset);
    if (m_bottomBox) m_bottomBox->drawInto(QRegion(r), *target, offset);
}
