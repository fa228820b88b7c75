#include "views/ZRStoryboard.h"

#include "classes/skins/PSDImage.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/text/ZRTextImage.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRScrollBar.h"
#include "editor/ZRAppState.h"
#include "editor/ZRScopedPos.h"
#include "editor/ZRUserData.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"
#include "engine/api/ZRGuardedList.h"
#include "views/ZRTimecodeOverlay.h"

#include <QButtonGroup>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>
#include <mutex>

namespace {

constexpr int kFixedHeight = 189;
constexpr int kMinimumWidth = 260;
constexpr int kTimecodeTrack = 5;
constexpr int kTimecodeMenuItem = 8100;

ZRAppState::Hub* hub() {
    return appState().hub;
}

struct ToolSpec {
    const char* set;
    const char* tip;
    bool toggle;
    bool enabled;
};

// Only the select tool, the snapshot and the delete button act on the storyboard.
const ToolSpec kTools[6] = {
    {"arrow", QT_TRANSLATE_NOOP("ZRStoryboard", "Select"), true, true},
    {"zoom", QT_TRANSLATE_NOOP("ZRStoryboard", "Zoom In/Out"), true, false},
    {"knife", QT_TRANSLATE_NOOP("ZRStoryboard", "Split"), true, false},
    {"snapshot", QT_TRANSLATE_NOOP("ZRStoryboard", "Snapshot"), false, true},
    {"marker", nullptr, true, false},
    {"hand", QT_TRANSLATE_NOOP("ZRStoryboard", "Delete"), false, true},
};
enum ToolIndex { ArrowTool, ZoomTool, KnifeTool, SnapshotTool, MarkerTool, HandTool };

} // namespace

ZRStoryboard::ZRStoryboard(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : QSBWidget(parent, name, flags) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_overlay = std::make_unique<ZRTimecodeOverlay>();
    buildChildren();
    loadImages();
    setFixedHeight(kFixedHeight);
    setMinimumWidth(kMinimumWidth);
    setAcceptDrops(true);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    m_cursorRect = m_geometry.cursorRect(0, 0.0);
    m_widgetSize = size();
    updateLayout();

    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setSingleShot(true);
    connect(m_tools[HandTool], &QPushButton::clicked, this, &ZRStoryboard::slotRemoveSelection);
    connect(m_refreshTimer, &QTimer::timeout, this, &ZRStoryboard::slotBGRenderer);
    connect(m_tools[SnapshotTool], &QPushButton::clicked, this, &ZRStoryboard::slotSnapshot);
    connect(m_scrollBar, &QScrollBar::valueChanged, this, &ZRStoryboard::hScrollbarChanged);
    connect(m_toolGroup, &QButtonGroup::idClicked, this, &ZRStoryboard::toolSelected);
}

ZRStoryboard::~ZRStoryboard() {
    // The overlay's renderer goes first, under its lock: render threads may still ask for
    // overlay frames.
    m_overlay.reset();
}

void ZRStoryboard::buildChildren() {
    m_scrollBar =
        new ZRScrollBar(Qt::Horizontal, this, preloadedSkinSets("big_scrollbar"), "sb_horz");
    m_scrollBar->setFocusPolicy(Qt::NoFocus);
    m_baseLeft.setSkin(preloadedSkinSetLayers("storyboard_base", "left_part"));
    m_baseRight.setSkin(preloadedSkinSetLayers("storyboard_base", "right_part"));
    m_frameLeft.setSkin(preloadedSkinSetLayers("storyboard_frame", "left_part"));
    m_frameRight.setSkin(preloadedSkinSetLayers("storyboard_frame", "right_part"));
    m_toolFrame.setSkin(preloadedSkinSetLayers("toolbox_buttons", "toolbox_frame"));

    // Losing the focus clears the selection, so no button of the storyboard takes it.
    m_toolGroup = new QButtonGroup(this);
    m_toolGroup->setExclusive(true);
    int id = 0;
    for (int i = 0; i < 6; ++i) {
        const ToolSpec& spec = kTools[i];
        auto* button =
            new ZRPushButton(this, preloadedSkinSetLayers("toolbox_buttons", spec.set), false);
        if (spec.tip) button->setToolTip(tr(spec.tip));
        button->setCheckable(spec.toggle);
        button->setEnabled(spec.enabled);
        button->setFocusPolicy(Qt::NoFocus);
        if (spec.toggle) m_toolGroup->addButton(button, id++);
        m_tools[i] = button;
    }
    m_tools[ArrowTool]->setChecked(true);

    m_modeGroup = new QButtonGroup(this);
    m_modeGroup->setExclusive(true);
    const char* modeFiles[2] = {"storyboard_button", "timeline_button"};
    const char* modeSets[2] = {"storyboard", "timeline"};
    const char* modeTips[2] = {QT_TR_NOOP("Storyboard"), QT_TR_NOOP("Timeline")};
    for (int i = 0; i < 2; ++i) {
        auto* button =
            new ZRPushButton(this, preloadedSkinSetLayers(modeFiles[i], modeSets[i]), false);
        button->setToolTip(tr(modeTips[i]));
        button->setCheckable(true);
        button->setFocusPolicy(Qt::NoFocus);
        m_modeGroup->addButton(button, i);
        m_modeButtons[i] = button;
    }
    m_modeButtons[0]->setChecked(true);
    m_modeLabel = std::make_unique<ZRTextImage>(tr("MODE"), QColor(221, 221, 221),
                                                QStringLiteral("arial.ttf"), 8, 0.0f);
}

void ZRStoryboard::resizeEvent(QResizeEvent* e) {
    QSBWidget::resizeEvent(e);
    const int w = width();
    const int h = height();
    m_baseLeft.setGeometry(0, 0, 206, h);
    m_frameLeft.setGeometry(0, 0, 206, h);
    m_baseRight.setGeometry(206, 10, w - 206, h - 20);
    m_frameRight.setGeometry(206, 10, w - 206, h - 20);
    m_toolFrame.setGeometry(19, 24, 72, 104);

    const QPoint c = m_toolFrame.fillRect().topLeft();
    const QPoint places[6] = {{8, 8}, {39, 8}, {8, 39}, {39, 39}, {8, 70}, {39, 70}};
    for (int i = 0; i < 6; ++i) {
        m_tools[i]->move(c + places[i]);
        m_tools[i]->resize(m_tools[i]->sizeHint());
    }
    for (ZRPushButton* b : m_modeButtons)
        b->resize(b->sizeHint());
    m_modeButtons[0]->move(21, 151);
    m_modeButtons[1]->move(m_modeButtons[0]->geometry().right() + 1 + 12, 151);

    m_contentRect = QRect(QPoint(ZRStoryboardGeometry::kLeft, ZRStoryboardGeometry::kTop),
                          QPoint(w - 21, ZRStoryboardGeometry::kRowBottom));
    const int hs = m_geometry.hotSpot();
    const QSize cs = m_geometry.cursorSize;
    m_cursorArea = QRect(QPoint(ZRStoryboardGeometry::kLeft - hs, ZRStoryboardGeometry::kCursorTop),
                         QPoint(m_contentRect.right() - hs + cs.width(),
                                std::max(ZRStoryboardGeometry::kCursorTop + cs.height(),
                                         ZRStoryboardGeometry::kRowBottom)));
    recomputeVisibleRange();
    m_widgetSize = size();
    m_scrollBar->setGeometry(m_contentRect.left(), 151, m_contentRect.width(),
                             m_scrollBar->sizeHint().height());
    updateLayout();
}

void ZRStoryboard::setVisible(bool visible) {
    if (visible) {
        if (hasClips()) {
            m_projectEmpty = false;
            if (hub()) {
                const QSignalBlocker blocker(this);
                moveCursorTo(hub()->currentPosition());
            }
        } else {
            m_projectEmpty = true;
        }
        updateLayout();
        QSBWidget::setVisible(true);
    } else {
        QSBWidget::setVisible(false);
        if (m_refreshTimer) m_refreshTimer->stop();
    }
}

void ZRStoryboard::setEditor(ZRVeskEditor* editor) {
    m_editor = editor;
    m_timeline = editor ? editor->timeline() : nullptr;
    if (editor) editor->setLargeThumbSize(ZRStoryboardGeometry::thumbnail(0).size());
    m_timecodeObject = nullptr;
    updateLayout();
}

IZRObject* ZRStoryboard::liveTimecodeObject() {
    if (!m_timecodeObject || !m_timeline) return m_timecodeObject = nullptr;
    ZRGuardedList* track = m_timeline->track(kTimecodeTrack, true);
    bool held = false;
    if (track) {
        std::lock_guard trackLock(*track);
        held = track->find(m_timecodeObject) >= 0;
    }
    if (!held) m_timecodeObject = nullptr;
    return m_timecodeObject;
}

void ZRStoryboard::setTimecodeVisible() {
    setTimecodeVisible(true);
}

void ZRStoryboard::setTimecodeVisible(bool on) {
    if (!m_timeline) return;
    if (hub()) hub()->setMenuItemChecked(kTimecodeMenuItem, on);
    IZRObject* overlay = liveTimecodeObject();
    IZRObjectFactory* factory = m_timeline->factory();
    if (on && !overlay && hasClips()) {
        const auto frameFunction = &ZRTimecodeOverlay::frame;
        IZRObject* object = factory->createObject(
            "Import", "External Video Object", nullptr,
            reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(frameFunction)));
        if (object) {
            object->setName("Timecode");
            if (auto* settings = dynamic_cast<IZRSettings*>(object))
                settings->setIntSetting("Overlay Mode", 4);
            ZRScopedPos at(factory);
            if (m_timeline->insertObject(kTimecodeTrack, at, object)) {
                m_timeline->setObjectMarkOut(object, m_timeline->endPosition());
                m_timecodeObject = object;
            } else {
                factory->destroyObject(object);
            }
        }
    } else if (!on && overlay) {
        factory->destroyObject(overlay);
        m_timecodeObject = nullptr;
    }
    Q_EMIT contentsChanged(nullptr);
}

void ZRStoryboard::toggleTimecode() {
    setTimecodeVisible(liveTimecodeObject() == nullptr);
    Q_EMIT contentsChanged(nullptr);
}

void ZRStoryboard::updateTimecode(IZRPos* start, IZRPos* end) {
    if (!m_timeline || !start || !end) return;
    if (IZRObject* overlay = liveTimecodeObject()) m_timeline->setObjectMarkOut(overlay, end);
}

void ZRStoryboard::gotoPosition(IZRPos* position, QWidget* sender) {
    if (sender == this || !position) return;
    const QSignalBlocker blocker(this);
    moveCursorTo(position);
}

void ZRStoryboard::gotoPosition(double fraction, QWidget* sender) {
    if (sender == this || m_currentCell == -1) return;
    const QSignalBlocker blocker(this);
    setCursorPosition(m_currentCell, fraction);
}

void ZRStoryboard::slotUpdateContents(QWidget* sender) {
    if (!hasClips()) {
        m_currentCell = -1;
        m_projectEmpty = true;
        m_currentFraction = 0.0;
    }
    if (sender != this) update(m_contentRect);
}

void ZRStoryboard::slotUpdateClip(IZRObject* clip) {
    if (!clip || !m_editor) return;
    for (IZRObject* c = clip; c;) {
        auto* record = dynamic_cast<ZRVideoUserData*>(ZRUserData::of(c));
        if (!record) break;
        repaintCell(record->number);
        c = record->next;
    }
    ZRAppState::Hub* h = hub();
    if (h && h->currentObject() == clip && h->currentPosition()) {
        seekToObjectStart(clip, m_currentFraction, h->currentPosition());
        Q_EMIT positionChanged(h->currentPosition(), nullptr);
    }
}

void ZRStoryboard::slotNewProject() {
    m_projectEmpty = true;
    m_tools[ArrowTool]->setChecked(true);
    repaintCursorArea();
}

void ZRStoryboard::slotAllItemsDeleted() {
    m_pressedTransition = nullptr;
}

void ZRStoryboard::slotDeleteObject(IZRObject* object) {
    if (m_pressedTransition == object) m_pressedTransition = nullptr;
    if (m_timecodeObject == object) m_timecodeObject = nullptr;
}

void ZRStoryboard::toolSelected(int id) {
    static constexpr int modes[4] = {SelectMode, ZoomMode, SplitMode, MarkerMode};
    static constexpr int cursors[4] = {0, 4, 2, 12};
    if (id < 0 || id > 3) return;
    m_editMode = modes[id];
    setCursorShape(cursors[id]);
}

void ZRStoryboard::slotSnapshot() {
    ZRAppState::Hub* h = hub();
    IZRPos* position = h ? h->currentPosition() : nullptr;
    if (position && hasClips()) Q_EMIT snapshot(position);
}

void ZRStoryboard::slotRemoveSelection() {
    ZRVeskEditor* editor = m_editor.data();
    if (!editor || !m_timeline) return;
    ZRScopedPos position(m_timeline->factory());
    IZRObject* current = hub() ? hub()->currentObject() : nullptr;
    auto* currentRecord =
        current ? dynamic_cast<ZRVideoUserData*>(ZRUserData::of(current)) : nullptr;
    IZRObject* survivor = nullptr;
    bool survivorAfter = false;
    if (currentRecord && currentRecord->isSelected() && editor->indexOf(current) >= 0) {
        Q_EMIT objectDeleted(current);
        const auto unselectedFrom = [](IZRObject* c, bool forward) -> IZRObject* {
            while (c) {
                auto* r = dynamic_cast<ZRVideoUserData*>(ZRUserData::of(c));
                if (!r) return nullptr;
                if (!r->isSelected()) return c;
                c = forward ? r->next : r->previous;
            }
            return nullptr;
        };
        survivor = unselectedFrom(currentRecord->next, true);
        survivorAfter = survivor != nullptr;
        if (!survivor) survivor = unselectedFrom(currentRecord->previous, false);
    }
    editor->deleteSelected(true);
    if (survivor && editor->indexOf(survivor) >= 0) {
        m_currentCell = editor->indexOf(survivor);
        position->assign(survivorAfter ? survivor->startPos() : survivor->endPos());
        moveCursorTo(position);
        Q_EMIT positionChanged(position.get(), this);
    } else if (!hasClips()) {
        m_currentCell = -1;
        m_projectEmpty = true;
        m_currentFraction = 0.0;
        Q_EMIT allItemsDeleted();
    }
    updateLayout();
    // Clips before the current one may have gone: its cell moved left.
    if (!survivor && hasClips()) followCurrentObject();
    repaintCursorArea();
    Q_EMIT contentsChanged(this);
}

void ZRStoryboard::setCursorShape(int shape) {
    m_cursorShape = shape;
    if (QCursor* c = skinCursor(shape)) setCursor(*c);
}

bool ZRStoryboard::hasClips() const {
    return clipCount() > 0;
}

int ZRStoryboard::clipCount() const {
    return m_editor ? m_editor->objectCount() : 0;
}

IZRObject* ZRStoryboard::clipAt(int index) const {
    if (!m_editor || index < 0 || index >= m_editor->objectCount()) return nullptr;
    return m_editor->objectAt(index);
}

ZRVideoUserData* ZRStoryboard::recordOf(int index) const {
    IZRObject* clip = clipAt(index);
    return clip ? dynamic_cast<ZRVideoUserData*>(ZRUserData::of(clip)) : nullptr;
}
