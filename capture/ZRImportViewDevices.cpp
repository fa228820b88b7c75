// The capture page's devices: the three device lists, a selection, the Wren80 warning and the
// resolution and sound format lists.
#include "capture/ZRImportView.h"

#include "capture/ZRGraphFactory.h"
#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/ZRTCWidget.h"
#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"
#include "views/ZRWindowServices.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QSignalBlocker>

Q_DECLARE_LOGGING_CATEGORY(lcImport)

namespace {

constexpr const char* kGeneral = "General Settings";

QConfig* generalSettings() {
    QConfig* config = appState().settings();
    if (config) config->setGroup(QLatin1String(kGeneral));
    return config;
}

// A stored number; 0 when missing, empty or not a number.
int readNumber(const char* key) {
    QConfig* config = generalSettings();
    if (!config || !config->hasKey(QLatin1String(key))) return 0;
    bool ok = false;
    const int value = config->readEntry(QLatin1String(key)).trimmed().toInt(&ok);
    return ok ? value : 0;
}

void writeNumber(const char* key, int value) {
    if (QConfig* config = generalSettings()) config->writeEntry(QLatin1String(key), value);
}

} // namespace

QString ZRImportView::deviceListText(int deviceClass, int type, const QString& friendly,
                                     const QString& model) {
    const auto has = [&](const char* part) { return friendly.contains(QLatin1String(part)); };
    switch (deviceClass) {
    case 1:
        return QStringLiteral("WDM ") + friendly;
    case 2:
        return QStringLiteral("DV CAM/VCR - ") + model;
    case 4:
        if (type == 0x10 || type == 0x20 || type == 0x40 || type == 0x80) {
            if (has("Brackwell USB 2") || has("Kestrel Studio 250"))
                return QStringLiteral("Brackwell USB 2.0");
            if (has("Kestrel Studio 200")) return QStringLiteral("Kestrel 200");
            if (has("Wren Deck 150")) return QStringLiteral("Wren 150");
            if (has("Wren Deck 100")) return QStringLiteral("Wren 100");
            return QStringLiteral("Kestrel 200 / Wren 100");
        }
        if (type == 0x400) return QStringLiteral("USB-PLM");
        return QStringLiteral("MPEG Capture");
    case 16:
        if (type == 0x200)
            return has("Norvale") || has("Wren 90") ? QStringLiteral("Norvale")
                                                    : QStringLiteral("Wren 80");
        return QStringLiteral("Video");
    default:
        return QStringLiteral("Unknown Device");
    }
}

void ZRImportView::slotResetDeviceList() {
    if (!m_factory) return;
    {
        const QSignalBlocker block(m_videoCombo);
        m_videoCombo->clear();
        if (const VidCapDevInfoList* list = m_factory->getVidCapDevInfoList(0x17, 0x67F)) {
            m_videoCombo->addItem(tr("-Select Device-"));
            int current = -1;
            for (size_t i = 0; i < list->size(); ++i) {
                const VidCapDevInfo& r = *(*list)[i];
                m_videoCombo->addItem(
                    deviceListText(r.familyMask, r.modelMask, r.friendlyName, r.modelText));
                if (current < 0 && !m_videoName.isEmpty() && r.displayName == m_videoName)
                    current = int(i) + 1;
            }
            if (current > 0) {
                m_videoCombo->setCurrentIndex(current);
                m_videoClass = (*list)[size_t(current - 1)]->familyMask;
                m_videoType = (*list)[size_t(current - 1)]->modelMask;
            } else {
                tearDown();
                m_videoName.clear();
                m_videoClass = m_videoType = 0;
                m_videoCombo->setCurrentIndex(0);
            }
        }
    }
    {
        const QSignalBlocker block(m_audioCombo);
        m_audioCombo->clear();
        if (const AudCapDevInfoList* list = m_factory->getAudCapDevInfoList(1, 3)) {
            m_audioCombo->addItem(tr("-Select Audio Device-"));
            int current = -1;
            for (size_t i = 0; i < list->size(); ++i) {
                const AudCapDevInfo& r = *(*list)[i];
                m_audioCombo->addItem(r.familyMask == 1 ? QStringLiteral("WDM ") + r.friendlyName
                                                        : tr("Unknown Device"));
                if (current < 0 && !m_audioName.isEmpty() && r.displayName == m_audioName)
                    current = int(i) + 1;
            }
            if (current > 0) {
                m_audioCombo->setCurrentIndex(current);
            } else {
                if (m_videoClass == 1) tearDown();
                m_audioName.clear();
                m_audioClass = m_audioType = 0;
            }
        }
    }
    {
        const QSignalBlocker block(m_encoderCombo);
        m_encoderCombo->clear();
        if (const VidEncInfoList* list = m_factory->getVidEncInfoList(1, 1)) {
            m_encoderCombo->addItem(tr("-Select Video Encoder-"));
            int current = -1;
            for (size_t i = 0; i < list->size(); ++i) {
                const VidEncInfo& r = *(*list)[i];
                m_encoderCombo->addItem(r.familyMask == 1 ? r.friendlyName : tr("Unknown Encoder"));
                if (current < 0 && !m_encoderName.isEmpty() && r.displayName == m_encoderName)
                    current = int(i) + 1;
            }
            if (current > 0) {
                m_encoderCombo->setCurrentIndex(current);
            } else {
                if (m_videoClass == 1) tearDown();
                m_encoderName.clear();
                m_encoderClass = m_encoderType = 0;
            }
        }
    }
    m_devicesChanged = false;
}

void ZRImportView::lookUpDeviceTypes() {
    m_videoClass = m_videoType = m_audioClass = m_audioType = m_encoderClass = m_encoderType = 0;
    if (!m_factory) return;
    // The cached lists of the last rebuild: the last record of a name wins.
    if (const VidCapDevInfoList* list = m_factory->videoDevices())
        for (const auto& r : *list)
            if (!m_videoName.isEmpty() && r->displayName == m_videoName) {
                m_videoClass = r->familyMask;
                m_videoType = r->modelMask;
            }
    if (const AudCapDevInfoList* list = m_factory->audioDevices())
        for (const auto& r : *list)
            if (!m_audioName.isEmpty() && r->displayName == m_audioName) {
                m_audioClass = r->familyMask;
                m_audioType = r->modelMask;
            }
    if (const VidEncInfoList* list = m_factory->encoders())
        for (const auto& r : *list)
            if (!m_encoderName.isEmpty() && r->displayName == m_encoderName) {
                m_encoderClass = r->familyMask;
                m_encoderType = r->modelMask;
            }
}

void ZRImportView::showDeviceControls() {
    const bool wdm = m_videoClass == 1;
    for (ZRComboBox* c : {m_audioCombo, m_encoderCombo}) {
        c->setEnabled(wdm);
        c->setVisible(wdm);
    }
    m_cameraCode->setVisible(m_videoClass == 2);
}

void ZRImportView::setDeviceComboItem(ZRComboBox* combo, int index) {
    const QSignalBlocker block(combo);
    combo->setCurrentIndex(index);
    combo->clearFocus();
    combo->setToolTip(combo->currentText());
}

void ZRImportView::slotSelectDevice() {
    m_appliedBitrate = m_requestedBitrate = kDefaultBitrate;
    ZRComboBox* const combos[] = {m_videoCombo, m_audioCombo, m_encoderCombo};
    if (m_recordState == Recording) {
        for (int i = 0; i < 3; ++i)
            if (combos[i]->currentIndex() != m_previousIndexes[size_t(i)])
                setDeviceComboItem(combos[i], m_previousIndexes[size_t(i)]);
        return;
    }
    tearDown();
    if (m_transport) m_transport->resetStates();
    cleanFolders();
    deletePendingFile();
    if (m_devicesChanged) slotResetDeviceList();

    if (m_factory) {
        const auto nameOf = [](std::unique_ptr<ZRDisplayNameDict> dict, int index) {
            if (!dict) return QString();
            auto it = dict->find(index);
            return it == dict->end() ? QString() : it->second;
        };
        m_videoName =
            nameOf(m_factory->getIndex2VidCapDevDisplayNameDict(), m_videoCombo->currentIndex());
        m_audioName =
            nameOf(m_factory->gGetIndex2AudCapDevDisplayNameDict(), m_audioCombo->currentIndex());
        m_encoderName =
            nameOf(m_factory->getIndex2VidEncDisplayNameDict(), m_encoderCombo->currentIndex());
    }
    for (int i = 0; i < 3; ++i)
        m_previousIndexes[size_t(i)] = combos[i]->currentIndex();

    lookUpDeviceTypes();
    recomputeCapturePath();
    showDeviceControls();
    if (!m_videoName.isEmpty()) {
        maybeWarnWren80();
        targetFileCheck();
        createFactory();
        buildCaptureGraph();
    }
    refresh();
}

void ZRImportView::maybeWarnWren80() {
    if (!(m_videoType & 0x201) || !appState().sceneDetection) return;
    QConfig* config = generalSettings();
    const bool show = !config || !config->hasKey(QStringLiteral("Wren80CheckBox")) ||
                      config->readBoolEntry(QStringLiteral("Wren80CheckBox"), true);
    if (!show) return;
    QApplication::beep();
    const ZRWindowServices::WarningAnswer answer =
        ZRWindowServices::current().runWren80Warning(this);
    QCoreApplication::processEvents();
    if ((config = generalSettings()))
        config->writeEntry(QStringLiteral("Wren80CheckBox"), !answer.dontShowAgain);
}

void ZRImportView::fillFormatLists() {
    int resX = readNumber("lastVResX"), resY = readNumber("lastVResY");
    int rate = readNumber("lastASamplerate"), channels = readNumber("lastAChannels"),
        bits = readNumber("lastASampleSize");
    const QSignalBlocker blockVideo(m_resolutionCombo);
    const QSignalBlocker blockAudio(m_audioFormatCombo);
    m_resolutionCombo->clear();
    m_audioFormatCombo->clear();
    m_resolutionCombo->setEnabled(false);
    m_audioFormatCombo->setEnabled(false);
    m_videoFormats.clear();
    m_audioFormats.clear();
    int videoChosen = -1, audioChosen = -1;
    const bool pal = !appState().ntsc;
    const int format = appState().formatIndex;

    switch (m_videoClass) {
    case 1: {
        if (m_factory) {
            if (auto sizes = m_factory->videoSizeList()) m_videoFormats = *sizes;
            if (auto formats = m_factory->audioFormatList()) m_audioFormats = *formats;
        }
        for (size_t i = 0; i < m_videoFormats.size(); ++i) {
            const ZRVideoResolution& v = m_videoFormats[i];
            m_resolutionCombo->addItem(QStringLiteral("%1x%2").arg(v.width).arg(v.height));
            if (videoChosen < 0 && v.width == resX && v.height == resY) videoChosen = int(i);
        }
        if (!m_videoFormats.empty() && videoChosen < 0) videoChosen = 0;
        if (videoChosen >= 0) {
            resX = m_videoFormats[size_t(videoChosen)].width;
            resY = m_videoFormats[size_t(videoChosen)].height;
        }
        for (size_t i = 0; i < m_audioFormats.size(); ++i) {
            const ZRAudioResolution& a = m_audioFormats[i];
            m_audioFormatCombo->addItem(
                QStringLiteral("%1Hz %2 %3bit")
                    .arg(a.sampleRate)
                    .arg(a.channels == 1 ? QStringLiteral("Mono") : QStringLiteral("Stereo"))
                    .arg(a.sampleSize));
            if (audioChosen < 0 && a.sampleRate == rate && a.channels == channels &&
                a.sampleSize == bits)
                audioChosen = int(i);
        }
        if (!m_audioFormats.empty() && audioChosen < 0) audioChosen = 0;
        if (audioChosen >= 0) {
            rate = m_audioFormats[size_t(audioChosen)].sampleRate;
            channels = m_audioFormats[size_t(audioChosen)].channels;
            bits = m_audioFormats[size_t(audioChosen)].sampleSize;
        }
        m_resolutionCombo->setEnabled(true);
        m_audioFormatCombo->setEnabled(true);
        break;
    }
    case 2: {
        bool ntsc = !pal;
        if (m_factory) {
            if (const std::optional<long> dv = m_factory->dvVideoFormat()) ntsc = *dv == 0x1026;
        }
        m_resolutionCombo->addItem(ntsc ? QStringLiteral("NTSC DV 720x480")
                                        : QStringLiteral("PAL DV 720x576"));
        m_audioFormatCombo->addItem(QStringLiteral("DV Audio"));
        break;
    }
    case 4: {
        const char* const palNames[] = {"PAL VCD 352x288", "PAL SVCD 480x576", "PAL DVD 720x576"};
        const char* const ntscNames[] = {"NTSC VCD 352x240", "NTSC SVCD 480x480",
                                         "NTSC DVD 720x480"};
        const char* const audio[] = {"VCD Audio", "SVCD Audio", "DVD Audio"};
        const int which = format == 1 ? 0 : format == 2 ? 1 : 2;
        m_resolutionCombo->addItem(QLatin1String(pal ? palNames[which] : ntscNames[which]));
        m_audioFormatCombo->addItem(QLatin1String(audio[which]));
        break;
    }
    case 16:
        m_resolutionCombo->addItem(pal ? QStringLiteral("PAL 352x288")
                                       : QStringLiteral("NTSC 352x240"));
        m_audioFormatCombo->addItem(QStringLiteral("Wren 80 Audio"));
        break;
    default:
        if (m_videoClass != 0) qCDebug(lcImport) << "unknown driver type";
        break;
    }
    if (m_videoClass != 1) {
        if (m_resolutionCombo->count() > 0) videoChosen = 0;
        if (m_audioFormatCombo->count() > 0) audioChosen = 0;
    }
    m_resolutionCombo->setVisible(m_resolutionCombo->count() > 0);
    m_audioFormatCombo->setVisible(m_audioFormatCombo->count() > 0);
    // Applying a chosen format restarts the graph; only a card with a list does that.
    if (videoChosen >= 0) {
        m_resolutionCombo->setCurrentIndex(videoChosen);
        if (m_videoClass == 1) slotResolutionSelected(videoChosen);
    }
    if (audioChosen >= 0) {
        m_audioFormatCombo->setCurrentIndex(audioChosen);
        if (m_videoClass == 1) slotAudioResolutionSelected(audioChosen);
    }
    m_resolutionCombo->setToolTip(m_resolutionCombo->currentText());
    m_audioFormatCombo->setToolTip(m_audioFormatCombo->currentText());
    // The keys hold a capture card's chosen formats: a camcorder, an MPEG device or no device
    // at all leaves them for the next time the card is there.
    if (m_videoClass != 1) return;
    writeNumber("lastVResX", resX);
    writeNumber("lastVResY", resY);
    writeNumber("lastASamplerate", rate);
    writeNumber("lastAChannels", channels);
    writeNumber("lastASampleSize", bits);
}

void ZRImportView::slotResolutionSelected(int index) {
    m_resolutionCombo->setToolTip(m_resolutionCombo->currentText());
    if (!m_factory || index < 0 || index >= int(m_videoFormats.size())) return;
    const ZRVideoResolution v = m_videoFormats[size_t(index)];
    m_factory->setGraphState(0);
    m_factory->videoSize(v.width, v.height);
    m_factory->setGraphState(2);
    writeNumber("lastVResX", v.width);
    writeNumber("lastVResY", v.height);
}

void ZRImportView::slotAudioResolutionSelected(int index) {
    m_audioFormatCombo->setToolTip(m_audioFormatCombo->currentText());
    if (!m_factory || index < 0 || index >= int(m_audioFormats.size())) return;
    const ZRAudioResolution a = m_audioFormats[size_t(index)];
    m_factory->setGraphState(0);
    m_factory->audioFormat(a.sampleRate, a.channels, a.sampleSize);
    m_factory->setGraphState(2);
    writeNumber("lastASamplerate", a.sampleRate);
    writeNumber("lastAChannels", a.channels);
    writeNumber("lastASampleSize", a.sampleSize);
}
