#pragma once

#include "classes/widgets/ZRSkinBox.h"
#include "views/ZRTimelineTrack.h"
#include "views/ZRVideoTrackChain.h"

#include <QImage>
#include <QRect>
#include <QString>

/// A timeline row for sound. Linked to the video track (the clip-audio track "AUDIO1") it shows
/// the sound of the editor's chain of clips; otherwise ("AUDIO2", "AUDIO3") one free engine audio
/// track that takes dropped audio files. Its header holds an open/close switch and a speaker
/// that mutes the track; while open (35 pixels, else 15) a knob sets the track's audio level
/// (-1.0 to +1.0, 0.0 in the middle) in the engine. A linked track writes its settings to both
/// engine tracks of the chain (1 and 3).
///
/// GUI thread only; the engine settings are the timeline's own.
class ZRAudioTrack : public ZRTimelineTrack {
public:
    static constexpr int kClosedHeight = 15;
    static constexpr int kOpenHeight = 35;
    /// The slider's width; the knob travels it less its own width.
    static constexpr int kSliderWidth = 41;

    /// `trackNumber`: the engine audio track (-1 when linked); `linkedTrackId` >= 0 links the
    /// track to the video track with that id.
    ZRAudioTrack(const QString& name, int trackNumber, int linkedTrackId, int trackId);
    ~ZRAudioTrack() override;

    /// The base rectangles as tall as the content area (the open row's lower part included).
    QRect headerRect() const override;
    QRect controlRect() const override;
    void setObjectSelected(IZRObject* object, bool on) override;
    int indexOfObject(IZRObject* object) override;
    /// Linked: the chain clip with sound under the point; else the base's.
    IZRObject* objectAt(const QPoint& point, int* part) override;
    IZRObject* objectAtIndex(int index) override;
    IZRObject* firstObject() override;
    IZRObject* lastObject() override;
    IZRObject* prevObject() override;
    IZRObject* nextObject() override;
    /// Places the object on this track's engine audio track through the editor.
    bool insertObject(IZRPos* at, IZRObject* object) override;
    void removeObject(IZRObject* object) override;
    void setEditor(ZRVeskEditor* editor) override;
    void notifyView(int what) override;
    /// Reads the level and the mute state from the engine; repaints the header when asked.
    void newProject(bool repaint) override;
    void forgetObject(IZRObject* object) override;
    void allItemsDeleted() override;
    void paintControls(const QRegion& region, QImage* target, const QPoint& offset) override;
    void paint(const QRegion& region, QImage* target, const QPoint& offset) override;
    void paintBackground(const QRegion& region, QImage* target, const QPoint& offset) override;
    void paintObject(const QRegion& region, QImage* target, const QPoint& offset, int64_t x,
                     int64_t width, IZRObject* object) override;
    void finishTrim(IZRObject* object, IZRPos* start, IZRPos* end) override;
    /// Lays the row out for 15 pixels, then extends it to the given height.
    void setGeometry(const QRect& rect) override;
    /// A free track admits local files and this program's drags of timeline objects.
    bool admitsDrag(const QMimeData* data) const override;
    void DragEnterEvent(QDragEnterEvent* e) override;
    void MousePressEvent(QMouseEvent* e) override;
    void MouseReleaseEvent(QMouseEvent* e) override;
    void MouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;

    bool isOpen() const { return m_open; }
    bool isMuted() const { return m_muted != 0; }
    double level() const { return m_level; }
    /// The engine audio track the settings go to first (1 for the linked track).
    int settingsTrack() const { return m_linked ? 1 : m_trackNumber; }
    // The header's controls in view coordinates (moved by the vertical scroll).
    QRect switchArea() const;
    QRect speakerArea() const;
    QRect sliderArea() const;
    QRect knobArea() const;

private:
    /// This track's trim and drop feedback for painting the chain.
    ZRChainFeedback chainFeedback() const {
        return {m_dropObject, m_dropStart, m_dropEnd, m_dropValid, m_mouseState == DragMove,
                m_trimObject, m_trimStart, m_trimEnd};
    }
    struct ClipSkin {
        QImage left, fill, right;
    };

    void loadSkins();
    void writeLevel();
    void writeMute(int muted);
    /// One step of a knob drag at the pointer.
    void dragKnob(const QPoint& point);
    void toggleOpen();
    int knobOffset() const;
    int knobTravel() const { return kSliderWidth - m_knob.width(); }
    QRect moved(const QRect& r) const { return r.translated(0, -verticalScroll()); }
    ZRTimelineTrack* linkedTrack() const;

    bool m_open = false;
    bool m_switchHover = false, m_speakerHover = false, m_knobHover = false;
    bool m_knobDragging = false;
    int m_muted = 0;
    double m_level = 0.0;
    QPoint m_lastKnob;
    int m_linkedTrackId = -1;
    bool m_linked = false;
    ZRClipChain m_chain;

    // Skin: switch (open, open over, closed, closed over), mute indicator (on, off), speaker
    // (off, off over), slider pieces and knob (normal, over).
    QImage m_switch[4];
    QImage m_indicator[2];
    QImage m_speaker[2];
    QImage m_sliderLeft, m_sliderRight, m_activeFill, m_inactiveFill;
    QImage m_knobImage[2];
    QPoint m_switchOffset, m_sliderLeftAt, m_sliderRightAt, m_fillAt, m_knobAt;
    QSize m_switchSize, m_speakerSize, m_sliderSize;
    QRect m_knob;
    ZRSkinBox m_openHeaderBox, m_openControlBox;
    /// Clip boxes by [open][selected].
    ClipSkin m_clipSkins[2][2];
    // Controls in unscrolled view coordinates; set by `setGeometry`.
    QRect m_switchRect, m_speakerRect, m_indicatorRect, m_sliderRect;
    QRect m_openHeaderRect, m_openControlRect;
};
