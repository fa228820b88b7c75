// The capture page's recording side: folder and file name, the target check, start and stop,
// the record timer and display, and collecting a finished capture.
#include "capture/ZRImportView.h"

#include "capture/ZRGraphFactory.h"
#include "capture/ZRImportViewDisplay.h"
#include "capture/ZRImportViewFiles.h"
#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/ZRLabel.h"
#include "classes/widgets/ZRTCWidget.h"
#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"
#include "platform/segments/MpegJoiner.h"
#include "platform/system/RegistryFile.h"
#include "views/ZRWindowServices.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSignalBlocker>
#include <QSpinBox>

Q_DECLARE_LOGGING_CATEGORY(lcImport)

namespace {

constexpr const char* kGeneral = "General Settings";
constexpr const char* kPostProcKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Veltrane\\PostProc";

// Puts `text` at the top of `combo` (once) and makes it current, signals blocked.
void putOnTop(ZRComboBox* combo, const QString& text) {
    const QSignalBlocker block(combo);
    const int existing = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (existing >= 0) combo->removeItem(existing);
    combo->insertItem(0, text);
    combo->setCurrentIndex(0);
    combo->clearFocus();
    combo->setToolTip(text);
}

void setLabelColour(QLabel* label, const QColor& colour) {
    QPalette p = label->palette();
    if (p.color(QPalette::WindowText) == colour) return;
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

} // namespace

int64_t ZRImportView::now() const {
    return m_clock ? m_clock() : 0;
}

std::optional<int64_t> ZRImportView::freeBytes() const {
    return m_freeSpace ? m_freeSpace(folderText()) : std::nullopt;
}

QString ZRImportView::folderText() const {
    return m_folderCombo->currentText();
}

QString ZRImportView::fileText() const {
    return m_fileCombo->currentText();
}

void ZRImportView::setFolder(const QString& text) {
    if (text.isEmpty()) return;
    putOnTop(m_folderCombo, QDir::toNativeSeparators(text));
}

void ZRImportView::setFileName(const QString& text) {
    if (text.isEmpty()) return;
    const QString base = capturefiles::withoutCaptureExtension(text);
    // A name the file-name box would refuse could leave the folder or name no file.
    if (!capturefiles::acceptsBaseName(base)) return;
    putOnTop(m_fileCombo, base);
}

void ZRImportView::recomputeCapturePath() {
    const QString folder = folderText();
    const QString base = fileText();
    if (folder.isEmpty() || base.isEmpty()) {
        m_capturePath.clear();
        return;
    }
    m_capturePath =
        QDir(QDir::fromNativeSeparators(folder))
            .absoluteFilePath(base + u'.' + capturefiles::extensionForClass(m_videoClass));
}

void ZRImportView::targetFileCheck() {
    const QString folder = QDir::fromNativeSeparators(folderText());
    if (!capturefiles::nameInUse(folder, fileText())) return;
    const int answer = ZRWindowServices::current().askYesNoAbort(
        this, tr("Overwriting Media Files"),
        tr("Do you want to overwrite '%1'?").arg(QDir::toNativeSeparators(m_capturePath)));
    if (answer == 0) {
        capturefiles::removeCaptureFiles(folder, fileText());
    } else {
        setFileName(capturefiles::nextFreeName(folder, QStringLiteral("capture0000")));
        recomputeCapturePath();
    }
}

void ZRImportView::cleanFolders() {
    if (!m_rememberedFolder.isEmpty() && QFileInfo(m_rememberedFolder).isDir())
        capturefiles::removeEmptyCaptureFiles(QDir::fromNativeSeparators(m_rememberedFolder));
    m_rememberedFolder = folderText();
    capturefiles::removeEmptyCaptureFiles(QDir::fromNativeSeparators(m_rememberedFolder));
}

void ZRImportView::deletePendingFile() {
    if (!m_pendingFile.isEmpty()) {
        const QFileInfo info(m_pendingFile);
        if (info.isFile() && !info.isSymLink()) QFile::remove(m_pendingFile);
    }
    m_pendingFile.clear();
}

void ZRImportView::clearTiming() {
    m_startTime = 0;
    m_freeAtStart.reset();
}

void ZRImportView::writeMediaKeys() {
    QConfig* config = appState().settings();
    if (!config) return;
    config->setGroup(QLatin1String(kGeneral));
    config->writeEntry(QStringLiteral("MediaFolder"), QDir::toNativeSeparators(folderText()));
    config->writeEntry(QStringLiteral("MediaFile"), fileText());
}

void ZRImportView::slotSelectFile() {
    if (m_recordState == Recording) {
        if (folderText() != m_rememberedFolder) setFolder(m_rememberedFolder);
        if (fileText() != m_rememberedFile) setFileName(m_rememberedFile);
        return;
    }
    recomputeCapturePath();
    tearDown();
    if (m_transport) m_transport->resetStates();
    cleanFolders();
    deletePendingFile();
    m_rememberedFolder = folderText();
    m_rememberedFile = fileText();
    if (!m_videoName.isEmpty()) {
        targetFileCheck();
        createFactory();
        buildCaptureGraph();
    }
    refresh();
    writeMediaKeys();
}

void ZRImportView::slotTempFolderSelected() {
    const QString folder = ZRWindowServices::current().folderName(
        this, tr("Choose Media Files Directory"), QDir::fromNativeSeparators(folderText()));
    if (folder.isEmpty()) return;
    setFolder(folder);
    slotSelectFile();
}

void ZRImportView::slotTempFolderActivated(const QString& text) {
    if (!text.isEmpty())
        slotSelectFile();
    else if (!m_rememberedFolder.isEmpty())
        setFolder(m_rememberedFolder);
}

void ZRImportView::slotTempFolderFocusLost() {
    if (folderText() != m_rememberedFolder) slotSelectFile();
}

void ZRImportView::slotOutputFilenameSelected() {
    const QString chosen =
        ZRWindowServices::current().fileName(this, false, tr("Capture file dialog"), m_capturePath,
                                             capturefiles::dialogFilterForClass(m_videoClass));
    if (chosen.isEmpty()) {
        setFileName(fileText());
        return;
    }
    const QFileInfo info(chosen);
    if (QDir(info.absolutePath()) != QDir(QDir::fromNativeSeparators(folderText())))
        setFolder(info.absolutePath());
    setFileName(info.fileName());
    slotSelectFile();
}

void ZRImportView::slotFilenameActivated(const QString& text) {
    setFileName(QFileInfo(text).fileName());
    slotSelectFile();
}

void ZRImportView::slotFilenameFocusLost() {
    slotFilenameActivated(fileText());
}

void ZRImportView::slotStartRec() {
    if (!m_factory || !m_factory->graph() || m_videoName.isEmpty()) return;
    m_recordState = Recording;
    if (m_videoClass == 2 && m_transport && !m_transport->isPlaying()) {
        m_transport->clickPlayFwd();
        if (m_wait) m_wait(2800);
    }
    m_factory->start();
    for (QWidget* w : {appState().editButton.data(), appState().produceButton.data()})
        if (w) w->setEnabled(false);
    m_startTime = now();
    m_freeAtStart = freeBytes();
    setButtonsEnabled(StopHdd, StopHdd | RecordHdd);
    m_resolutionCombo->setEnabled(false);
    m_audioFormatCombo->setEnabled(false);
}

void ZRImportView::slotStopRec() {
    if (!m_factory || !m_factory->graph() || m_videoName.isEmpty()) return;
    finishCapture(false);
}

void ZRImportView::reportFrames() {
    long captured = 0, dropped = 0;
    if (m_factory && m_factory->frameCounts(&captured, &dropped))
        status(tr("%1 frames captured, %2 dropped").arg(captured).arg(dropped));
}

void ZRImportView::finishCapture(bool fromGraphStop) {
    if (!fromGraphStop && m_transport) m_transport->clickStop();
    m_factory->stop();
    reportFrames();
    const int writerReason = m_factory->writerStopReason();
    clearTiming();
    m_recordState = Idle;
    for (QWidget* w : {appState().editButton.data(), appState().produceButton.data()})
        if (w) w->setEnabled(true);
    m_propSelector->setCurrentIndex(0);
    tearDown();
    // The finished capture is no leftover.
    m_pendingFile.clear();
    if (m_transport) m_transport->resetStates();
    collectCapture(fromGraphStop);

    setFileName(capturefiles::nextFreeName(QDir::fromNativeSeparators(folderText()), fileText()));
    m_rememberedFile = fileText();
    recomputeCapturePath();
    if (!fromGraphStop && !QFileInfo::exists(m_capturePath)) buildCaptureGraph();
    refresh();
    setButtonsEnabled(RecordHdd, StopHdd | RecordHdd);
    setButtonsToggled(0, RecordHdd);
    writeMediaKeys();
    if (fromGraphStop &&
        (writerReason == capturedisplay::DiskFull || writerReason == capturedisplay::FileTooLarge))
        ZRWindowServices::current().information(this, tr("Capture Stopped"),
                                                capturedisplay::stopMessage(writerReason));
}

void ZRImportView::announce(const QString& path) {
    const QString native = QDir::toNativeSeparators(path);
    appState().addBrowserFile(QLatin1String(kCapturedFolder), native, 0);
    Q_EMIT capturedFile(native);
}

void ZRImportView::collectCapture(bool fromGraphStop) {
    const QFileInfo info(m_capturePath);
    const QString ext = info.suffix();
    if (info.isFile()) {
        if (ext == QLatin1String("mvl")) {
            if (!fromGraphStop &&
                platform::registryValue(QString::fromLatin1(kPostProcKey), u"EnableDialog")
                        .value_or(QString())
                        .left(300) == QLatin1String("1"))
                ZRWindowServices::current().information(
                    this, tr("DEBUG: Before PostProcessing"),
                    tr("You should now save the captured files (before they are "
                       "post-processed)."));
            segments::MpegSegmentList(m_capturePath.toStdString());
        }
        announce(m_capturePath);
        return;
    }
    // A capture of one segment leaves its single file instead of the list.
    const char* single = ext == QLatin1String("ovl")   ? "avi"
                         : ext == QLatin1String("mvl") ? "mpg"
                                                       : nullptr;
    if (single) {
        const QString file =
            info.dir().filePath(info.completeBaseName() + u'.' + QLatin1String(single));
        if (QFileInfo(file).isFile()) {
            announce(file);
            return;
        }
        qCDebug(lcImport).noquote() << QStringLiteral("it seems no file had been captured (%1>%2)")
                                           .arg(ext, QLatin1String(single));
    } else {
        qCDebug(lcImport) << "it seems no file had been captured";
    }
    status(tr("Nothing was captured"));
}

void ZRImportView::slotRecTimerEnabled(bool on) {
    for (QSpinBox* spin : m_timeSpins)
        spin->setEnabled(on);
}

void ZRImportView::slotRecTimeSet(int) {
    if (m_inRecTimeSet) return;
    const int h = m_timeSpins[0]->value(), m = m_timeSpins[1]->value(), s = m_timeSpins[2]->value();
    const int64_t elapsed = m_recordState == Recording ? now() - m_startTime : 0;
    if (capturedisplay::acceptsRecordTime(m_recordState == Recording, elapsed, h, m, s, m_hours,
                                          m_minutes, m_seconds)) {
        m_hours = h;
        m_minutes = m;
        m_seconds = s;
        m_recordTime = h * 3600 + m * 60 + s;
        return;
    }
    m_inRecTimeSet = true;
    const int values[] = {m_hours, m_minutes, m_seconds};
    for (int i = 0; i < 3; ++i) {
        m_timeSpins[size_t(i)]->setValue(values[i]);
        m_timeSpins[size_t(i)]->clearFocus();
    }
    m_inRecTimeSet = false;
}

void ZRImportView::slotRecTimer() {
    capturedisplay::Input in;
    in.recording = m_recordState == Recording;
    in.elapsed = in.recording && m_startTime ? now() - m_startTime : 0;
    in.freeAtStart = m_freeAtStart;
    in.freeNow = freeBytes();
    in.deviceClass = m_videoClass;
    in.formatIndex = appState().formatIndex;
    in.maxBitrate = m_appliedBitrate;
    in.timerOn = m_timerCheck->isChecked();
    in.recordTime = m_recordTime;
    const capturedisplay::Result r = capturedisplay::compute(in);

    m_elapsedCode->setTimeCode(0, 0, uint32_t(std::clamp<int64_t>(in.elapsed, 0, 359999)), 0);
    m_toGoLabel->setText(r.toGoText);
    m_freeLabel->setText(r.freeText);
    m_toGoLabel->setVisible(r.showToGo);
    const QColor colour = r.low ? QColor(255, 0, 0) : QColor(0, 0, 0);
    setLabelColour(m_toGoLabel, colour);
    setLabelColour(m_freeLabel, colour);

    if (!r.stop) return;
    slotHDDStop();
    const QString message = capturedisplay::stopMessage(r.reason);
    if (message.isEmpty()) {
        qCDebug(lcImport) << "Capture stopped for unknown reason";
        return;
    }
    ZRWindowServices::current().information(this, tr("Capture Stopped"), message);
}
