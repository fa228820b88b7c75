#pragma once

#include "views/ZRTimelineTrack.h"
#include "views/ZRVideoTrackChain.h"
#include "views/ZRVideoTrackLayout.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <memory>

class QMimeData;
class ZRTextImage;
struct ZRTitleSettings;

/// The timeline row of the movie's clips: the editor's chain of clips (not an engine list),
/// each a skinned box with a thumbnail at each end, its file name and a marker when it carries a
/// video effect; transitions overlap the clip ends. It takes drops of media files, titles, video
/// effects and transitions, and moves its own clips by drag.
///
/// Linked through the view to the transition track and the clip-audio track by their ids. Reads
/// the clips' records, writes only their effect-selected bit. GUI thread only.
class ZRVideoTrack : public ZRTimelineTrack {
public:
    /// The skin sets of a clip box, in this order.
    enum ClipSkin { Normal, Selected, NoAudioNormal, NoAudioSelected };

    ZRVideoTrack(const QString& name, int transitionTrackId, int audioTrackId, int trackId);
    ~ZRVideoTrack() override;

    int indexOfObject(IZRObject* object) override;
    /// The clip under the point, none over a transition; trim zones are the cap widths of a box
    /// at least as wide as the narrow limit.
    IZRObject* objectAt(const QPoint& point, int* part) override;
    IZRObject* objectAtIndex(int index) override;
    IZRObject* firstObject() override;
    IZRObject* lastObject() override;
    /// Both move the chain cursor.
    IZRObject* prevObject() override;
    IZRObject* nextObject() override;
    /// Inserts before the clip at `at`, or appends; a copy dropped on the track goes where its
    /// preview showed it.
    bool insertObject(IZRPos* at, IZRObject* object) override;
    /// Takes the clip out of the chain without destroying it.
    void removeObject(IZRObject* object) override;
    /// Moves the clip to the chain index the last ripple preview pushed from (the end when none).
    void moveObject(IZRPos* at, IZRObject* object) override;
    void loadSkin(QDict<PSDLayerSet>* sets) override;
    /// Repaints this track and the clip-audio track; during a trim or a drag the clip-audio
    /// track is shown the same feedback.
    void notifyView(int what) override;
    /// Passed on to the clip-audio track.
    void newProject(bool notify) override;
    void forgetObject(IZRObject* object) override;
    void allItemsDeleted() override;
    void paint(const QRegion& region, QImage* target, const QPoint& offset) override;
    void paintObject(const QRegion& region, QImage* target, const QPoint& offset, int64_t x,
                     int64_t width, IZRObject* object) override;
    void finishTrim(IZRObject* object, IZRPos* start, IZRPos* end) override;
    bool admitsDrag(const QMimeData* data) const override;
    void DragEnterEvent(QDragEnterEvent* e) override;
    void DragDropEvent(QDropEvent* e) override;
    void MousePressEvent(QMouseEvent* e) override;
    void MouseReleaseEvent(QMouseEvent* e) override;

    /// The clip after which a transition dropped at the point would go; null beside the clips.
    virtual IZRObject* transitionSlotAt(const QPoint& point);
    /// The clip whose effect marker is under the point, null when none; tells the status bar.
    virtual IZRObject* effectMarkerAt(const QPoint& point);

    /// The layout of a chained clip at its place on the timeline, in content x.
    ZRClipLayout clipLayout(IZRObject* clip) const;
    /// The effect marker's rectangle for a clip laid out at content x, in view coordinates;
    /// null when the clip has no effect or no room for it.
    QRect effectMarkerRect(IZRObject* clip, const ZRClipLayout& layout) const;
    IZRObject* pressedEffectClip() const { return m_pressedEffectClip; }

protected:
    /// A content span as a view rectangle across the track's height, clamped to a little
    /// beyond the content area so that 64-bit spans fit; empty when nothing of it shows.
    QRect viewRect(const ZRSpan& span, int top, int height) const;
    /// The track's content area moved by the vertical scroll.
    QRect movedContent() const;
    ZRTimelineTrack* audioTrack() const;
    int audioTrackIndex() const;

private:
    /// This track's trim and drop feedback for painting the chain.
    ZRChainFeedback chainFeedback() const {
        return {m_dropObject, m_dropStart, m_dropEnd, m_dropValid, m_mouseState == DragMove,
                m_trimObject, m_trimStart, m_trimEnd};
    }
    struct Skin {
        QImage left, middle, right, leftFill, rightFill;
        int thumbHeight = 0;
    };
    struct Marker {
        QImage image;
        QRect rect;
    };

    void loadClipSkins();
    const Skin& skinFor(IZRObject* clip) const;
    /// The marker image for a clip with an effect: clip selected, effect selected or normal.
    const Marker& markerFor(IZRObject* clip) const;
    /// The clip's file name centred on its body, when it fits with room to spare.
    void drawName(const QRegion& clip, QImage& target, const QPoint& offset, IZRObject* object,
                  const ZRSpan& body, int64_t origin);
    // Drops.
    void dropFiles(const QMimeData* data, int index);
    void dropTitle(const ZRTitleSettings& title, int index);
    void dropEngineObject(const QMimeData* data, const QPoint& at, int index);

    Skin m_skins[4];
    QRgb m_thumbTop[2] = {}, m_thumbBottom[2] = {};
    Marker m_markers[3];
    std::unique_ptr<ZRTextImage> m_nameText;
    ZRClipPieceWidths m_widths;
    int m_transitionTrackId = -1;
    int m_audioTrackId = -1;
    ZRClipChain m_chain;
    IZRObject* m_pressedEffectClip = nullptr;
    /// True while a copy dragged over the track is dropped.
    bool m_droppingCopy = false;
};
