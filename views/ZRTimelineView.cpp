#include "views/ZRTimelineView.h"

#include "classes/skins/ZRSkinPreload.h"
#include "classes/text/ZRTextImage.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRScrollBar.h"
#include "editor/ZRAppState.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRTimelineTrack.h"

#include <QEvent>
#include <QTimer>

#include <algorithm>

namespace {

PSDLayerSet* skinSet(const char* file, const char* set) {
    QDict<PSDLayerSet>* sets = preloadedSkinSets(file);
    return sets ? sets->find(QString::fromLatin1(set)) : nullptr;
}

QDict<PSDLayer>* skinLayers(const char* file, const char* set) {
    PSDLayerSet* found = skinSet(file, set);
    return found ? &found->layers : nullptr;
}

} // namespace

ZRTimelineView::ZRTimelineView(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : QSBWidget(parent, name, flags),
      m_rulerFont(QStringLiteral("ZR Sans Serif"), 10, QFont::Normal) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    setMouseTracking(true);

    m_baseLeft.setSkin(skinLayers("storyboard_base", "left_part"));
    m_baseRight.setSkin(skinLayers("storyboard_base", "right_part"));
    m_frameLeft.setSkin(skinLayers("storyboard_frame", "left_part"));
    m_frameRight.setSkin(skinLayers("storyboard_frame", "right_part"));
    m_toolboxFrame.setSkin(skinLayers("toolbox_buttons", "toolbox_frame"));

    auto button = [this](const char* file, const char* set, const QString& tip, bool toggle) {
        auto* b = new ZRPushButton(this, skinLayers(file, set), false);
        if (!tip.isEmpty()) b->setToolTip(tip);
        b->setCheckable(toggle);
        // Losing the focus clears the selections, so the buttons must not take it.
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    m_arrowButton = button("toolbox_buttons", "arrow", tr("Select"), true);
    m_zoomButton = button("toolbox_buttons", "zoom", tr("Zoom In/Out"), true);
    m_knifeButton = button("toolbox_buttons", "knife", tr("Split"), true);
    m_snapshotButton = button("toolbox_buttons", "snapshot", tr("Snapshot"), false);
    m_markerButton = button("toolbox_buttons", "marker", QString(), true);
    m_deleteButton = button("toolbox_buttons", "hand", tr("Delete"), false);
    m_storyboardButton = button("storyboard_button", "storyboard", tr("Storyboard"), true);
    m_timelineButton = button("timeline_button", "timeline", tr("Timeline"), true);
    m_markerButton->setEnabled(false);
    m_toolGroup.setExclusive(true);
    m_toolGroup.addButton(m_arrowButton, 0);
    m_toolGroup.addButton(m_zoomButton, 1);
    m_toolGroup.addButton(m_knifeButton, 2);
    m_toolGroup.addButton(m_markerButton, 4);
    m_arrowButton->setChecked(true);
    m_modeGroup.setExclusive(true);
    m_modeGroup.addButton(m_storyboardButton, 0);
    m_modeGroup.addButton(m_timelineButton, 1);
    m_storyboardButton->setChecked(true);

    m_modeLabel = std::make_unique<ZRTextImage>(tr("MODE"), QColor::fromRgb(kTextColour),
                                                QStringLiteral("arial.ttf"), 8, 0.0f);
    applySkin("timeline_boxes", "timeline_cursor");
    m_headerRect = QRect(0, 0, m_headerWidth + 1, 24);
    m_lowerLeftRect = QRect(0, 0, 100, 12);
    m_upperBox1Rect = QRect(0, 0, 24, 24);
    m_upperBox2Rect = QRect(0, 0, 24, 24);

    QDict<PSDLayerSet>* barSkin = preloadedSkinSets("small_scrollbar");
    m_hScrollBar = new ZRScrollBar(Qt::Horizontal, this, barSkin);
    m_vScrollBar = new ZRScrollBar(Qt::Vertical, this, barSkin);
    for (ZRScrollBar* bar : {m_hScrollBar, m_vScrollBar}) {
        if (QCursor* c = skinCursor(0)) bar->setCursor(*c);
        bar->setFocusPolicy(Qt::NoFocus);
    }
    m_vScrollBar->setMinimum(0);
    m_vScrollBar->setSingleStep(10);
    setMinimumSize(m_hScrollBar->sizeHint().width() + m_headerWidth + 308,
                   std::max(189, m_vScrollBar->sizeHint().height() + 80));

    m_bgRenderTimer = new QTimer(this);
    m_bgRenderTimer->setSingleShot(true);
    m_bgRenderTimer->setInterval(1000);
    m_hScrollTimer = new QTimer(this);
    connect(m_deleteButton, &QPushButton::clicked, this, &ZRTimelineView::slotRemoveSelection);
    connect(m_bgRenderTimer, &QTimer::timeout, this, &ZRTimelineView::slotBGRenderer);
    connect(m_hScrollTimer, &QTimer::timeout, this, &ZRTimelineView::slotHScrollDelayTimeout);
    connect(m_snapshotButton, &QPushButton::clicked, this, &ZRTimelineView::slotSnapshot);
    connect(m_hScrollBar, &QScrollBar::valueChanged, this, &ZRTimelineView::slotHorzSliderMoved);
    connect(m_vScrollBar, &QScrollBar::valueChanged, this, &ZRTimelineView::slotVertSliderMoved);
    connect(&m_toolGroup, &QButtonGroup::idClicked, this, &ZRTimelineView::toolSelected);
}

ZRTimelineView::~ZRTimelineView() {
    m_tracks.clear();
    destroyPositions();
}

void ZRTimelineView::destroyPositions() {
    if (!m_timeline) return;
    IZRObjectFactory* factory = m_timeline->factory();
    for (IZRPos** p : {&m_splitPosition, &m_cursorPosition, &m_visibleStart, &m_visibleEnd}) {
        if (*p) factory->destroyPos(*p);
        *p = nullptr;
    }
}

int ZRTimelineView::horizontalValue() const {
    return m_hScrollBar ? m_hScrollBar->value() : 0;
}

qint64 ZRTimelineView::contentOrigin() const {
    return qint64(horizontalValue()) * m_scale.pixelsPerUnit();
}

ZRTimelineTrack* ZRTimelineView::trackAt(int index) const {
    return index >= 0 && index < trackCount() ? m_tracks[size_t(index)].get() : nullptr;
}

ZRPushButton* ZRTimelineView::toolButton(int id) const {
    return static_cast<ZRPushButton*>(m_toolGroup.button(id));
}

int ZRTimelineView::indexOfTrackId(int id) const {
    for (int i = 0; i < trackCount(); ++i)
        if (m_tracks[size_t(i)]->trackId() == id) return i;
    return -1;
}

void ZRTimelineView::setHeaderWidth(int width) {
    if (width <= 0 || width >= m_trackRegion.width()) return;
    m_headerWidth = width;
    layoutTracks();
    repaintTrackRegion(m_trackRegion);
}

bool ZRTimelineView::insertTrack(ZRTimelineTrack* track, int index) {
    if (!track || index > trackCount()) return false;
    if (index < 0) index = trackCount();
    m_tracks.insert(m_tracks.begin() + index, std::unique_ptr<ZRTimelineTrack>(track));
    track->setView(this, index);
    if (m_editor) track->setEditor(m_editor);
    layoutTracks();
    update(m_trackRegion);
    return true;
}

bool ZRTimelineView::removeTrack(ZRTimelineTrack* track) {
    for (auto it = m_tracks.begin(); it != m_tracks.end(); ++it) {
        if (it->get() != track) continue;
        (void)it->release();
        m_tracks.erase(it);
        if (m_hoveredTrack == track) m_hoveredTrack = nullptr;
        if (m_dragTrack == track) m_dragTrack = nullptr;
        m_stateTracks.removeAll(track);
        return true;
    }
    return false;
}

bool ZRTimelineView::removeTrackAt(int index) {
    if (m_tracks.empty() || index >= trackCount()) return false;
    ZRTimelineTrack* track = takeTrack(index);
    delete track;
    return true;
}

ZRTimelineTrack* ZRTimelineView::takeTrack(int index) {
    if (m_tracks.empty() || index >= trackCount()) return nullptr;
    if (index < 0) index = 0;
    ZRTimelineTrack* track = m_tracks[size_t(index)].get();
    removeTrack(track);
    track->setView(nullptr, 0);
    return track;
}

void ZRTimelineView::setEditor(ZRVeskEditor* editor) {
    if (!editor) return;
    m_editor = editor;
    editor->setSmallThumbSize(QSize(51, 38));
    destroyPositions();
    m_timeline = editor->timeline();
    double rate = ZRTimelineScale::kDefaultRate;
    if (m_timeline && m_timeline->settings()->getDoubleSetting("Framerate", &rate))
        m_scale.setFramerate(rate);
    recomputeScale();
    for (auto& track : m_tracks)
        track->setEditor(editor);
    if (m_timeline) {
        IZRObjectFactory* factory = m_timeline->factory();
        for (IZRPos** p : {&m_splitPosition, &m_cursorPosition, &m_visibleStart, &m_visibleEnd}) {
            *p = factory->createPos();
            setPosFrames(*p, 0);
        }
    }
    const QSignalBlocker block(m_hScrollBar);
    m_hScrollBar->setValue(0);
    m_hScrollBar->setMinimum(0);
    m_hScrollBar->setSingleStep(1);
    updateHorizontalRange();
}

void ZRTimelineView::recomputeScale() {
    if (m_timeArea.width() > 0)
        m_hScrollBar->setPageStep(m_timeArea.width() / m_scale.pixelsPerUnit());
}

void ZRTimelineView::setPosFrames(IZRPos* pos, qint64 frames) const {
    if (!pos) return;
    pos->set(0, 0, 0, 0, m_scale.framerate());
    pos->addFrames(int(std::clamp<qint64>(frames, 0, INT32_MAX)));
}

void ZRTimelineView::notifyContentsChanged() {
    const bool emptyNow = !m_editor || m_editor->objectCount() == 0;
    if (emptyNow != m_projectEmpty) {
        m_projectEmpty = emptyNow;
        ZRAppState::Hub* hub = appState().hub;
        if (hub && hub->currentPosition()) {
            const QSignalBlocker block(this);
            setCursorPosition(hub->currentPosition(), isVisible());
        }
    }
    Q_EMIT contentsChanged(this);
}

QSize ZRTimelineView::sizeHint() const {
    return QSize(-1, maximumHeight());
}

void ZRTimelineView::resizeEvent(QResizeEvent* e) {
    QSBWidget::resizeEvent(e);
    const int w = width(), h = height();
    m_baseLeft.setGeometry(0, 0, 206, h);
    m_frameLeft.setGeometry(0, 0, 206, h);
    m_baseRight.setGeometry(206, 10, w - 206, h - 20);
    m_frameRight.setGeometry(206, 10, w - 206, h - 20);
    m_toolboxFrame.setGeometry(19, 24, 72, 104);
    const int x0 = 19, y0 = 24;
    m_arrowButton->move(x0 + 8, y0 + 8);
    m_zoomButton->move(x0 + 39, y0 + 8);
    m_knifeButton->move(x0 + 8, y0 + 39);
    m_snapshotButton->move(x0 + 39, y0 + 39);
    m_markerButton->move(x0 + 8, y0 + 70);
    m_deleteButton->move(x0 + 39, y0 + 70);
    m_storyboardButton->move(21, 151);
    m_timelineButton->move(m_storyboardButton->geometry().right() + 1 + 12, 151);

    m_trackArea.setRight(w - 13);
    m_trackArea.setBottom(h - 23);
    layoutTracks();
    m_frameBoxes[0].setGeometry(m_headerRect);
    m_frameBoxes[1].setGeometry(m_upperBox1Rect);
    m_frameBoxes[2].setGeometry(m_upperBox2Rect);
    m_frameBoxes[3].setGeometry(m_lowerLeftRect);
    m_frameBoxes[4].setGeometry(m_tcBoxRect);

    m_hScrollBar->setGeometry(QRect(QPoint(m_upperBox2Rect.right() + 1, m_trackArea.bottom() - 10),
                                    QPoint(m_trackArea.right() - 13, m_trackArea.bottom() - 1)));
    m_vScrollBar->setGeometry(QRect(QPoint(m_trackArea.right() - 10, m_upperBox2Rect.bottom() + 1),
                                    QPoint(m_trackArea.right() - 1, m_trackArea.bottom() - 13)));
    m_timeArea =
        QRect(QPoint(m_upperBox2Rect.right() + 1, m_trackArea.top()), m_trackRegion.bottomRight());
    m_rulerRect = QRect(m_timeArea.topLeft(), QPoint(m_timeArea.right(), m_trackRegion.top() - 1));
    m_vScrollBar->setPageStep(m_timeArea.height());
    recomputeScale();

    if (m_cursorRect.top() == 0)
        m_cursorRect.moveTo(m_timeArea.left() - m_cursorHotX, m_timeArea.top() + 10);
    if (!(m_cursorRect.isEmpty() && m_cursorImage.height() == m_cursorRect.height()))
        buildCursorImage();
    if (m_timeline) updateVisibleRange();
}

void ZRTimelineView::layoutTracks() {
    m_headerRect.setWidth(m_headerWidth + 1);
    m_headerRect.moveTopLeft(m_trackArea.topLeft());
    m_lowerLeftRect.moveBottomLeft(m_trackArea.bottomLeft());
    const int seWidth = m_seCorner ? m_seCorner->width() : 0;
    m_lowerLeftRect.setRight((width() - 1) - seWidth - 12);
    m_trackRegion = QRect(QPoint(m_headerRect.left(), m_headerRect.bottom() + 1),
                          QPoint(m_lowerLeftRect.right(), m_lowerLeftRect.top() - 1));
    m_upperBox1Rect.moveTopLeft(QPoint(m_headerRect.right() + 1, m_headerRect.top()));
    m_upperBox2Rect.moveTopLeft(QPoint(m_upperBox1Rect.right() + 1, m_headerRect.top()));
    m_tcBoxRect = QRect(QPoint(m_upperBox2Rect.right() + 1, m_upperBox2Rect.top()),
                        QPoint(m_trackArea.right(), m_upperBox2Rect.bottom()));
    m_headerColumnWidth = m_headerRect.right() - m_headerRect.left();
    m_controlColumnEnd = m_upperBox2Rect.right() - m_headerRect.left();

    int y = m_headerRect.bottom() + 1;
    int total = 0;
    for (auto& track : m_tracks) {
        track->setColumnWidths(m_headerColumnWidth, m_controlColumnEnd);
        const int h = track->sizeHint().height();
        track->setGeometry(QRect(m_headerRect.left(), y, m_trackArea.width(), std::max(h, 0)));
        const int grown = h < 0 ? 15 : h;
        y += grown;
        total += grown;
    }
    m_firstVisibleTrack = m_lastVisibleTrack = -1;
    for (int i = 0; i < trackCount(); ++i) {
        if (!movedTrackRect(m_tracks[size_t(i)].get()).intersects(m_trackRegion)) continue;
        if (m_firstVisibleTrack < 0) m_firstVisibleTrack = i;
        m_lastVisibleTrack = i;
    }
    setMaximumHeight(36 + total + 43);
    const int range = std::max(0, total - m_trackRegion.height() - 1);
    const QSignalBlocker block(m_vScrollBar);
    m_vScrollBar->setRange(0, range);
    m_vScrollBar->setSingleStep(10);
    m_vScrollBar->setPageStep(std::max(0, range - 15));
    m_vScrollValue = m_vScrollBar->value();
}

QRect ZRTimelineView::movedTrackRect(const ZRTimelineTrack* track) const {
    return track->trackRect().translated(0, -m_vScrollValue);
}

void ZRTimelineView::updateVisibleTracks() {
    m_firstVisibleTrack = m_lastVisibleTrack = -1;
    for (int i = 0; i < trackCount(); ++i) {
        const bool visible = movedTrackRect(m_tracks[size_t(i)].get()).intersects(m_trackRegion);
        if (!visible) {
            if (m_firstVisibleTrack >= 0) break;
            continue;
        }
        if (m_firstVisibleTrack < 0) m_firstVisibleTrack = i;
        m_lastVisibleTrack = i;
    }
}

void ZRTimelineView::updateHorizontalRange() {
    if (!m_timeline || !m_editor) return;
    int maximum = 0;
    if (m_editor->objectCount() > 0) {
        IZRPos* end = m_editor->endPosition();
        const qint64 units = end ? m_scale.unitOfFrames(end->toFrames()) : 0;
        maximum = int(std::min<qint64>(units, INT32_MAX));
    }
    {
        const QSignalBlocker block(m_hScrollBar);
        m_hScrollBar->setMaximum(maximum);
    }
    updateVisibleRange();
}

void ZRTimelineView::slotHorzSliderMoved(int) {
    if (m_timeline) updateVisibleRange();
    repaintTimeArea();
}

void ZRTimelineView::slotVertSliderMoved(int value) {
    m_vScrollValue = value;
    updateVisibleTracks();
    repaintTrackRegion(m_trackRegion);
}

void ZRTimelineView::slotUpdateContents(QWidget* sender) {
    if (sender == this) return;
    updateVisibleRange();
    repaintTimeArea();
}

void ZRTimelineView::slotNewProject() {
    m_projectEmpty = true;
    setPosFrames(m_cursorPosition, 0);
    m_arrowButton->setChecked(true);
    toolSelected(0);
    for (auto& track : m_tracks)
        track->newProject(false);
    update();
}

void ZRTimelineView::slotAllItemsDeleted() {
    updateVisibleRange();
    m_splitObject = nullptr;
    clearTrackStates();
    for (auto& track : m_tracks)
        track->allItemsDeleted();
}

void ZRTimelineView::slotDeleteObject(IZRObject* object) {
    if (object && (object == m_firstVisibleObject || object == m_lastVisibleObject)) {
        m_firstVisibleObject = m_lastVisibleObject = nullptr;
        updateVisibleRange();
    }
    if (m_splitObject == object) m_splitObject = nullptr;
    for (auto& track : m_tracks)
        track->forgetObject(object);
}

void ZRTimelineView::setVisible(bool visible) {
    if (!visible) {
        QSBWidget::setVisible(false);
        m_bgRenderTimer->stop();
        return;
    }
    QSBWidget::setVisible(true);
    setFocus();
    updateHorizontalRange();
    ZRAppState::Hub* hub = appState().hub;
    if (!hub || !hub->currentObject()) {
        m_projectEmpty = true;
    } else {
        m_projectEmpty = false;
        if (hub->currentPosition()) {
            const QSignalBlocker block(this);
            setCursorPosition(hub->currentPosition(), isVisible());
        }
    }
}

bool ZRTimelineView::event(QEvent* e) {
    const bool handled = QSBWidget::event(e);
    if (e->type() == QEvent::Move) update();
    return handled;
}

void ZRTimelineView::changeEvent(QEvent* e) {
    QSBWidget::changeEvent(e);
    if (e->type() == QEvent::EnabledChange) {
        ZRAppState::Hub* hub = appState().hub;
        if (isEnabled() && !m_projectEmpty && hub && hub->currentPosition())
            slotGotoPosition(hub->currentPosition(), nullptr);
    } else if (e->type() == QEvent::ActivationChange) {
        if (!isActiveWindow() && m_hoveredTrack) {
            QEvent leave(QEvent::Leave);
            m_hoveredTrack->leaveEvent(&leave);
            m_hoveredTrack = nullptr;
        }
    }
}
