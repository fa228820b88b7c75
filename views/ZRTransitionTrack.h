#pragma once

#include "views/ZRTimelineTrack.h"

class QImage;

/// The top strip of the timeline: the transitions of engine video track 2, each a bar with two
/// caps, an icon and tiled fills. A transition belongs to the clip it follows; its length
/// changes by dragging either end, never beyond what that clip and the next one leave it, and
/// only a copy of a transition may be dropped here. A transition dragged from the browser is
/// placed as on the video track below, by the transition zone under the drop's x. While the video
/// track previews a ripple drop, the transitions after it are drawn pushed by the track's
/// `dropShift`. GUI thread only, as the base.
class ZRTransitionTrack : public ZRTimelineTrack {
public:
    /// Track 2 of the video table, 15 pixels high; follows the track with `linkedTrackId`.
    ZRTransitionTrack(const QString& name, int linkedTrackId, int trackId);
    ~ZRTransitionTrack() override;

    void paint(const QRegion& region, QImage* target, const QPoint& offset) override;
    void paintObject(const QRegion& region, QImage* target, const QPoint& offset, int64_t x,
                     int64_t width, IZRObject* object) override;
    /// Gives the transition the trimmed length through the editor (always, even unchanged) and
    /// tells the view which clip changed. A transition no clip owns is not trimmed.
    void finishTrim(IZRObject* object, IZRPos* start, IZRPos* end) override;
    /// Admits the browser's transitions and this program's drags of timeline objects.
    bool admitsDrag(const QMimeData* data) const override;
    void DragEnterEvent(QDragEnterEvent* e) override;
    void DragMoveEvent(QDragMoveEvent* e) override;
    void DragLeaveEvent(QDragLeaveEvent* e) override;
    void DragDropEvent(QDropEvent* e) override;
    void MousePressEvent(QMouseEvent* e) override;
    void MouseMoveEvent(QMouseEvent* e) override;
    /// The transition under a view point and the part hit (0 start cap, 1 end cap, 2 body);
    /// a bar narrower than both caps has no zones.
    virtual IZRObject* transitionAt(const QPoint& point, int* part);

    int capsWidth() const { return m_capsWidth; }
    int iconMinWidth() const { return m_iconMinWidth; }
    int linkedTrackId() const { return m_linkedTrackId; }
    /// The longest length the clips around a transition leave it, in frames; 0 without an
    /// owning clip.
    static double longestLength(IZRObject* transition);

protected:
    IZRObject* hitTest(const QPoint& point, int* part) override {
        return transitionAt(point, part);
    }
    void trimStep(const QPoint& point) override;

private:
    /// The five pieces of a bar, null where the skin lacks one.
    struct Pieces {
        const QImage* left = nullptr;
        const QImage* leftFill = nullptr;
        const QImage* icon = nullptr;
        const QImage* rightFill = nullptr;
        const QImage* right = nullptr;
    };
    static Pieces piecesOf(const char* set);

    int m_capsWidth = 0;
    int m_iconMinWidth = 0;
    Pieces m_selected;
    Pieces m_normal;
    int m_linkedTrackId = -1;
    /// A transition from the browser is over the track.
    bool m_browserDrag = false;
};
