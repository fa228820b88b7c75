#pragma once

#include "classes/widgets/ZRSkinBox.h"
#include "views/ZRTimelinePlacement.h"

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class IZRObject;
class IZRPos;
class IZRTimeline;
class QDragEnterEvent;
class QDragLeaveEvent;
class QDragMoveEvent;
class QDropEvent;
class QEvent;
class QMimeData;
class QImage;
class QMouseEvent;
class QObject;
class ZRTextImage;
class ZRTimelineScale;
class ZRTimelineView;
class ZRVeskEditor;
class ZRVeskEditorDrag;
template <class T> class QDict;
struct PSDLayerSet;
struct ZRTrimInput;

/// One strip of the timeline view: a header column with the track's name, a control column and
/// a time area showing one engine track list. Not a widget: the view owns, lays out, paints and
/// feeds it. The subclasses (transition, title, video and audio tracks) draw their objects in
/// `paintObject` and may replace the engine-list operations.
///
/// The track never owns engine objects; it owns its label, its two skin boxes and the trim and
/// drop positions (`trimStart`/`trimEnd` exist exactly while `trimObject` is set,
/// `dropStart`/`dropEnd` while `dropObject` is set). GUI thread only; the engine list is read
/// under its own lock.
class ZRTimelineTrack {
public:
    /// What the mouse is doing on the track (`mouseState`); every release and drop ends in Idle.
    enum MouseState : int {
        Idle = 0,
        Trimming = 1,     ///< dragging an edge of `trimObject`
        TrimReserved = 2, ///< never entered; treated like Trimming
        Pressed = 3,      ///< pressed on an object's body, not yet moved past the threshold
        DragCopy = 4,     ///< an object dragged over the track is copied here
        DragMove = 5,     ///< an object is moved, from this track or another
        DragInsert = 6,   ///< a new object dragged in from outside the timeline
    };

    ZRTimelineTrack(int trackNumber, bool isVideo, const QString& name, int height, int trackId);
    /// Track number 0, the audio table, height 15.
    ZRTimelineTrack(const QString& name, int trackId);
    ZRTimelineTrack();
    ZRTimelineTrack(const ZRTimelineTrack&) = delete;
    ZRTimelineTrack& operator=(const ZRTimelineTrack&) = delete;

    virtual ~ZRTimelineTrack();
    virtual QRect trackRect() const { return m_trackRect; }
    virtual QRect headerRect() const { return m_headerRect; }
    virtual QRect controlRect() const { return m_controlRect; }
    /// Bit 0 of the object's editor record flags; false for null or no record.
    virtual bool isObjectSelected(IZRObject* object);
    /// Sets or clears that bit and asks the view to repaint the objects; null does nothing.
    virtual void setObjectSelected(IZRObject* object, bool on);
    /// Index in the engine list, -1 without a list.
    virtual int indexOfObject(IZRObject* object);
    /// The object under a view point and the part hit (0 start edge, 1 end edge, 2 body).
    virtual IZRObject* objectAt(const QPoint& point, int* part);
    virtual IZRObject* objectAtIndex(int index);
    virtual IZRObject* firstObject();
    virtual IZRObject* lastObject();
    /// Moves the list's own cursor: only for code that holds no copy of the list.
    virtual IZRObject* prevObject();
    virtual IZRObject* nextObject();
    virtual bool insertObject(IZRPos* at, IZRObject* object);
    virtual void removeObject(IZRObject* object);
    virtual void moveObject(IZRPos* at, IZRObject* object);
    virtual QSize sizeHint() const { return QSize(-1, m_height); }
    virtual QRect contentRect() const { return m_contentRect; }
    virtual void setLabel(const QString& text);
    /// Stores the colour and renders the label in it.
    virtual void setLabelColor(const QColor& colour);
    /// Skin boxes and colours from a layer-set dictionary; null: the preloaded
    /// "timeline_boxes". Missing names leave boxes empty and colours transparent.
    virtual void loadSkin(QDict<PSDLayerSet>* sets);
    virtual void setEditor(ZRVeskEditor* editor);
    virtual void reset() {}
    /// Asks the owning view to repaint this track (2 objects, 3 settings changed).
    virtual void notifyView(int what);
    virtual void newProject(bool notify);
    /// Every object is gone: drops the trim, press and drop references and their positions
    /// without touching the objects.
    virtual void allItemsDeleted();
    virtual void forgetObject(IZRObject* object);
    virtual void paintControls(const QRegion& region, QImage* target, const QPoint& offset);
    virtual void paint(const QRegion& region, QImage* target, const QPoint& offset);
    virtual void paintBackground(const QRegion& region, QImage* target, const QPoint& offset);
    /// Draws one object at content x with a width in pixels (both 64-bit; see `objectSpan`).
    /// The base draws nothing.
    virtual void paintObject(const QRegion& region, QImage* target, const QPoint& offset, int64_t x,
                             int64_t width, IZRObject* object);
    virtual void finishTrim(IZRObject* object, IZRPos* start, IZRPos* end);
    /// Ignores an invalid rectangle; else lays the three columns out inside it.
    virtual void setGeometry(const QRect& rect);
    /// Returns the content area's new left edge.
    virtual int setColumnWidths(int headerWidth, int controlEnd);
    virtual int minEdgeWidth() const { return m_minEdgeWidth; }
    /// True when a drag carrying `data` is of a kind this track takes, told without touching
    /// the project (`DragEnterEvent` still decides, and may refuse what this admits). The base
    /// admits this program's drags of a timeline object.
    virtual bool admitsDrag(const QMimeData* data) const;
    virtual void DragEnterEvent(QDragEnterEvent* e);
    virtual void DragMoveEvent(QDragMoveEvent* e);
    virtual void DragLeaveEvent(QDragLeaveEvent* e);
    virtual void DragDropEvent(QDropEvent* e);
    virtual void startMoveDrag(IZRObject* object);
    virtual void MousePressEvent(QMouseEvent* e);
    virtual void MouseReleaseEvent(QMouseEvent* e);
    virtual void MouseMoveEvent(QMouseEvent* e);
    virtual void enterEvent(QEvent* e);
    virtual void leaveEvent(QEvent* e);

    // Set by the view.
    void setView(ZRTimelineView* view, int index) {
        m_view = view;
        m_viewIndex = index;
    }
    ZRTimelineView* view() const { return m_view; }
    int viewIndex() const { return m_viewIndex; }
    int trackId() const { return m_trackId; }
    int trackNumber() const { return m_trackNumber; }
    bool isVideo() const { return m_isVideo; }
    QString label() const { return m_labelText; }
    IZRObject* trimObject() const { return m_trimObject; }
    IZRObject* pressedObject() const { return m_pressedObject; }
    IZRObject* dropObject() const { return m_dropObject; }
    int insertIndex() const { return m_insertIndex; }
    QRgb darkFillColor() const { return m_darkFillColor; }
    QRgb overlappingColor() const { return m_overlappingColor; }

    /// The objects of the engine list in order, copied under the list's one lock; nothing is
    /// called back while the lock is held.
    std::vector<IZRObject*> objects();
    /// The view-coordinate rectangle an object drawn at content x with `width` covers, clipped
    /// to the content area (moved by the vertical scroll); empty when nothing of it shows.
    QRect objectSpan(int64_t x, int64_t width) const;
    /// Content x of a frame count with the view's scale.
    int64_t px(double frames) const;

    /// Live trim feedback: the object is drawn from `start` to `end` (copied); null clears it.
    void setTrim(IZRObject* object, IZRPos* start, IZRPos* end);
    void clearTrim();
    /// Live drop feedback: the object would land from `start` to `end` (copied); null clears it.
    void setDrop(IZRObject* object, IZRPos* start, IZRPos* end, bool valid);
    void clearDrop();
    int mouseState() const { return m_mouseState; }
    /// DragMove while the dropped object is moved from its old place.
    void setMouseState(int state) { m_mouseState = state; }

    /// The status-bar text for the object under the pointer.
    static QString hoverText(IZRObject* object);
    /// The status-bar text of a running trim; empty without a trimmed object.
    static QString trimText(IZRObject* object, IZRPos* trimStart, IZRPos* trimEnd, IZRPos* markIn,
                            IZRPos* markOut);

    /// Makes the drag that `startMoveDrag` runs from a source widget under a name; tests and
    /// fuzz targets play the drag through it. An empty function restores the real drag.
    using MoveDragFactory =
        std::function<std::unique_ptr<ZRVeskEditorDrag>(QObject* source, const char* name)>;
    static void setMoveDragFactory(MoveDragFactory factory);

    int trimEdge() const { return m_trimEdge; }
    IZRPos* trimStart() const { return m_trimStart; }
    IZRPos* trimEnd() const { return m_trimEnd; }
    bool dropValid() const { return m_dropValid; }
    IZRPos* dropStart() const { return m_dropStart; }
    IZRPos* dropEnd() const { return m_dropEnd; }
    IZRPos* dropShift() const { return m_dropShift; }
    /// The length a linked track's ripple preview pushes this track's objects by (copied);
    /// null clears it.
    void setDropShift(IZRPos* shift);

protected:
    /// The view's scale, or a default one without a view.
    const ZRTimelineScale& scale() const;
    int verticalScroll() const;
    /// Content x of the view's left edge (the first visible ruler unit).
    int64_t contentOrigin() const;
    /// Content x of a view point.
    int64_t contentX(const QPoint& point) const;
    /// The frame at a content x, as a new position the caller destroys.
    IZRPos* framePos(int64_t x) const;
    /// Sets a position to a frame count at its own rate (negative counts give frame 0).
    static void setFrames(IZRPos* pos, double frames);
    /// A new position at a frame count; destroyed through the timeline's factory.
    IZRPos* newPos(double frames) const;
    /// Shows a text in the main window's status bar (nothing without one).
    static void showStatus(const QString& text);
    /// The view rectangle of an object drawn at content x with a width, `m_height` high at the
    /// content area's top (moved by the vertical scroll). Unclipped, but kept within a range
    /// that no drawing overflows.
    QRect barRect(int64_t x, int64_t width) const;
    /// The content area in view coordinates (moved by the vertical scroll).
    QRect visibleContent() const { return m_contentRect.translated(0, -verticalScroll()); }

    /// The object of this track's engine list at a view point and the part hit, with the
    /// given zone widths; no check of the editor's clips.
    IZRObject* engineObjectAt(const QPoint& point, int* part, int minWidth, int startWidth,
                              int endWidth);
    /// The object and part the mouse handlers work on; `objectAt` in the base.
    virtual IZRObject* hitTest(const QPoint& point, int* part) { return objectAt(point, part); }
    /// One step of a running trim for the pointer at `point` (`mouseState` 1).
    virtual void trimStep(const QPoint& point);
    /// Starts trimming an edge (`part` 0 or 1) of `object` from a press at `point`.
    void beginTrim(IZRObject* object, int part, const QPoint& point);
    /// Takes a drag over the track: `object` becomes the dragged object in `state` (5 a moved
    /// object, 6 a new one the track made), placed by the next drag move.
    void beginDrop(IZRObject* object, const QPoint& point, int state);
    /// Ends a drag over the track as a leave does: a new object the drag made (state 6) is
    /// destroyed, the drop positions with it; `mouseState` returns to 0.
    void endDrop();
    /// The frames the trim step works in for the trimmed object, its neighbours by index and
    /// the room's end.
    bool trimInput(ZRTrimInput* in, const QPoint& point);
    /// Commits a trim through `finishTrim` with the background renderer paused.
    void commitTrim();
    /// Inserts an object the track made or copied; when it lands nowhere and the editor did
    /// not destroy it, it is destroyed. True when it was placed.
    bool insertOrDestroy(IZRPos* at, IZRObject* object);

    /// What `paint` and a ripple drop place objects from.
    ZRPlacementInput placementInput();

    IZRTimeline* m_timeline = nullptr;
    ZRTimelineView* m_view = nullptr;
    ZRVeskEditor* m_editor = nullptr;
    std::unique_ptr<ZRTextImage> m_label;
    QString m_labelText;
    QRgb m_darkFillColor = 0, m_darkLineColor = 0, m_lightFillColor = 0, m_lightLineColor = 0,
         m_cornerFrameColor = 0, m_backgroundColor = 0, m_overlappingColor = 0;
    QColor m_labelColor{255, 255, 255, 255};
    QRect m_trackRect, m_headerRect, m_controlRect, m_contentRect;
    ZRSkinBox m_headerBox, m_controlBox;
    int m_headerWidth = 93;
    int m_controlEnd = 141;
    int m_trackId = -1;
    int m_viewIndex = -1;
    int m_height = 15;
    int m_trackNumber = 0;
    bool m_isVideo = false;
    bool m_clipTrack = false;
    int m_minEdgeWidth = 32;
    int m_startEdgeWidth = 16, m_endEdgeWidth = 16;
    int m_mouseState = Idle;
    int m_trimEdge = 0;
    IZRObject* m_trimObject = nullptr;
    IZRObject* m_pressedObject = nullptr;
    IZRPos* m_trimStart = nullptr;
    IZRPos* m_trimEnd = nullptr;
    QPoint m_pressPoint, m_trimPressPoint;
    IZRObject* m_dropObject = nullptr;
    IZRPos* m_dropStart = nullptr;
    IZRPos* m_dropEnd = nullptr;
    IZRPos* m_dropShift = nullptr;
    QPoint m_dragEnterPoint;
    bool m_dropValid = false;
    bool m_rippleInsert = false;
    int m_insertIndex = -1;

private:
    void destroyPos(IZRPos*& pos);
};
