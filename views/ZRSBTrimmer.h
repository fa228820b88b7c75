#pragma once

#include "classes/widgets/QSBWidget.h"
#include "classes/widgets/ZRSkinBox.h"
#include "editor/ZRAppState.h"

#include <QPointer>

#include <memory>

class IZRObject;
class IZRPos;
class IZRTimeline;
class ZRClipMarks;
class ZRPushButton;
class ZRSBVideoView;
class ZRSlider;
class ZRTCWidget;
class ZRTextImage;

/// A fixed 128 x 256 panel that trims one side of the selected clip against its neighbour:
/// the left trimmer (side 0) the clip's in-point against the previous clip's end, the right
/// trimmer the out-point against the next clip's start. Each half (current clip, neighbour)
/// shows a frame and a slider along that clip's source; dragging shows the frame under the knob,
/// releasing sets the mark through the editor's `ZRClipMarks`. A half without a clip, or whose
/// source is a single frame, is disabled. Positions along a clip are fractions of its source
/// length less one frame; a reversed slider holds 1 - fraction. GUI thread only.
class ZRSBTrimmer : public QSBWidget, public ZRAppState::TrimmerPanel {
    Q_OBJECT
public:
    explicit ZRSBTrimmer(int side, QWidget* parent = nullptr, const char* name = nullptr);
    ~ZRSBTrimmer() override;

    virtual int side() const { return m_side; }
    /// Gives the positions back to the previous timeline and makes new ones; hands `timeline` to
    /// both views and takes the editor's mark operations from the state object.
    virtual void setTimeline(IZRTimeline* timeline);
    virtual ZRSlider* currentSlider() const { return m_currentSlider; }
    virtual ZRSlider* neighbourSlider() const { return m_neighbourSlider; }

    ZRSBVideoView* currentView() const { return m_currentView; }
    ZRSBVideoView* neighbourView() const { return m_neighbourView; }
    ZRPushButton* jumpButton() const { return m_jumpButton; }
    ZRTCWidget* timecode() const { return m_timecode; }
    IZRObject* neighbourObject() const { return m_side == 0 ? m_previous : m_next; }

    void composeBackground(int x, int y, int w, int h) override;

public Q_SLOTS:
    virtual void suspendThread();
    virtual void resumeThread();
    virtual void gotoObject(IZRObject* object, QWidget* sender);
    /// Loads a clip of the chain (an object whose user data is a clip record); others are
    /// ignored.
    virtual void updateObject(IZRObject* object, QWidget* sender);
    /// The object handed over by `ZRAppState::setComponentsEnabled`: `updateObject` from no
    /// sender.
    void showObject(IZRObject* object) override { updateObject(object, nullptr); }
    /// Forgets the neighbour or current clip (both for null) and disables its half.
    virtual void deleteObject(IZRObject* object);
    virtual void updateContents(QWidget* sender);
    virtual IZRObject* getCurrentObject() { return m_current; }
    virtual void slotFrameForward();
    virtual void slotFrameBackward();
    virtual void changeClip();
    virtual void setMarkInOut(ZRSlider* slider, double value);
    virtual void sliderMoved(ZRSlider* slider, double value);
    virtual void updateSliderMinMax();
    /// Sets this side's mark of the current clip to the main window's current position, which
    /// must lie within the clip.
    virtual void slotMarkButtonClicked();

Q_SIGNALS:
    /// Emitted when a mark moves or the trimmer changes clip: the position the views should show.
    void positionChanged(IZRPos* position, QWidget* sender);
    /// Emitted when the trimmer moves on to the neighbouring clip, with no sender.
    void objectChanged(IZRObject* object, QWidget* sender);
    /// Emitted after the trimmer has set `object`'s mark-in.
    void markInChanged(QWidget* sender, IZRObject* object);
    /// Emitted after the trimmer has set `object`'s mark-out.
    void markOutChanged(QWidget* sender, IZRObject* object);
    /// Emitted when a mark changed, so that the other trimmer's slider takes the new range.
    void refreshSlider();

protected:
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    /// The source length less one frame, in frames; 0 or less for a single frame or no clip.
    double lengthOf(IZRObject* clip) const;
    /// `fraction` of the clip's source as a position, in `out`.
    void positionAlong(IZRObject* clip, double fraction, IZRPos* out) const;
    double fractionOf(IZRPos* position, IZRObject* clip) const;
    /// The slider's value as a fraction along its clip.
    double fractionFrom(ZRSlider* slider, double value) const;
    /// Writes `fraction` into the slider (1 - fraction when reversed).
    void setSliderValue(ZRSlider* slider, double fraction);
    void setSliderMinimum(ZRSlider* slider, double fraction);
    void applySteps(ZRSlider* slider, IZRObject* clip);
    void showCurrent(IZRPos* sourcePosition);
    void loadNeighbour();
    void setNeighbourEnabled(bool on);
    void setCurrentEnabled(bool on);
    bool pauseRendering(bool on);
    void releasePositions();
    ZRClipMarks* marks() const;

    int m_side;
    ZRSkinBox m_box;
    QRect m_currentViewRect, m_neighbourViewRect, m_currentSliderRect, m_neighbourSliderRect;
    QRect m_jumpRect, m_captionRect, m_currentOutline, m_neighbourOutline;

    IZRObject* m_previous = nullptr;
    IZRObject* m_current = nullptr;
    IZRObject* m_next = nullptr;
    IZRTimeline* m_timeline = nullptr;
    QPointer<QObject> m_editor;
    IZRPos* m_oneFrame = nullptr;
    IZRPos* m_oneSecond = nullptr;
    IZRPos* m_spare = nullptr;

    ZRSlider* m_currentSlider = nullptr;
    ZRSlider* m_neighbourSlider = nullptr;
    ZRPushButton* m_jumpButton = nullptr;
    ZRPushButton* m_frameForward = nullptr;
    ZRPushButton* m_frameBackward = nullptr;
    ZRSBVideoView* m_currentView = nullptr;
    ZRSBVideoView* m_neighbourView = nullptr;
    ZRTCWidget* m_timecode = nullptr;
    std::unique_ptr<ZRTextImage> m_caption;
};
