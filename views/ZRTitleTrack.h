#pragma once

#include "views/ZRTimelineTrack.h"

class QImage;

/// The strip of text overlays: the titles of engine video track 4, each a bar with two caps and
/// its name. A title dragged in from the titles page becomes a new "2D-Text" object placed in a
/// gap; titles are inserted and removed through the editor, which keeps them from overlapping.
/// A change that touches the title at the time cursor tells the view, so that the preview shows
/// it. GUI thread only, as the base.
class ZRTitleTrack : public ZRTimelineTrack {
public:
    /// Track 4 of the video table, 27 pixels high; the trim zones are the caps' widths.
    ZRTitleTrack(const QString& name, int trackNumber, int trackId);
    ~ZRTitleTrack() override;

    /// The editor's `insertTitle`.
    bool insertObject(IZRPos* at, IZRObject* title) override;
    /// The editor's `detachObject`.
    void removeObject(IZRObject* object) override;
    void paintObject(const QRegion& region, QImage* target, const QPoint& offset, int64_t x,
                     int64_t width, IZRObject* object) override;
    void finishTrim(IZRObject* object, IZRPos* start, IZRPos* end) override;
    /// Title icons (a new title) and editor drags of titles; everything else is refused.
    bool admitsDrag(const QMimeData* data) const override;
    void DragEnterEvent(QDragEnterEvent* e) override;
    void DragDropEvent(QDropEvent* e) override;

    /// The rectangle the name of `object` takes in a bar drawn at content x with a width, in
    /// view coordinates; null when the name is empty or does not keep 10 pixels of the fill on
    /// both sides.
    QRect nameRect(int64_t x, int64_t width, IZRObject* object);

private:
    struct Pieces {
        const QImage* left = nullptr;
        const QImage* fill = nullptr;
        const QImage* right = nullptr;
    };
    static Pieces piecesOf(const char* set);
    /// The fill between the caps of a bar (view coordinates, before the offset).
    QRect fillRect(const QRect& bar, const Pieces& pieces) const;
    /// Tells the view when `title` covers the time cursor `cursor` or was the title at it.
    void notifyIfAtCursor(IZRObject* title, IZRPos* cursor, IZRObject* before);

    Pieces m_normal;
    Pieces m_selected;
    std::unique_ptr<ZRTextImage> m_nameImage;
};
