#pragma once

#include "classes/widgets/QSBWidget.h"
#include "classes/widgets/ZRSkinBox.h"
#include "views/ZRTimelineScale.h"

#include <QButtonGroup>
#include <QFont>
#include <QList>
#include <QPixmap>
#include <QStringList>

#include <memory>
#include <mutex>
#include <vector>

class IZRObject;
class IZRPos;
class IZRTimeline;
class QMimeData;
class QTimer;
class ZRPushButton;
class ZRScrollBar;
class ZRTextImage;
class ZRTimelineTrack;
class ZRVeskEditor;

/// A provisional state installed in a track while it is repainted: trim (kind 1 on a chain
/// clip, else a track object) or drop feedback. Positions are borrowed for the call.
struct ZRTrackState {
    ZRTimelineTrack* track = nullptr;
    int kind = 0;
    IZRObject* object = nullptr;
    IZRPos* start = nullptr;
    IZRPos* end = nullptr;
    /// Drop feedback (else trim feedback) and whether its placement is valid.
    bool drop = false;
    bool valid = false;
    /// With drop feedback: the length a ripple preview pushes the track's later objects by
    /// (the track's `dropShift`); null for none.
    IZRPos* shift = nullptr;
};

/// The multi-track timeline window: an ordered list of track strips under a time ruler with a
/// time cursor, two skinned scroll bars, a tool box (select, zoom, split, snapshot, marker,
/// delete) and the two mode buttons. It reaches the engine only through the editor object.
///
/// Owns its tracks. The horizontal scroll value counts ruler units; content x counts pixels from
/// time 0 (64-bit, see `ZRTimelineScale`). Everything is drawn in `paintEvent` from state: the
/// ruler, the cursor, the split line and the zoom band; other code composes and asks for an
/// update of a rectangle. GUI thread only.
class ZRTimelineView : public QSBWidget {
    Q_OBJECT
public:
    enum Tool { SelectTool = 0, SplitTool = 1, MarkerTool = 2, ZoomTool = 3 };
    /// The ids of the tool buttons `toolSelected` takes; other ids are ignored.
    enum ToolButton { ArrowButton = 0, ZoomButton = 1, KnifeButton = 2, MarkerButton = 4 };
    /// What the mouse is doing on the view (`mouseState`); a release or a drop ends in Idle.
    enum MouseState : int { Idle = 0, DraggingTimeCursor = 1, DraggingInTrack = 3 };

    explicit ZRTimelineView(QWidget* parent = nullptr, const char* name = nullptr,
                            Qt::WindowFlags flags = {});
    ~ZRTimelineView() override;

    // Track container.
    virtual int indexOfTrackId(int id) const;
    virtual void setHeaderWidth(int width);
    /// Takes ownership on success; -1 appends; an index above the count is refused.
    virtual bool insertTrack(ZRTimelineTrack* track, int index);
    virtual bool removeTrackAt(int index);
    /// Removes the track from the list; the caller owns it again.
    virtual bool removeTrack(ZRTimelineTrack* track);
    /// Hands the track back to the caller; null for a bad index.
    virtual ZRTimelineTrack* takeTrack(int index);
    virtual void repaintTracksOfNumber(int trackNumber, int part);
    /// Recomposes the named tracks: part 1 header and control columns, 2 content, 3 both.
    virtual void repaintTracks(const QList<int>& indexes, int part);
    /// As `repaintTracks`, installing each record's feedback in its track first; it stays until
    /// the next call replaces it or `clearTrackStates`.
    virtual void repaintTrackStates(const QList<ZRTrackState>& states, int part);
    virtual void repaintTrack(int index, int part);
    virtual void repaintTimeArea();
    virtual void repaintTrackRegion(const QRegion& region);
    /// Composes the ruler (labels, ticks, render strip) over `region`; with `toScreen` also
    /// asks for the region to be shown.
    virtual void paintRuler(const QRegion& region, bool toScreen);
    virtual void updateHorizontalRange();
    virtual void setAutoScroll(bool on) { m_autoScrollEnabled = on; }
    /// Imports the files and inserts those with a picture as clips before `index`.
    virtual void insertObjects(const QStringList& paths, int index);
    virtual void layoutTracks();
    virtual void setToolCursor(int index);
    virtual QRect trackAreaRect() const { return m_trackArea; }
    virtual QRect trackRegionRect() const { return m_trackRegion; }
    virtual QRect timeAreaRect() const { return m_timeArea; }
    virtual void setEditor(ZRVeskEditor* editor);
    virtual ZRVeskEditor* editor() const { return m_editor; }

    /// A track changed the project: tracks the empty state and emits `contentsChanged`.
    void notifyContentsChanged();
    /// Recomputes the visible time range and the first and last visible clips.
    void updateVisibleRange();
    /// Drops every track's provisional feedback installed by `repaintTrackStates`.
    void clearTrackStates();

    // State the tracks and tests read.
    const ZRTimelineScale& timeScale() const { return m_scale; }
    int zoomLevel() const { return m_scale.zoomLevel(); }
    int horizontalValue() const;
    int verticalValue() const { return m_vScrollValue; }
    int trackCount() const { return int(m_tracks.size()); }
    ZRTimelineTrack* trackAt(int index) const;
    int firstVisibleTrack() const { return m_firstVisibleTrack; }
    int lastVisibleTrack() const { return m_lastVisibleTrack; }
    int headerColumnWidth() const { return m_headerColumnWidth; }
    int controlColumnEnd() const { return m_controlColumnEnd; }
    QRect rulerRect() const { return m_rulerRect; }
    /// The time cursor's rectangle in view coordinates (it may lie outside the time area).
    QRect cursorViewRect() const;
    /// View x of the cursor line.
    int cursorLineX() const { return cursorViewRect().left() + m_cursorHotX; }
    QRect bandRect() const { return m_bandShown ? m_bandRect : QRect(); }
    IZRPos* cursorPosition() const { return m_cursorPosition; }
    IZRPos* visibleStart() const { return m_visibleStart; }
    IZRPos* visibleEnd() const { return m_visibleEnd; }
    IZRObject* firstVisibleObject() const { return m_firstVisibleObject; }
    IZRObject* lastVisibleObject() const { return m_lastVisibleObject; }
    ZRTimelineTrack* hoveredTrack() const { return m_hoveredTrack; }
    ZRTimelineTrack* dragTrack() const { return m_dragTrack; }
    bool isProjectEmpty() const { return m_projectEmpty; }
    bool isAutoScrolling() const { return m_autoScrolling; }
    int tool() const { return m_tool; }
    int toolCursor() const { return m_toolCursor; }
    int mouseState() const { return m_mouseState; }
    ZRScrollBar* horizontalBar() const { return m_hScrollBar; }
    ZRScrollBar* verticalBar() const { return m_vScrollBar; }
    ZRPushButton* toolButton(int id) const;
    ZRPushButton* deleteButton() const { return m_deleteButton; }
    ZRPushButton* storyboardButton() const { return m_storyboardButton; }
    ZRPushButton* timelineButton() const { return m_timelineButton; }
    QButtonGroup* modeGroup() { return &m_modeGroup; }
    QTimer* autoScrollTimer() const { return m_hScrollTimer; }
    /// The text of ruler label `i` (0 at the left edge) as it is drawn now.
    QString rulerLabel(int i);

    QSize sizeHint() const override;
    void setVisible(bool visible) override;
    void composeBackground(int x, int y, int w, int h) override;

public Q_SLOTS:
    virtual void slotUpdateContents(QWidget* sender);
    virtual void slotUpdateClip(IZRObject* object);
    virtual void slotZoomIn(IZRPos*, IZRPos*) {}
    virtual void slotZoomIn();
    virtual void slotZoomOut(IZRPos*, IZRPos*) {}
    virtual void slotZoomOut();
    virtual void slotGotoPosition(IZRPos* position, QWidget* sender);
    virtual void slotSnapshot();
    virtual void slotBGRenderer();
    virtual void slotRemoveSelection();
    virtual void slotNewProject();
    virtual void slotAllItemsDeleted();
    virtual void slotDeleteObject(IZRObject* object);
    virtual void toolSelected(int id);
    virtual void slotHorzSliderMoved(int value);
    virtual void slotVertSliderMoved(int value);
    virtual void slotHScrollDelayTimeout();

Q_SIGNALS:
    /// Emitted after an edit changed the project, with the view as sender.
    void contentsChanged(QWidget* sender);
    /// Emitted before the user deletes `object`, so that the other views let it go.
    void objectDeleted(IZRObject* object);
    /// Emitted after the user has deleted the last clip.
    void allItemsDeleted();
    /// Emitted when the user moves the cursor (a click on the scale or a track, a key).
    void positionChanged(IZRPos* position, QWidget* sender);
    /// Emitted when the cursor lands on another clip than the current object, and with null when
    /// the last clip went.
    void objectChanged(IZRObject* object, QWidget* sender);
    /// Declared for edits that keep the object; never emitted.
    void objectUpdated(IZRObject* object, QWidget* sender);
    /// Declared for the trimmers; never emitted.
    void activateTrimmer(IZRObject* object);
    /// Declared for the time-code display; never emitted.
    void showTimecode(bool on);
    /// Declared for drags of clips; never emitted (the tracks drag on their own).
    void draggingMode(bool on);
    /// Emitted when the user asks for a snapshot of the frame at the cursor, with clips only.
    void snapshot(IZRPos* position);

protected:
    virtual void applySkin(const char* boxesFile, const char* cursorFile);
    virtual void updateVisibleTracks();
    /// Asks for the cursor's old and new places to be shown.
    virtual void updateCursor(bool paint);
    virtual void buildCursorImage();
    virtual void setCursorFromX(qint64 contentX, bool paint);
    virtual void setCursorPosition(IZRPos* position, bool paint);

    bool event(QEvent* e) override;
    void customEvent(QEvent* e) override;
    void changeEvent(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    // The view's own texts (the "MODE" label, the ruler's labels) and the ruler's ticks stand on
    // the skin's dark boxes, which the frame colour would not show on: they are light and opaque.
    static constexpr QRgb kTextColour = 0xFFDDDDDD;

    void recomputeScale();
    /// Adopts the program-wide frame rate when it changed and is usable.
    void adoptFramerate();
    void destroyPositions();
    /// View x snapped to frames (when a frame is at least 2 pixels) and clamped to the time area.
    int snapX(int x) const;
    qint64 contentOrigin() const;
    /// The visible track whose moved rectangle, clipped to `clip`, holds the point.
    ZRTimelineTrack* visibleTrackAt(const QPoint& point, const QRect& clip) const;
    QRect movedTrackRect(const ZRTimelineTrack* track) const;
    void composeTracks(const QRegion& region);
    void composeRulerInto(QImage& image, const QPoint& root, const QRegion& clip);
    void drawCursorInto(QPainter& painter);
    void setHovered(ZRTimelineTrack* track, const QPoint& at);
    void resetAutoScroll();
    /// True when some track admits a drag carrying `data`.
    bool someTrackAdmits(const QMimeData* data) const;
    /// Makes `target` the track under the drag: a leave to the previous one, an enter to a new
    /// one (whose answer is kept), then the move, answered for the whole view.
    void passDragTo(ZRTimelineTrack* target, QDragMoveEvent* e, QDragEnterEvent* entering);
    void zoomBy(int delta);
    /// Moves the cursor from a view x in the time area.
    void cursorToViewX(int x);
    void setPosFrames(IZRPos* pos, qint64 frames) const;

    std::mutex m_paintMutex;
    QTimer* m_bgRenderTimer = nullptr;
    QTimer* m_hScrollTimer = nullptr;
    int m_hScrollDelay = 100;
    int m_hScrollStep = 1;
    QRect m_trackArea{108, 22, 100, 100};
    std::vector<std::unique_ptr<ZRTimelineTrack>> m_tracks;
    ZRSkinBox m_frameBoxes[5];
    ZRScrollBar* m_hScrollBar = nullptr;
    ZRScrollBar* m_vScrollBar = nullptr;
    ZRTimelineTrack* m_hoveredTrack = nullptr;
    ZRTimelineTrack* m_dragTrack = nullptr;
    /// `m_dragTrack` took the drag on entering.
    bool m_dragTaken = false;
    IZRObject* m_splitObject = nullptr;
    const QImage* m_seCorner = nullptr;
    const QImage* m_speakerOn = nullptr;
    const QImage* m_audioOn = nullptr;
    const QImage* m_cursorPieces[3] = {};
    QPoint m_cursorPieceAt[3];
    int m_cursorHotX = 7;
    QImage m_cursorImage;
    QRect m_cursorRect;
    /// Content x of the cursor line; 64-bit like every content x.
    qint64 m_cursorContentX = 0;
    /// The cursor's rectangle as last shown, in view coordinates.
    QRect m_cursorShown;
    QPoint m_pressPoint, m_autoScrollPoint;
    QRect m_bandRect;
    bool m_zoomInByClick = true;
    bool m_bandPressed = false;
    bool m_bandShown = false;
    bool m_projectEmpty = true;
    bool m_autoScrollEnabled = true;
    bool m_autoScrolling = false;
    int m_toolCursor = 0;
    int m_tool = SelectTool;
    int m_mouseState = Idle;
    QFont m_rulerFont;
    QRect m_headerRect, m_upperBox1Rect, m_upperBox2Rect, m_lowerLeftRect, m_tcBoxRect;
    QRect m_trackRegion, m_timeArea, m_rulerRect;
    int m_headerWidth = 103;
    int m_vScrollValue = 0;
    int m_firstVisibleTrack = -1, m_lastVisibleTrack = -1;
    int m_headerColumnWidth = 93, m_controlColumnEnd = 141;
    QRgb m_colors[6] = {};
    QButtonGroup m_toolGroup, m_modeGroup;
    std::unique_ptr<ZRTextImage> m_modeLabel;
    ZRSkinBox m_baseLeft, m_baseRight, m_frameLeft, m_frameRight, m_toolboxFrame;
    ZRPushButton *m_arrowButton = nullptr, *m_zoomButton = nullptr, *m_knifeButton = nullptr,
                 *m_snapshotButton = nullptr, *m_markerButton = nullptr, *m_deleteButton = nullptr,
                 *m_storyboardButton = nullptr, *m_timelineButton = nullptr;
    ZRVeskEditor* m_editor = nullptr;
    IZRTimeline* m_timeline = nullptr;
    IZRObject* m_firstVisibleObject = nullptr;
    IZRObject* m_lastVisibleObject = nullptr;
    IZRPos* m_cursorPosition = nullptr;
    IZRPos* m_visibleStart = nullptr;
    IZRPos* m_visibleEnd = nullptr;
    IZRPos* m_splitPosition = nullptr;
    ZRTimelineScale m_scale;
    QList<ZRTimelineTrack*> m_stateTracks;
};
