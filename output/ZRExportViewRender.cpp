// The produce page's render to file and its progress: the disk watch and the stop requests.
#include "output/ZRExportView.h"

#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/ZRLabel.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRTabBar.h"
#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"
#include "engine/api/IZRTimeline.h"
#include "output/ZRDiskWatch.h"
#include "views/ZRSBPSlider.h"
#include "views/ZRSBPreview.h"
#include "views/ZRWindowServices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalBlocker>

namespace {

constexpr const char* kGeneralGroup = "General Settings";
constexpr const char* kCaption = "Clipstead 5";
constexpr const char* kAudioSettings = "Audio Settings";
constexpr const char* kPreviewMode = "Preview Mode";
// Pending events run at least this often while the engine renders on the GUI thread.
constexpr qint64 kEventIntervalMs = 50;

void inform(QWidget* parent, const QString& text) {
    ZRWindowServices::current().informAbort(parent, QLatin1String(kCaption), text);
}

// Fills the "%d" places of a translated text in turn; a translation with fewer places loses
// the numbers it has no room for rather than reading past them.
QString fillNumbers(QString text, std::initializer_list<int64_t> numbers) {
    int from = 0;
    for (int64_t n : numbers) {
        const int at = text.indexOf(QLatin1String("%d"), from);
        if (at < 0) break;
        const QString value = QString::number(n);
        text.replace(at, 2, value);
        from = at + int(value.size());
    }
    return text;
}

} // namespace

void ZRExportView::setFreeSpaceQuery(FreeSpaceQuery query) {
    m_freeSpace = std::move(query);
}

void ZRExportView::setControlsEnabled(bool on) {
    for (ZRComboBox* box : {m_profileBox, m_videoCodecBox, m_frameRateBox, m_widthBox, m_heightBox,
                            m_audioCodecBox, m_sampleRateBox, m_channelsBox})
        box->setEnabled(on);
    for (int i = 0; i < TransportCount; ++i)
        if (i != Play) m_transport[size_t(i)]->setEnabled(on);
    m_markInButton->setEnabled(on);
    m_markOutButton->setEnabled(on);
    m_tabBar->setEnabled(on);
    const ExportProfile* profile = currentProfile();
    const bool editable = on && profile && profile->userMade;
    m_saveButton->setEnabled(editable);
    m_deleteButton->setEnabled(editable);
}

void ZRExportView::showRenderFailure(int result) {
    switch (result) {
    case 1:
        inform(this, tr("An unspecified error occured during the export process!"));
        break;
    case 2:
        inform(this, tr("The video settings were not accepted by the choosen video codec!"));
        break;
    case 3:
        inform(this, tr("The audio settings were not accepted by the choosen audio codec!"));
        break;
    default:
        break;
    }
}

// A stored profile can hold values the validators would never let through (a group written by
// hand, keys missing): the engine is not handed a frame of no pixels or a sound of no channels.
bool ZRExportView::checkProfile(const ExportProfile& profile) {
    if (!profile.checkVideo()) {
        showRenderFailure(2);
        return false;
    }
    if (!profile.checkAudio()) {
        showRenderFailure(3);
        return false;
    }
    return true;
}

void ZRExportView::endRender() {
    ZRAppState& state = appState();
    state.exportRunning = false;
    state.stopRequested = false;
    if (state.hub) state.hub->clearAbortRequest();
}

void ZRExportView::slotRenderClicked() {
    ZRAppState& state = appState();
    const ExportProfile* current = currentProfile();
    if (!current) return;
    if (state.exportRunning.load()) {
        // The engine's next progress call answers the stop.
        state.stopRequested = true;
        return;
    }
    if (!m_timeline || m_timeline->endPosition()->toFrames() == 0.0) return;

    state.exportRunning = true;
    const ExportProfile profile = *current;
    if (!checkProfile(profile)) {
        endRender();
        return;
    }
    const ExportTarget target = applyExportSettings();
    if (!target.settingsSaved) {
        showRenderFailure(1);
        endRender();
        return;
    }

    QConfig* config = appState().settings();
    QString start;
    if (config) {
        config->setGroup(QLatin1String(kGeneralGroup));
        if (config->hasKey(QLatin1String(kExportFileNameKey)))
            start = config->readEntry(QLatin1String(kExportFileNameKey));
        else if (config->hasKey(QLatin1String(kMediaFolderKey)))
            start = config->readEntry(QLatin1String(kMediaFolderKey));
    }
    start += tr("/Untitled");
    const QString filter = target.filter + QLatin1String(";;") + tr("All Files (*.*)");
    const QString chosen =
        ZRWindowServices::current().fileName(this, false, tr("Produce As..."), start, filter);
    if (chosen.isEmpty()) {
        endRender();
        return;
    }

    // The name keeps its folder; from the first dot of the file's own name on it is replaced by
    // the format's extension (a dot in a folder name is no extension).
    const QFileInfo info(chosen);
    QString base = info.fileName();
    if (const qsizetype dot = base.indexOf(QLatin1Char('.')); dot >= 0) base.truncate(dot);
    if (!target.extension.isEmpty()) base += QLatin1Char('.') + target.extension;
    QString fileName = QDir(info.absolutePath()).filePath(base);
    if (QFileInfo::exists(fileName)) {
        const QString caption = state.mainWindow ? state.mainWindow->windowTitle() : QString();
        if (!ZRWindowServices::current().confirmOverwrite(
                this, caption,
                tr("Saving the file will overwrite the original file on the disk.\nDo you "
                   "really want to continue ?")))
            fileName.clear();
    }
    QCoreApplication::processEvents();

    if (fileName.isEmpty()) {
        endRender();
        return;
    }
    m_exportFolder = QFileInfo(fileName).absolutePath();
    if ((config = appState().settings())) {
        config->setGroup(QLatin1String(kGeneralGroup));
        config->writeEntry(QLatin1String(kExportFileNameKey), m_exportFolder);
    }
    if (int64_t(m_timeline->endPosition()->toFrames()) == 0) {
        endRender();
        return;
    }
    runRender(profile, target, fileName);
}

void ZRExportView::runRender(const ExportProfile& profile, const ExportTarget& target,
                             const QString& fileName) {
    ZRAppState& state = appState();
    IZRSettings* engine = m_timeline->settings();
    int rate = 0, bits = 0, channels = 0;
    const bool hadAudio = engine->getIntTripleSetting(kAudioSettings, &rate, &bits, &channels);
    engine->setIntTripleSetting(kAudioSettings, profile.sampleRate, 16, profile.channels);

    setControlsEnabled(false);
    state.setComponentsEnabled(false, ZRAppState::AllComponents);
    const bool sliderWasBlocked = m_slider->blockSignals(true);
    {
        const QSignalBlocker block(m_transport[Play]);
        m_transport[Play]->setChecked(false);
    }
    m_transport[Play]->setEnabled(false);
    m_renderButton->setText(tr("Stop"));
    updateLastFrame();
    engine->setIntSetting(kPreviewMode, 0);
    {
        const QSignalBlocker block(this);
        slotMarkInChanged(m_slider->markIn(), m_slider);
        slotMarkOutChanged(m_slider->markOut(), m_slider);
    }
    // The engine renders the marked range only when it is in order; otherwise from the start.
    m_renderStartMs = *m_markIn <= m_markOut ? m_markIn->toMilliseconds() : 0.0;
    // The whole path, in the file system's encoding: a cut one would name another file.
    const QByteArray path = QFile::encodeName(QDir::toNativeSeparators(fileName));
    const QByteArray format = target.formatName.toLatin1();
    m_freeAtStart = 0;
    m_diskLabel->clear();
    m_diskLabel->show();
    m_diskLabel->raise();
    if (state.hub) state.hub->clearAbortRequest();
    m_sinceEvents.start();
    QCoreApplication::processEvents();
    // The preview's own thread stays idle while the render runs: it would compose frames beside
    // the export, and while it waits for the frame buffer the render holds, its paint lock drops
    // every frame the render hands the preview. A pass in progress ends first.
    m_preview->suspendThread();
    m_preview->lock();
    m_preview->unlock();

    const int result =
        m_timeline->exportProject(path.constData(), format.constData(), m_markIn, m_markOut,
                                  profile.width, profile.height, profile.fps);
    // The engine answers 0 also for a render it stopped: its file is not the whole range.
    const bool stopped = state.stopRequested.load();
    showRenderFailure(result);
    engine->setIntSetting(kPreviewMode, 1);
    m_preview->resumeThread();
    if (result == 0 && !stopped) {
        char* written = nullptr;
        if (engine->getStringSetting("Export Filename", &written) && written && *written)
            state.addBrowserFile(QLatin1String(kProducedFolder), QFile::decodeName(written), 1);
    }

    setControlsEnabled(true);
    state.setComponentsEnabled(true, ZRAppState::ModeButtons | ZRAppState::Browser |
                                         ZRAppState::MenuBar | ZRAppState::Trimmers);
    m_slider->blockSignals(sliderWasBlocked);
    m_transport[Play]->setEnabled(true);
    if (hadAudio) engine->setIntTripleSetting(kAudioSettings, rate, bits, channels);
    m_renderButton->setText(tr("Render"));
    m_diskLabel->hide();
    endRender();
}

void ZRExportView::processEventsEvery50ms() {
    if (m_sinceEvents.isValid() && m_sinceEvents.elapsed() < kEventIntervalMs) return;
    QCoreApplication::processEvents();
    m_sinceEvents.start();
}

void ZRExportView::exportProgress(IZRPos* position, bool recompressing) {
    ZRAppState& state = appState();
    // Without events a render of a slow project would freeze the page between the once-a-second
    // disk checks; they also bring the Render click and Escape that stop it.
    processEventsEvery50ms();
    if (state.hub && state.hub->abortRequested()) state.stopRequested = true;
    if (!position || !m_timeline) return;

    {
        const QSignalBlocker block(m_slider);
        m_slider->gotoPosition(fractionOf(position), this);
    }
    // Buffer 1 holds the frame the export composed (the others are the engine's work buffers).
    if (recompressing && position->frames() == 0)
        m_preview->slotDisplayIZRImage(m_timeline->imageBuffer(1));
    if (m_freeAtStart != 0 && position->frames() != 0) return;
    watchDiskSpace(position);
}

void ZRExportView::watchDiskSpace(IZRPos* position) {
    ZRAppState& state = appState();
    const std::optional<int64_t> free =
        m_freeSpace ? m_freeSpace(m_exportFolder) : std::optional<int64_t>();
    // Unknown free space (the folder went away) stops nothing, as on the capture page.
    if (!free) {
        m_diskLabel->clear();
        return;
    }
    if (*free < kMinimumFreeBytes) {
        inform(this, tr("Less than 5 MB free disk space left, aborting export progress!"));
        state.stopRequested = true;
        return;
    }
    // The events pending now, once: with a time budget a steady stream of posted events (timers,
    // frame notices) would hold the render for the whole budget every second of output.
    QCoreApplication::processEvents();
    m_sinceEvents.start();
    if (m_freeAtStart == 0) {
        m_freeAtStart = *free;
        m_diskLabel->setText(tr("Initializing ..."));
        return;
    }
    // Elapsed output time counts from the start of the rendered range, not of the timeline.
    const int64_t elapsed = int64_t((position->toMilliseconds() - m_renderStartMs) * 0.001);
    const diskwatch::Estimate estimate = diskwatch::estimate(m_freeAtStart, *free, elapsed);
    if (estimate.kind == diskwatch::Estimate::Kind::None) return;
    if (estimate.kind == diskwatch::Estimate::Kind::Empty) {
        m_diskLabel->clear();
        return;
    }
    if (estimate.tooLittle) {
        inform(this, tr("Less than 1 minute left on device, aborting export progress!"));
        state.stopRequested = true;
    }
    m_diskLabel->setText(fillNumbers(tr("Space for %dh %dmin %ds left on device"),
                                     {estimate.hours(), estimate.minutes(), estimate.seconds()}));
}
