#include "output/ZRExportView.h"

#include "output/ZRExportCameraView.h"
#include "output/ZRLiveOutput.h"

#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/ZRLabel.h"
#include "classes/widgets/ZRLineEdit.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRSkinBox.h"
#include "classes/widgets/ZRTCWidget.h"
#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"
#include "engine/api/IZRTimeline.h"
#include "output/ZRBitrateRules.h"
#include "output/ZRModuleSettings.h"
#include "views/ZRSBPSlider.h"
#include "views/ZRSBPreview.h"
#include "views/ZRWindowServices.h"

#include <QApplication>
#include <QDoubleValidator>
#include <QFocusEvent>
#include <QIntValidator>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalBlocker>

#include <algorithm>
#include <array>

namespace {

constexpr const char* kGeneralGroup = "General Settings";
constexpr const char* kAviFormat = "AVI";
constexpr int kBoxHeight = 20;
constexpr int kRowStep = 26;
// The profile area lies right of the preview.
constexpr int kProfileLeft = 440;
constexpr int kProfileTop = 56;

// Combo positions of the built-in profiles by the profile dialog's format index: PAL, NTSC.
constexpr std::array<std::array<int, 2>, 5> kChosenPositions = {
    {{1, 2}, {3, 4}, {5, 6}, {7, 8}, {0, 0}}};

QConfig* settings() {
    return appState().settings();
}

bool accepts(const QValidator* validator, const QString& text) {
    QString copy = text;
    int position = 0;
    return validator->validate(copy, position) == QValidator::Acceptable;
}

void beep(int times) {
    for (int i = 0; i < times; ++i)
        QApplication::beep();
}

} // namespace

ZRExportView::ZRExportView(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : ZRFrame(parent, name, flags) {
    // The validators parse in the C locale, as the texts the page sets and the settings file
    // hold numbers.
    m_sizeValidator =
        new QIntValidator(ExportProfile::kMinFrameSide, ExportProfile::kMaxFrameSide, this);
    m_fpsValidator = new QDoubleValidator(ExportProfile::kMinFps, ExportProfile::kMaxFps, 3, this);
    m_fpsValidator->setNotation(QDoubleValidator::StandardNotation);
    m_sampleRateValidator =
        new QIntValidator(ExportProfile::kMinSampleRate, ExportProfile::kMaxSampleRate, this);
    m_bitrateValidator = new QIntValidator(bitrate::kValidatorBottom, bitrate::kValidatorTop, this);
    for (QValidator* v : std::initializer_list<QValidator*>{
             m_sizeValidator, m_fpsValidator, m_sampleRateValidator, m_bitrateValidator})
        v->setLocale(QLocale::c());

    m_profileBox = makeBox(false, "profile", tr("Export Format"));
    m_videoCodecBox = makeBox(false, "video codec", tr("Video Compressor"));
    m_frameRateBox = makeBox(true, "frame rate", tr("Video Frame Rate"));
    m_widthBox = makeBox(true, "width", tr("Video Width (Pixels)"));
    m_heightBox = makeBox(true, "height", tr("Video Height (Pixels)"));
    m_audioCodecBox = makeBox(false, "audio compression", tr("Audio Compressor"));
    m_sampleRateBox = makeBox(true, "sample rate", tr("Audio Sample Rate"));
    m_channelsBox = makeBox(false, "channels", tr("Number of Audio Channels"));
    m_maxBitrateBox = makeBox(true, "maximum bitrate", tr("Maximum bitrate for MPEG files"));
    m_avgBitrateBox = makeBox(true, "average bitrate", tr("Average bitrate for MPEG files"));

    m_frameRateBox->setValidator(m_fpsValidator);
    m_widthBox->setValidator(m_sizeValidator);
    m_heightBox->setValidator(m_sizeValidator);
    m_sampleRateBox->setValidator(m_sampleRateValidator);
    m_maxBitrateBox->setValidator(m_bitrateValidator);
    m_avgBitrateBox->setValidator(m_bitrateValidator);
    for (const char* rate : {"11025", "22050", "32000", "44100", "48000"})
        m_sampleRateBox->addItem(QLatin1String(rate));
    m_channelsBox->addItem(tr("Mono"));
    m_channelsBox->addItem(tr("Stereo"));
    for (int i = 0; i < bitrate::kItemCount; ++i) {
        m_maxBitrateBox->addItem(QLatin1String(bitrate::kMaximumItems[i]));
        m_avgBitrateBox->addItem(QLatin1String(bitrate::kAverageItems[i]));
    }
    m_maxBitrateBox->lineEdit()->installEventFilter(this);
    m_avgBitrateBox->lineEdit()->installEventFilter(this);
    m_maxBitrateBox->hide();
    m_avgBitrateBox->hide();

    m_saveButton = new ZRPushButton(tr("Save"), this, "Save");
    m_saveButton->setFixedSize(68, kBoxHeight);
    m_saveButton->setToolTip(tr("Save Settings"));
    m_deleteButton = new ZRPushButton(tr("Delete"), this, "Delete");
    m_deleteButton->setFixedSize(61, kBoxHeight);
    m_deleteButton->setToolTip(tr("Delete Settings"));
    m_saveButton->setEnabled(false);
    m_deleteButton->setEnabled(false);

    using Self = ZRExportView;
    connect(m_profileBox, &QComboBox::activated, this, &Self::slotFormatActivated);
    connect(m_videoCodecBox, &QComboBox::activated, this, &Self::slotCodecActivated);
    connect(m_frameRateBox, &QComboBox::textActivated, this, &Self::slotFrameRateActivated);
    connect(m_widthBox, &QComboBox::textActivated, this, &Self::slotWidthActivated);
    connect(m_heightBox, &QComboBox::textActivated, this, &Self::slotHeightActivated);
    connect(m_audioCodecBox, &QComboBox::activated, this, &Self::slotCompressionActivated);
    connect(m_sampleRateBox, &QComboBox::activated, this, &Self::slotSampleRateActivated);
    connect(m_channelsBox, &QComboBox::activated, this, &Self::slotChannelsActivated);
    connect(m_maxBitrateBox, &QComboBox::activated, this, &Self::slotMaxBitrateActivated);
    connect(m_avgBitrateBox, &QComboBox::activated, this, &Self::slotAvgBitrateActivated);
    connect(m_frameRateBox, &QComboBox::editTextChanged, this, &Self::slotFpsChanged);
    connect(m_widthBox, &QComboBox::editTextChanged, this, &Self::slotWidthChanged);
    connect(m_heightBox, &QComboBox::editTextChanged, this, &Self::slotHeightChanged);
    connect(m_sampleRateBox, &QComboBox::editTextChanged, this, &Self::slotSamplerateChanged);
    connect(m_maxBitrateBox, &QComboBox::editTextChanged, this, &Self::slotMaxBitrateChanged);
    connect(m_avgBitrateBox, &QComboBox::editTextChanged, this, &Self::slotAvgBitrateChanged);
    connect(m_frameRateBox->lineEdit(), &QLineEdit::returnPressed, this,
            &Self::slotUpdateFrameRate);
    connect(m_widthBox->lineEdit(), &QLineEdit::returnPressed, this, &Self::slotUpdateWidth);
    connect(m_heightBox->lineEdit(), &QLineEdit::returnPressed, this, &Self::slotUpdateHeight);
    connect(m_maxBitrateBox->lineEdit(), &QLineEdit::returnPressed, this,
            &Self::slotUpdateMaxBitrate);
    connect(m_avgBitrateBox->lineEdit(), &QLineEdit::returnPressed, this,
            &Self::slotUpdateAvgBitrate);
    connect(m_saveButton, &QPushButton::clicked, this, &Self::slotSaveClicked);
    connect(m_deleteButton, &QPushButton::clicked, this, &Self::slotDeleteClicked);

    const char* const labels[] = {"Profile",         "Codec",          "Frame Rate",  "Width",
                                  "Height",          "Compression",    "Sample Rate", "Channels",
                                  "Maximum Bitrate", "Average Bitrate"};
    for (const char* text : labels)
        m_labels.push_back(new ZRLabel(tr(text), this));
    createPlayerArea();
    layoutProfileArea();
}

ZRExportView::~ZRExportView() {
    m_liveOutput.reset();
    if (!m_timeline) return;
    IZRObjectFactory* factory = m_timeline->factory();
    for (IZRPos* position : {m_markIn, m_markOut, m_lastFrame})
        if (position) factory->destroyPos(position);
}

ZRComboBox* ZRExportView::makeBox(bool editable, const char* name, const QString& toolTip) {
    auto* box = new ZRComboBox(editable, this, name);
    box->setFontTag();
    box->setToolTip(toolTip);
    if (editable) {
        // Return must not add the typed text to the list, and completion must not replace it.
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setCompleter(nullptr);
    }
    return box;
}

const ExportProfile* ZRExportView::currentProfile() const {
    return m_current >= 0 && m_current < m_profiles.size() ? &m_profiles.at(m_current) : nullptr;
}

void ZRExportView::setTimeline(IZRTimeline* timeline) {
    if (m_timeline || !timeline) return;
    m_timeline = timeline;
    IZRObjectFactory* factory = timeline->factory();
    m_markIn = factory->createPos();
    m_markOut = factory->createPos();
    m_lastFrame = factory->createPos();
    m_preview->setTimeline(timeline);
    m_slider->setTimeline(timeline);
    cameraPage()->setTimeline(timeline);
    {
        const QSignalBlocker block(m_profileBox);
        createBuiltInProfiles();
        readProfiles();
    }
    if (QConfig* config = settings()) {
        config->setGroup(QLatin1String(kGeneralGroup));
        const QSignalBlocker blockMax(m_maxBitrateBox);
        const QSignalBlocker blockAvg(m_avgBitrateBox);
        if (config->hasKey(QLatin1String(kMaxBitrateKey)))
            m_maxBitrateBox->setEditText(config->readEntry(QLatin1String(kMaxBitrateKey)));
        if (config->hasKey(QLatin1String(kAvgBitrateKey)))
            m_avgBitrateBox->setEditText(config->readEntry(QLatin1String(kAvgBitrateKey)));
    }
    if (m_profileBox->count() > 0) {
        const QSignalBlocker block(m_profileBox);
        m_profileBox->setCurrentIndex(0);
        slotFormatActivated(0);
    }
}

void ZRExportView::selectChosenProfile() {
    int format = 0;
    bool ntsc = true;
    {
        ZRAppState& state = appState();
        std::lock_guard lock(state.lock);
        format = state.formatIndex;
        ntsc = state.ntsc;
    }
    if (format >= 0 && format < int(kChosenPositions.size())) {
        const int position = kChosenPositions[size_t(format)][ntsc ? 1 : 0];
        if (position < m_profileBox->count()) {
            const QSignalBlocker block(m_profileBox);
            m_profileBox->setCurrentIndex(position);
        }
    }
    slotFormatActivated(m_profileBox->currentIndex());
    if (ZRExportCameraView* camera = cameraPage()) camera->adaptToFormat(format);
}

void ZRExportView::slotFormatActivated(int index) {
    const bool dvd = index == ZRExportProfiles::kDvdPal || index == ZRExportProfiles::kDvdNtsc;
    m_maxBitrateBox->setVisible(dvd);
    m_avgBitrateBox->setVisible(dvd);
    m_labels[8]->setVisible(dvd);
    m_labels[9]->setVisible(dvd);
    update();

    if (index < 0 || index >= m_profileBox->count()) return;
    const int found = m_profiles.indexOf(m_profileBox->itemText(index));
    if (found < 0) return;
    m_current = found;
    ExportProfile& profile = m_profiles.at(found);

    const QSignalBlocker blockWidth(m_widthBox);
    const QSignalBlocker blockHeight(m_heightBox);
    const QSignalBlocker blockFps(m_frameRateBox);
    const QSignalBlocker blockRate(m_sampleRateBox);
    const QSignalBlocker blockChannels(m_channelsBox);
    m_widthBox->clear();
    m_heightBox->clear();
    m_frameRateBox->clear();
    fillCodecLists(profile);

    setProfileBoxEditable(profile.userMade);
    m_saveButton->setEnabled(profile.userMade);
    m_deleteButton->setEnabled(profile.userMade);
    const bool audioFree = !formatFixesAudio(profile.formatId);
    m_sampleRateBox->setEnabled(audioFree);
    m_channelsBox->setEnabled(audioFree);

    m_widthBox->addItem(QString::number(profile.width));
    m_heightBox->addItem(QString::number(profile.height));
    m_frameRateBox->addItem(QString::number(profile.fps, 'g', 6));
    m_sampleRateBox->setCurrentText(QString::number(profile.sampleRate));
    m_channelsBox->setCurrentIndex(profile.channels == 1 ? 0 : 1);
}

void ZRExportView::fillCodecLists(ExportProfile& profile) {
    const QSignalBlocker blockVideo(m_videoCodecBox);
    const QSignalBlocker blockAudio(m_audioCodecBox);
    m_videoCodecBox->clear();
    m_audioCodecBox->clear();
    if (profile.formatId != exportformat::kAvi) {
        m_videoCodecBox->addItem(profile.videoCodec);
        m_audioCodecBox->addItem(profile.audioCodec);
        return;
    }
    if (!m_timeline) return;
    for (bool video : {true, false}) {
        ZRComboBox* box = video ? m_videoCodecBox : m_audioCodecBox;
        QString& codec = video ? profile.videoCodec : profile.audioCodec;
        const char* const* names = m_timeline->exportCodecSetting(kAviFormat, video);
        for (; names && *names && **names; ++names)
            box->addItem(QString::fromLocal8Bit(*names));
        if (box->count() == 0) continue;
        const int match = box->findText(codec, Qt::MatchExactly);
        if (match >= 0)
            box->setCurrentIndex(match);
        else
            codec = box->itemText(0);
    }
}

void ZRExportView::setProfileBoxEditable(bool editable) {
    if (m_profileBox->isEditable() == editable) return;
    const QSignalBlocker block(m_profileBox);
    const int index = m_profileBox->currentIndex();
    m_profileBox->setEditable(editable);
    if (editable) {
        auto* edit = new ZRLineEdit(m_profileBox);
        m_profileBox->setLineEdit(edit);
        m_profileBox->setInsertPolicy(QComboBox::NoInsert);
        m_profileBox->setCompleter(nullptr);
        connect(edit, &QLineEdit::returnPressed, this, &ZRExportView::slotUpdateFormat);
    }
    m_profileBox->setCurrentIndex(index);
}

void ZRExportView::deriveProfile() {
    const int derived = m_profiles.derive(m_current, tr("User Profile:"));
    if (derived < 0) return;
    m_current = derived;
    const QSignalBlocker block(m_profileBox);
    m_profileBox->addItem(m_profiles.at(derived).name);
    m_profileBox->setCurrentIndex(m_profileBox->count() - 1);
    setProfileBoxEditable(true);
    m_profileBox->setCurrentIndex(m_profileBox->count() - 1);
    m_saveButton->setEnabled(true);
    m_deleteButton->setEnabled(true);
}

ExportProfile* ZRExportView::editTarget() {
    if (m_current < 0 || m_current >= m_profiles.size()) return nullptr;
    if (!m_profiles.at(m_current).userMade) deriveProfile();
    return &m_profiles.at(m_current);
}

void ZRExportView::applyEdit(Edit edit, const QString& text) {
    if (!currentProfile()) return;
    // Text the validator lets through as incomplete ("", "1") is no value yet: storing it
    // would hand a render a frame of no size.
    const QValidator* validator = m_sampleRateValidator;
    if (edit == Edit::Width || edit == Edit::Height) validator = m_sizeValidator;
    if (edit == Edit::Fps) validator = m_fpsValidator;
    if (edit != Edit::Channels && !accepts(validator, text)) return;
    ExportProfile* profile = editTarget();
    if (!profile) return;
    switch (edit) {
    case Edit::Width:
        profile->width = text.toInt();
        break;
    case Edit::Height:
        profile->height = text.toInt();
        break;
    case Edit::Fps:
        profile->fps = QLocale::c().toDouble(text);
        break;
    case Edit::SampleRate:
        profile->sampleRate = text.toInt();
        break;
    case Edit::Channels:
        profile->channels = text.toInt();
        break;
    }
}

void ZRExportView::slotCodecActivated(int index) {
    if (m_current >= 0) m_profiles.at(m_current).videoCodec = m_videoCodecBox->itemText(index);
}

void ZRExportView::slotCompressionActivated(int index) {
    if (m_current >= 0) m_profiles.at(m_current).audioCodec = m_audioCodecBox->itemText(index);
}

void ZRExportView::slotChannelsActivated(int index) {
    applyEdit(Edit::Channels, QString::number(index + 1));
}

void ZRExportView::slotFrameRateActivated(const QString&) {}
void ZRExportView::slotWidthActivated(const QString&) {}
void ZRExportView::slotHeightActivated(const QString&) {}
void ZRExportView::slotSampleRateActivated(int) {}
void ZRExportView::slotUpdateFrameRate() {}
void ZRExportView::slotUpdateWidth() {}
void ZRExportView::slotUpdateHeight() {}

void ZRExportView::slotWidthChanged(const QString& text) {
    applyEdit(Edit::Width, text);
}

void ZRExportView::slotHeightChanged(const QString& text) {
    applyEdit(Edit::Height, text);
}

void ZRExportView::slotFpsChanged(const QString& text) {
    applyEdit(Edit::Fps, text);
}

void ZRExportView::slotSamplerateChanged(const QString& text) {
    applyEdit(Edit::SampleRate, text);
}

void ZRExportView::slotUpdateFormat() {
    m_profileBox->clearFocus();
    if (m_current < 0 || !m_profiles.at(m_current).userMade || !m_profileBox->lineEdit()) return;
    const QString typed = m_profileBox->lineEdit()->text();
    const auto result = m_profiles.rename(m_current, typed, settings());
    const QSignalBlocker block(m_profileBox);
    const QString name = m_profiles.at(m_current).name;
    // A refused name would make two profiles share a group, or one the file cannot hold: the
    // old name comes back.
    if (result != ZRExportProfiles::Rename::Renamed) QApplication::beep();
    m_profileBox->setItemText(m_profileBox->currentIndex(), name);
    m_profileBox->lineEdit()->setText(name);
}

void ZRExportView::createBuiltInProfiles() {
    const int first = m_profiles.size();
    m_profiles.createBuiltInProfiles();
    for (int i = first; i < m_profiles.size(); ++i)
        m_profileBox->addItem(m_profiles.at(i).name);
}

void ZRExportView::addBuiltInProfile(const QString& name, const QString& videoCodec,
                                     const QString& audioCodec, int width, int height, double fps,
                                     int sampleRate, int channels, int formatId, bool saved) {
    m_profiles.addBuiltInProfile(name, videoCodec, audioCodec, width, height, fps, sampleRate,
                                 channels, formatId, saved);
    m_profileBox->addItem(name);
}

void ZRExportView::readProfiles() {
    QConfig* config = settings();
    if (!config) return;
    const int first = m_profiles.size();
    m_profiles.readProfiles(*config);
    for (int i = first; i < m_profiles.size(); ++i)
        m_profileBox->addItem(m_profiles.at(i).name);
}

bool ZRExportView::writeProfiles() {
    QConfig* config = settings();
    if (!config) return false;
    if (m_profiles.writeProfiles(*config)) return true;
    // Saving lost nothing in memory, but the user must know the file did not take it.
    if (ZRAppState::Hub* hub = appState().hub)
        hub->message(tr("The export profiles could not be saved."), 3000);
    return false;
}

void ZRExportView::slotSaveClicked() {
    if (m_current < 0) return;
    m_profiles.at(m_current).saved = true;
    writeProfiles();
}

void ZRExportView::slotDeleteClicked() {
    if (m_current < 0 || !m_profiles.at(m_current).userMade) return;
    {
        const QSignalBlocker block(m_profileBox);
        m_profileBox->removeItem(m_profileBox->currentIndex());
        m_profiles.remove(m_current);
        m_current = -1;
        m_profileBox->setCurrentIndex(0);
    }
    slotFormatActivated(0);
    writeProfiles();
}

void ZRExportView::showBitrates(const QString& maximum, const QString& average, int beeps) {
    beep(beeps);
    {
        const QSignalBlocker blockMax(m_maxBitrateBox);
        const QSignalBlocker blockAvg(m_avgBitrateBox);
        m_maxBitrateBox->setEditText(maximum);
        m_avgBitrateBox->setEditText(average);
    }
    if (QConfig* config = settings()) {
        config->setGroup(QLatin1String(kGeneralGroup));
        config->writeEntry(QLatin1String(kMaxBitrateKey), maximum);
        config->writeEntry(QLatin1String(kAvgBitrateKey), average);
    }
}

void ZRExportView::commitMaximum() {
    // Losing the focus, and the warning taking it, would commit again from inside.
    if (m_committing) return;
    m_committing = true;
    m_maxBitrateBox->clearFocus();
    QConfig* config = settings();
    bool suppressed = false;
    if (config) {
        config->setGroup(QLatin1String(kGeneralGroup));
        suppressed = config->readBoolEntry(QLatin1String(kWarningOffKey), false);
    }
    const bitrate::Outcome out = bitrate::commitMaximum(
        m_maxBitrateBox->currentText(), m_avgBitrateBox->currentText(), suppressed, [this] {
            QApplication::beep();
            const auto answer = ZRWindowServices::current().runBitrateWarning(this);
            return bitrate::WarningAnswer{answer.accepted, answer.dontShowAgain};
        });
    if (out.dontShowAgain && (config = settings())) {
        config->setGroup(QLatin1String(kGeneralGroup));
        config->writeEntry(QLatin1String(kWarningOffKey), *out.dontShowAgain);
    }
    showBitrates(out.maximum, out.average, out.beeps);
    m_committing = false;
}

void ZRExportView::commitAverage() {
    if (m_committing) return;
    m_committing = true;
    m_avgBitrateBox->clearFocus();
    const bitrate::Outcome out =
        bitrate::commitAverage(m_maxBitrateBox->currentText(), m_avgBitrateBox->currentText());
    showBitrates(out.maximum, out.average, out.beeps);
    m_committing = false;
}

void ZRExportView::slotUpdateMaxBitrate() {
    commitMaximum();
}

void ZRExportView::slotUpdateAvgBitrate() {
    commitAverage();
}

void ZRExportView::slotMaxBitrateChanged(const QString& text) {
    QString copy = text;
    int position = 0;
    if (m_bitrateValidator->validate(copy, position) == QValidator::Invalid) commitMaximum();
}

void ZRExportView::slotAvgBitrateChanged(const QString& text) {
    QString copy = text;
    int position = 0;
    if (m_bitrateValidator->validate(copy, position) == QValidator::Invalid) commitAverage();
}

void ZRExportView::slotMaxBitrateActivated(int index) {
    const bitrate::Outcome out =
        bitrate::pickMaximum(index, m_maxBitrateBox->currentText(), m_avgBitrateBox->currentText());
    showBitrates(out.maximum, out.average, out.beeps);
}

void ZRExportView::slotAvgBitrateActivated(int) {
    const bitrate::Outcome out =
        bitrate::pickAverage(m_maxBitrateBox->currentText(), m_avgBitrateBox->currentText());
    showBitrates(out.maximum, out.average, out.beeps);
}

bool ZRExportView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        if (watched == m_maxBitrateBox->lineEdit())
            commitMaximum();
        else if (watched == m_avgBitrateBox->lineEdit())
            commitAverage();
    }
    return ZRFrame::eventFilter(watched, event);
}

ZRExportView::ExportTarget ZRExportView::applyExportSettings() {
    ExportTarget target;
    const ExportProfile* profile = currentProfile();
    if (!profile) return target;
    if (const ExportFormat* format = exportFormat(profile->formatId)) {
        target.formatName = QLatin1String(format->engineName);
        target.filter = tr(format->filter);
        target.extension = QLatin1String(format->extension);
    }
    if (profile->formatId == exportformat::kAvi) {
        if (m_timeline) {
            m_timeline->setExportCodecName(
                kAviFormat, true, m_videoCodecBox->currentText().toLocal8Bit().constData());
            m_timeline->setExportCodecName(
                kAviFormat, false, m_audioCodecBox->currentText().toLocal8Bit().constData());
        }
        target.settingsSaved = true;
        return target;
    }
    modulesettings::Values values;
    values.splitSize = appState().splitSize;
    values.maxBitrate = m_maxBitrateBox->currentText();
    values.avgBitrate = m_avgBitrateBox->currentText();
    target.settingsSaved =
        modulesettings::write(modulesettings::defaultPath(), profile->formatId, values);
    return target;
}

void ZRExportView::resizeEvent(QResizeEvent* e) {
    ZRFrame::resizeEvent(e);
    layoutPlayerArea();
    layoutProfileArea();
}

// One column right of the player: the profile, the video and audio settings, the bit rates;
// Save and Delete under them, Render and the estimate line last.
void ZRExportView::layoutProfileArea() {
    // A translation may move the label texts: "ZRLabel TextPos::(x,y)", one signed digit each.
    QPoint shift(7, -1);
    static const QRegularExpression pattern(
        QStringLiteral("\\(\\s*([+-]?\\d)+\\s*,\\s*([+-]?\\d)+\\s*\\)"));
    const QRegularExpressionMatch match = pattern.match(tr("ZRLabel TextPos::(7,-1)"));
    if (match.hasMatch()) shift = QPoint(match.captured(1).toInt(), match.captured(2).toInt());
    const int left = kProfileLeft, top = kProfileTop, labelWidth = 90;
    const int boxWidth = std::max(150, width() - left - labelWidth - 10);
    QWidget* const boxes[] = {m_profileBox,    m_videoCodecBox, m_frameRateBox,  m_widthBox,
                              m_heightBox,     m_audioCodecBox, m_sampleRateBox, m_channelsBox,
                              m_maxBitrateBox, m_avgBitrateBox};
    for (size_t row = 0; row < std::size(boxes); ++row) {
        const int y = top + int(row) * kRowStep;
        m_labels[row]->setGeometry(left + shift.x(), y + shift.y(), labelWidth - 10, kBoxHeight);
        boxes[row]->setGeometry(left + labelWidth, y, boxWidth, kBoxHeight);
    }
    const int buttons = top + int(std::size(boxes)) * kRowStep;
    const int right = left + labelWidth + boxWidth;
    // Beside a wide media panel the column is narrow: the rows without a label then start
    // under the labels instead of overlapping their own buttons.
    const int rowsNeed = m_saveButton->width() + 6 + m_deleteButton->width() + 6 +
                         (m_renderButton ? m_renderButton->width() : 0);
    const int buttonsLeft = rowsNeed <= boxWidth ? left + labelWidth : left;
    m_saveButton->move(buttonsLeft, buttons);
    m_deleteButton->move(m_saveButton->x() + m_saveButton->width() + 6, buttons);
    if (!m_renderButton) return;
    m_renderButton->move(right - m_renderButton->width(), buttons);
    m_diskLabel->setGeometry(left + labelWidth, buttons + kRowStep, boxWidth, kBoxHeight);
    m_diskLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    // The output range: each mark's button beside its time code, in the bottom box; on one row
    // when both pairs fit, else the end pair on a second row.
    const int range = buttons + 2 * kRowStep;
    const int inPair = m_markInButton->width() + 6 + m_markInCode->width();
    const int outPair = m_markOutButton->width() + 6 + m_markOutCode->width();
    const bool oneRow = inPair + 12 + outPair <= boxWidth;
    const int rangeLeft = oneRow ? left + labelWidth : left;
    const int outRow = oneRow ? range : range + kRowStep;
    m_markInButton->move(rangeLeft, range);
    m_markInCode->move(m_markInButton->x() + m_markInButton->width() + 6,
                       range + (kBoxHeight - m_markInCode->height()) / 2);
    m_markOutCode->move(right - m_markOutCode->width(),
                        outRow + (kBoxHeight - m_markOutCode->height()) / 2);
    m_markOutButton->move(m_markOutCode->x() - 6 - m_markOutButton->width(), outRow);
    if (m_bottomBox)
        m_bottomBox->setInnerGeometry(
            QRect(rangeLeft, range, right - rangeLeft, outRow - range + kBoxHeight));
}
