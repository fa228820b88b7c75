// The main window as the hub: taking over the timeline, the stored options, the capture, edit
// and produce modes, the storyboard and timeline views, the relays between the views and the
// engine's events.

#include "app/ZRSBMainWindow.h"

#include "app/ZRSettingsFile.h"
#include "views/ZRWindowServices.h"
#include "browser/ZRSBBrowser.h"
#include "capture/ZRImportView.h"
#include "classes/widgets/QSBWidget.h"
#include "classes/widgets/ZRPushButton.h"
#include "common/config/QConfig.h"
#include "editor/ZREngineEvents.h"
#include "editor/ZRScopedPos.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRObjectFactory.h"
#include "engine/api/IZRPos.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"
#include "output/ZRExportView.h"
#include "views/ZRSBPSlider.h"
#include "views/ZRSBPreview.h"
#include "views/ZRSBPreviewFrame.h"
#include "views/ZRSBTrimmer.h"
#include "views/ZRStoryboard.h"
#include "views/ZRTimelineView.h"

#include <QGridLayout>
#include <QMenuBar>

#include <cmath>

void ZRSBMainWindow::setTimeline(IZRTimeline* timeline) {
    if (m_timeline || !timeline) return;
    m_timeline = timeline;
    const QSignalBlocker block(this);
    menuBar()->setEnabled(false);
    m_storyboard->setEnabled(false);
    m_positionSlider->setEnabled(false);
    m_trimmerLeft->setEnabled(false);
    m_trimmerRight->setEnabled(false);

    IZRObjectFactory* factory = timeline->factory();
    IZRSettings* engine = timeline->settings();
    m_currentPosition = factory->createPos();
    engine->setIntPairSetting("Video Dimensions", 720, 480);
    engine->setDoubleSetting("Framerate", 30.0);
    engine->setIntTripleSetting("Audio Settings", 32000, 16, 2);

    ZRAppState& state = appState();
    state.timeline = timeline;
    state.mainWindow = this;
    state.browser = m_browser;
    state.storyboard = m_storyboard;
    state.timelineView = m_timelineView;
    state.editor = m_editor.get();
    state.trimmerLeft = m_trimmerLeft;
    state.trimmerRight = m_trimmerRight;
    state.positionSlider = m_positionSlider;
    state.previewFrame = m_previewFrame;
    state.preview = m_previewFrame->preview();
    QPointer<QWidget>* transport[6] = {&state.skipBackButton,    &state.frameBackButton,
                                       &state.playButton,        &state.frameForwardButton,
                                       &state.skipForwardButton, &state.loopButton};
    for (int i = 0; i < 6; ++i)
        *transport[i] = m_transport[i];
    state.captureButton = m_modeButtons[0];
    state.editButton = m_modeButtons[1];
    state.produceButton = m_modeButtons[2];
    state.menuBar = menuBar();
    state.sharedPos = factory->createPos();
    state.useBackgroundRenderer = true;

    m_editor->setTimeline(timeline);
    m_storyboard->setEditor(m_editor.get());
    m_timelineView->setEditor(m_editor.get());
    m_previewFrame->setTimeline(timeline);
    m_previewFrame->preview()->setPositionSlider(m_positionSlider);
    m_positionSlider->setTimeline(timeline);
    m_trimmerLeft->setTimeline(timeline);
    m_trimmerRight->setTimeline(timeline);
    m_browser->setEngineOptions(timeline);
    m_producePage->setTimeline(timeline);

    if (QConfig* config = settings()) applyStoredOptions(*config);

    menuBar()->setEnabled(true);
    m_storyboard->setEnabled(true);
    message(QString(), 2000);
}

void ZRSBMainWindow::applyStoredOptions(QConfig& config) {
    using namespace settingsfile;
    ZRAppState& state = appState();
    IZRSettings* engine = m_timeline->settings();
    config.setGroup(QLatin1String(kGeneral));
    setMenuItemChecked(DeinterlaceItem, readBool(config, kSnapshotDeinterlace, false));
    const bool clipboard = readBool(config, kSnapshotToClipboard, false);
    setMenuItemChecked(ClipboardItem, clipboard);
    setMenuItemChecked(BmpFileItem, !clipboard);
    // A missing key leaves rendering on, as the flag says; the item shows it either way.
    state.useBackgroundRenderer = readBool(config, kUseBackgroundRenderer, true);
    setMenuItemChecked(BackgroundRendererItem, state.useBackgroundRenderer);
    engine->setIntSetting("Enable Background Rendering", state.useBackgroundRenderer ? 1 : 0);
    if (config.hasKey(QLatin1String(kFileSplitSize))) {
        int size = config.readNumEntry(QLatin1String(kFileSplitSize), kDefaultSplitSize);
        // A size of 0 or less cannot split a file: the "2 GB" entry takes its place.
        if (size <= 0) size = kFallbackSplitSize;
        state.splitSize = size;
        for (const SplitSize& entry : kSplitSizes)
            setMenuItemChecked(entry.menuId, false);
        setMenuItemChecked(splitMenuId(size), true);
    }
    if (!config.hasKey(QLatin1String(kFileSplitScene))) {
        state.sceneDetection = true;
        config.writeEntry(QLatin1String(kFileSplitScene), true);
    } else {
        state.sceneDetection = config.readBoolEntry(QLatin1String(kFileSplitScene), true);
    }
    setMenuItemChecked(SceneDetectionItem, state.sceneDetection);
}

void ZRSBMainWindow::setLayoutEnabled(bool on) {
    m_mainLayout->setEnabled(on);
    if (on) m_mainLayout->activate();
}

void ZRSBMainWindow::showPage(QWidget* page, QWidget* other) {
    setLayoutEnabled(false);
    m_positionSlider->hide();
    m_trimmerLeft->hide();
    m_trimmerRight->hide();
    m_previewFrame->hide();
    other->hide();
    const QPoint topLeft(m_trimmerLeft->x(), m_previewFrame->y());
    const QPoint bottomRight(m_trimmerRight->x() + m_trimmerRight->width() - 1,
                             m_positionSlider->y() + m_positionSlider->height() - 1 + 27);
    page->setFixedSize(QRect(topLeft, bottomRight).size());
    page->show();
    page->raise();
    setLayoutEnabled(true);
    m_storyboard->setEnabled(false);
    m_timelineView->setEnabled(false);
}

void ZRSBMainWindow::slotSetVeskMode(int mode) {
    switch (mode) {
    case 1:
        setLayoutEnabled(false);
        m_previewFrame->show();
        m_positionSlider->show();
        m_trimmerLeft->show();
        m_trimmerRight->show();
        m_importView->hide();
        m_producePage->hide();
        setLayoutEnabled(true);
        m_storyboard->setEnabled(true);
        m_timelineView->setEnabled(true);
        break;
    case 0:
        showPage(m_importView, m_producePage);
        break;
    case 2:
        showPage(m_producePage, m_importView);
        break;
    default:
        break;
    }
}

void ZRSBMainWindow::slotViewModeChanged(int id) {
    QWidget* show = nullptr;
    QWidget* hide = nullptr;
    QButtonGroup* group = nullptr;
    if (id == 0 && !m_storyboard->isVisible()) {
        show = m_storyboard;
        hide = m_timelineView;
        group = m_storyboard->modeGroup();
    } else if (id == 1 && !m_timelineView->isVisible()) {
        show = m_timelineView;
        hide = m_storyboard;
        group = m_timelineView->modeGroup();
    }
    if (!show) return;
    if (group && group->button(id)) {
        const QSignalBlocker block(group);
        group->button(id)->setChecked(true);
    }
    setLayoutEnabled(false);
    show->show();
    hide->hide();
    setLayoutEnabled(true);
}

void ZRSBMainWindow::updateContents(QWidget* sender) {
    if (m_timelineView->isVisible())
        m_timelineView->slotUpdateContents(sender);
    else if (m_storyboard->isVisible())
        m_storyboard->slotUpdateContents(sender);
    m_previewFrame->updateContents(sender);
    m_trimmerLeft->updateContents(sender);
    m_trimmerRight->updateContents(sender);
    m_producePage->syncMarksFromTimeline();
}

void ZRSBMainWindow::slotUpdateClip(QWidget* sender, IZRObject*) {
    if (m_timelineView->isVisible())
        m_timelineView->slotUpdateContents(sender);
    else if (m_storyboard->isVisible())
        m_storyboard->slotUpdateContents(sender);
}

void ZRSBMainWindow::gotoPosition(IZRPos* position, QWidget* sender) {
    if (m_browser->currentTab() == 1) m_browser->hideAllPreviews();
    if (m_storyboard->isVisible()) m_storyboard->gotoPosition(position, sender);
    if (m_timelineView->isVisible()) m_timelineView->slotGotoPosition(position, sender);
    {
        const QSignalBlocker block(m_previewFrame);
        m_previewFrame->gotoPosition(position, this);
    }
    if (!m_timeline || !position) return;
    const double last = m_editor->endPosition() ? m_editor->endPosition()->toFrames() - 1 : 0;
    if (last > 0) m_positionSlider->gotoPosition(position->toFrames() / last, sender);
    if (m_currentPosition) m_currentPosition->assign(position);
}

void ZRSBMainWindow::gotoPosition(double fraction, QWidget* sender) {
    if (m_browser->currentTab() == 1) m_browser->hideAllPreviews();
    if (!m_timeline) return;
    // The engine takes milliseconds unsigned: the fraction stays within the project.
    if (!(fraction >= 0.0)) fraction = 0.0;
    if (fraction > 1.0) fraction = 1.0;
    ZRScopedPos p(m_timeline->factory(), m_timeline->endPosition());
    p->decrement();
    p->setMilliseconds(unsigned(p->toMilliseconds() * fraction));
    gotoPosition(p.get(), sender);
    IZRObject* object = m_editor->clipAtPosition(p);
    if (object != m_currentObject) gotoObject(object, sender);
}

void ZRSBMainWindow::gotoObject(IZRObject* object, QWidget* sender) {
    if (!object && !sender && !m_currentObject) return;
    if (m_timeline) m_currentObject = object;
    if (object && !m_positionSlider->isEnabled()) m_positionSlider->setEnabled(true);
    m_trimmerLeft->gotoObject(object, sender);
    m_trimmerRight->gotoObject(object, sender);
}

void ZRSBMainWindow::updateObject(IZRObject* object, QWidget* sender) {
    m_trimmerLeft->updateObject(object, sender);
    m_trimmerRight->updateObject(object, sender);
}

void ZRSBMainWindow::deleteObject(IZRObject* object) {
    if (m_currentObject == object) m_currentObject = nullptr;
    m_storyboard->slotDeleteObject(object);
    m_timelineView->slotDeleteObject(object);
    m_previewFrame->deleteObject(object);
    m_trimmerLeft->deleteObject(object);
    m_trimmerRight->deleteObject(object);
}

void ZRSBMainWindow::allItemsDeleted() {
    if (m_currentPosition) m_currentPosition->setTotalFrames(0);
    m_currentObject = nullptr;
    m_storyboard->slotAllItemsDeleted();
    m_timelineView->slotAllItemsDeleted();
    m_previewFrame->deleteObject(nullptr);
    // The trimmers' frame threads may be rendering clips the editor is about to destroy.
    m_trimmerLeft->deleteObject(nullptr);
    m_trimmerRight->deleteObject(nullptr);
    m_trimmerLeft->setEnabled(false);
    m_trimmerRight->setEnabled(false);
    m_positionSlider->setEnabled(false);
}

void ZRSBMainWindow::pvStateChanged() {
    switch (m_previewFrame->preview()->playState()) {
    case ZRSBPreview::Playing:
        m_trimmerLeft->suspendThread();
        m_trimmerRight->suspendThread();
        m_storyboard->setEnabled(false);
        break;
    case ZRSBPreview::Stopped: {
        m_storyboard->setEnabled(true);
        m_positionSlider->setEnabled(true);
        const QSignalBlocker block(m_transport[ZRTransportButtons::Play]);
        m_transport[ZRTransportButtons::Play]->setChecked(false);
        m_trimmerLeft->resumeThread();
        m_trimmerRight->resumeThread();
        break;
    }
    case ZRSBPreview::Paused:
        m_storyboard->setEnabled(true);
        m_trimmerLeft->resumeThread();
        m_trimmerRight->resumeThread();
        break;
    default:
        break;
    }
}

void ZRSBMainWindow::slotAddCapturedFile(const QString&) {}

void ZRSBMainWindow::draggingMode(bool) {}

void ZRSBMainWindow::customEvent(QEvent* e) {
    ZRAppState& state = appState();
    if (e->type() == ZRRendererHaltedEvent::kType) {
        if (m_timeline) m_timeline->settings()->setIntSetting("Enable Background Rendering", 0);
        setMenuItemChecked(BackgroundRendererItem, false);
        if (QConfig* config = settings()) {
            config->setGroup(QLatin1String(settingsfile::kGeneral));
            config->writeEntry(QLatin1String(settingsfile::kUseBackgroundRenderer), false);
        }
        // The flag follows the menu: the next New or Open must not start the renderer again.
        state.useBackgroundRenderer = false;
        ZRWindowServices::current().warning(this, tr("Background renderer"),
                                            tr("Insufficient disk space. Background renderer "
                                               "halted."));
    } else if (e->type() == ZRLoadFailedEvent::kType) {
        if (state.clipLoadWarnings++ == 0)
            ZRWindowServices::current().warning(
                this, tr("Loading project"),
                tr("One or more clips could not be loaded. Maybe they have\nbeen deleted or "
                   "removed from their original position.\nBlank clips will be inserted into the "
                   "project"));
    }
    QMainWindow::customEvent(e);
}
