// The File menu's project commands, the caption, the save-changes prompt, the keys, showing the
// window and closing it.

#include "app/ZRSBMainWindow.h"

#include "app/ZRSettingsFile.h"
#include "app/ZRVeskSplash.h"
#include "views/ZRWindowServices.h"
#include "browser/ZRSBBrowser.h"
#include "classes/widgets/ZRPushButton.h"
#include "common/config/QConfig.h"
#include "editor/ZRScopedPos.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRObjectFactory.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"
#include "output/ZRExportView.h"
#include "output/ZRProfileDialog.h"
#include "views/ZRSBPSlider.h"
#include "views/ZRSBPreview.h"
#include "views/ZRSBPreviewFrame.h"
#include "views/ZRSBTrimmer.h"
#include "views/ZRSBVideoView.h"
#include "views/ZRStoryboard.h"
#include "views/ZRTimelineView.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QStandardPaths>

#include <array>
#include <mutex>

using namespace settingsfile;

namespace {

QString projectFilter() {
    return ZRSBMainWindow::tr("Project File (*.zrs)") + QLatin1String(";;") +
           ZRSBMainWindow::tr("All Files (*.*)");
}

void setBackgroundRendering(IZRTimeline* timeline, bool on) {
    if (timeline) timeline->settings()->setIntSetting("Enable Background Rendering", on ? 1 : 0);
}

} // namespace

QString ZRSBMainWindow::projectStartPath() const {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return (documents.isEmpty() ? QDir::homePath() : documents) + QStringLiteral("/My Projects");
}

QString ZRSBMainWindow::normalisedName(const QString& path, const QString& extension) {
    const QFileInfo info(path);
    return QFileInfo(info.absolutePath() + QLatin1Char('/') + info.baseName() + QLatin1Char('.') +
                     extension)
        .absoluteFilePath();
}

QString ZRSBMainWindow::confirmedName(const QString& path) {
    if (!QFileInfo::exists(path)) return path;
    const bool overwrite = ZRWindowServices::current().confirmOverwrite(
        this, windowTitle(),
        tr("Saving the file will overwrite the original file on the disk.\nDo you really want "
           "to continue ?"));
    return overwrite ? path : QString();
}

bool ZRSBMainWindow::writeProject(const QString& path) {
    if (m_editor->saveProject(path)) return true;
    ZRWindowServices::current().warning(this, tr("Save Project"),
                                        tr("The project could not be saved to:") +
                                            QLatin1Char('\n') + QDir::toNativeSeparators(path));
    return false;
}

void ZRSBMainWindow::slotUpdateCaption() {
    QString caption = windowTitle();
    static const QRegularExpression bracketed(QStringLiteral("\\[.*\\]"));
    const QRegularExpressionMatch match = bracketed.match(caption);
    if (match.hasMatch())
        caption.replace(match.capturedStart(), match.capturedLength(),
                        QLatin1Char('[') + m_projectName + QLatin1Char(']'));
    setWindowTitle(caption);
}

namespace {

// Titles, music and effects tracks count as much as the clip chain: a project whose clips are
// all gone may still hold edits worth saving.
bool holdsAnyObject(IZRTimeline* timeline) {
    if (!timeline) return false;
    for (const bool video : {true, false}) {
        for (int track = 1; track <= 100; ++track) {
            ZRGuardedList* list = timeline->track(track, video);
            if (!list) continue;
            std::lock_guard listLock(*list);
            if (list->count() > 0) return true;
        }
    }
    return false;
}

} // namespace

bool ZRSBMainWindow::maybeSave() {
    if (!appState().modified || !holdsAnyObject(m_timeline)) return false;
    const QString text = tr("Save the latest changes for") + QLatin1String(" [") +
                         QFileInfo(m_projectName).fileName() + QLatin1String("] ?");
    switch (ZRWindowServices::current().askSaveChanges(this, QStringLiteral("Clipstead 5"), text)) {
    case ZRWindowServices::SaveAnswer::Cancel:
        return true;
    case ZRWindowServices::SaveAnswer::DontSave:
        return false;
    case ZRWindowServices::SaveAnswer::Save:
        return !slotSaveProject();
    }
    return true;
}

void ZRSBMainWindow::setUntitled() {
    setMenuItemEnabled(SaveItem, false);
    setMenuItemEnabled(SaveAsItem, false);
    m_titled = false;
    m_projectName = tr("Untitled");
    slotUpdateCaption();
}

void ZRSBMainWindow::slotNewProject() {
    if (!m_timeline || maybeSave()) return;
    ZRAppState& state = appState();
    QConfig* config = settings();
    int format = kDefaultProfileFormat;
    bool standard = true;
    if (config) {
        config->setGroup(QLatin1String(kGeneral));
        format = readInt(*config, kProfileDialogFormat, kDefaultProfileFormat);
        standard = readBool(*config, kProfileDialogStandard, true);
    }
    // A hand-edited format off the dialog's list reads as the default.
    if (format < 0 || format > 4) format = kDefaultProfileFormat;
    {
        std::lock_guard lock(state.lock);
        state.formatIndex = format;
        state.ntsc = standard;
    }
    ZRProfileDialog dialog(this, "zrprofiledialog");
    dialog.slotSetProfile(format);
    dialog.slotSetStandard(standard ? 1 : 0);
    setBackgroundRendering(m_timeline, false);
    // The window paints before the dialog opens. Timers wait for the dialog's own loop: a large
    // media folder lists itself a slice per timer turn, and those slices would all run first.
    QCoreApplication::processEvents(QEventLoop::X11ExcludeTimers, 500);
    const int result = ZRWindowServices::current().runProfileDialog(dialog);
    QCoreApplication::processEvents();
    if (result == 1 && m_timeline) {
        if (m_browser->currentTab() == 1) m_browser->hideAllPreviews();
        m_modeButtons[1]->setChecked(true);
        slotSetVeskMode(1);
        {
            // The format changes with the frame views' passes held off and the state locked: no
            // render pass runs (nor reads the engine's positions) meanwhile. The views' paint
            // locks are taken in this order (and released in reverse), before any engine lock, as
            // the views' own threads take them.
            using PaintLock = std::unique_lock<ZRSBVideoView>;
            const std::array<PaintLock, 5> views{PaintLock(*m_previewFrame->preview()),
                                                 PaintLock(*m_trimmerLeft->currentView()),
                                                 PaintLock(*m_trimmerLeft->neighbourView()),
                                                 PaintLock(*m_trimmerRight->currentView()),
                                                 PaintLock(*m_trimmerRight->neighbourView())};
            {
                std::lock_guard lock(state.lock);
                state.formatIndex = dialog.profile();
                state.ntsc = dialog.standard() == 1;
                state.frameWidth = dialog.frameWidth();
                state.frameHeight = dialog.frameHeight();
                state.frameRate = dialog.frameRate();
            }
            if (config) {
                config->setGroup(QLatin1String(kGeneral));
                config->writeEntry(QLatin1String(kProfileDialogFormat), dialog.profile());
                config->writeEntry(QLatin1String(kProfileDialogStandard), dialog.standard() == 1);
            }
            IZRSettings* format = m_timeline->settings();
            format->setIntPairSetting("Video Dimensions", dialog.frameWidth(),
                                      dialog.frameHeight());
            format->setDoubleSetting("Framerate", dialog.frameRate());
            format->setIntTripleSetting("Audio Settings", dialog.sampleRate(), 16, 2);
        }
        IZRSettings* engine = m_timeline->settings();
        engine->setIntSetting("Force Background Rendering Video Format", dialog.profile() == 0);
        m_producePage->selectChosenProfile();
        engine->setIntSetting("Preview Mode", 1);

        m_timelineView->slotNewProject();
        m_storyboard->slotNewProject();
        m_previewFrame->preview()->update();
        m_browser->slotNewProject();
        setUntitled();
        m_editor->newProject();
        allItemsDeleted();
        updateContents(this);
        m_positionSlider->gotoPosition(0.0, this);
        state.setModified(false);
    }
    if (state.useBackgroundRenderer) setBackgroundRendering(m_timeline, true);
}

void ZRSBMainWindow::projectOpened(const QString& path) {
    m_projectName = QFileInfo(path).absoluteFilePath();
    slotUpdateCaption();
    m_titled = true;
    setMenuItemEnabled(SaveItem, true);
    setMenuItemEnabled(SaveAsItem, true);
    updateContents(this);
    m_storyboard->updateLayout();
    gotoObject(m_editor->firstObject(), this);
    {
        ZRScopedPos start(m_timeline->factory());
        gotoPosition(start.get(), this);
    }
    appState().setModified(true);
    message(tr("Done."), 2000);
}

void ZRSBMainWindow::slotOpenProject() {
    if (maybeSave() || !m_timeline) return;
    const QString name = ZRWindowServices::current().fileName(this, true, tr("Open Project..."),
                                                              projectStartPath(), projectFilter());
    if (name.isEmpty()) return;
    if (QConfig* config = settings())
        config->writeEntry(QLatin1String(kOpenProjectFolder),
                           QDir::toNativeSeparators(QFileInfo(name).absoluteFilePath()));
    QCoreApplication::processEvents();
    setBackgroundRendering(m_timeline, false);
    message(tr("Loading project '") + name + QLatin1String("' ..."), 2000);
    if (!m_editor->loadProject(name)) {
        message(tr("Error while loading project."), 2000);
        m_currentObject = nullptr;
        m_editor->newProject();
        updateContents(this);
        // The project was emptied: a later Save must not write it over the file that was open.
        setUntitled();
        appState().setModified(false);
    } else {
        m_modeButtons[1]->setChecked(true);
        slotSetVeskMode(1);
        m_timelineView->slotNewProject();
        projectOpened(name);
    }
    if (appState().useBackgroundRenderer) setBackgroundRendering(m_timeline, true);
}

bool ZRSBMainWindow::slotSaveProject() {
    if (!m_timeline) return false;
    QString name = m_projectName;
    if (!m_titled) {
        const QString start =
            projectStartPath() + QLatin1Char('/') + QFileInfo(m_projectName).fileName();
        name = ZRWindowServices::current().fileName(this, false, tr("Save As..."), start,
                                                    projectFilter());
        if (name.isEmpty()) return false;
        if (QConfig* config = settings())
            config->writeEntry(QLatin1String(kSaveProjectFolder),
                               QDir::toNativeSeparators(QFileInfo(name).absoluteFilePath()));
        name = confirmedName(normalisedName(name, QStringLiteral("zrs")));
        if (name.isEmpty()) return false;
    } else {
        name = normalisedName(name, QStringLiteral("zrs"));
    }
    if (!writeProject(name)) return false;
    m_projectName = name;
    slotUpdateCaption();
    m_titled = true;
    appState().setModified(false);
    return true;
}

void ZRSBMainWindow::slotSaveProjectAs() {
    if (!m_timeline) return;
    const QString start =
        projectStartPath() + QLatin1Char('/') + QFileInfo(m_projectName).fileName();
    const QString chosen =
        ZRWindowServices::current().fileName(this, false, tr("Save As..."), start, projectFilter());
    if (chosen.isEmpty()) return;
    const QString name = confirmedName(normalisedName(chosen, QStringLiteral("zrs")));
    if (name.isEmpty()) return;
    if (QConfig* config = settings())
        config->writeEntry(QLatin1String(kSaveProjectFolder),
                           QDir::toNativeSeparators(QFileInfo(chosen).absolutePath()));
    if (!writeProject(name)) return;
    m_projectName = name;
    slotUpdateCaption();
    appState().setModified(true);
}

void ZRSBMainWindow::show() {
    delete ZRVeskSplash::current();
    QMainWindow::show();
    draggingMode(false);
    if (m_startupProject.isEmpty()) {
        slotNewProject();
        return;
    }
    message(tr("Loading project '") + m_startupProject + QLatin1String("' ..."), 2000);
    if (!m_timeline || !m_editor->loadProject(m_startupProject)) {
        message(tr("An error occured during load process..."), 2000);
        updateContents(this);
        return;
    }
    projectOpened(m_startupProject);
}

void ZRSBMainWindow::keyPressEvent(QKeyEvent* e) {
    // A focused storyboard has seen the key first: it reaches the window only when unhandled.
    switch (e->key()) {
    case Qt::Key_Plus:
        if (m_timelineView->isVisible()) m_timelineView->slotZoomIn();
        break;
    case Qt::Key_Minus:
        if (m_timelineView->isVisible()) m_timelineView->slotZoomOut();
        break;
    case Qt::Key_Escape:
        if (appState().exportRunning.load() &&
            ZRWindowServices::current().confirmAbort(this, tr("Exporting"),
                                                     tr("Do you want to abort export?")))
            m_abortRequested = true;
        break;
    default:
        QMainWindow::keyPressEvent(e);
        break;
    }
}

void ZRSBMainWindow::keyReleaseEvent(QKeyEvent* e) {
    QMainWindow::keyReleaseEvent(e);
}

void ZRSBMainWindow::closeEvent(QCloseEvent* e) {
    ZRAppState& state = appState();
    if (state.previewPlaying.load() || maybeSave()) {
        e->ignore();
        return;
    }
    if (state.exportRunning.load()) state.stopRequested = true;
    setBackgroundRendering(m_timeline, false);
    e->accept();
}
