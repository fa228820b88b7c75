#pragma once

#include "classes/skins/PSDLayerSet.h"
#include "classes/widgets/QSBWidget.h"

#include <QTimer>

class IZRTimeline;
class QKeyEvent;
class QMouseEvent;

/// The skinned slider under the preview: the play position of the whole project (the knob) and
/// the export range between two markers, each a fraction 0..1 of its track (mark-out counted
/// from the right end). Dragging emits the signals and, in the same step, sends a
/// `ZRSliderEvent` (4000 position, 4001 mark-in, 4002 mark-out) to the slider itself, so that
/// event filters on it see every change. Its size is that of the skin's panel. GUI thread only.
class ZRSBPSlider : public QSBWidget {
    Q_OBJECT
public:
    /// Left and right margins of the tracks, in pixels.
    static constexpr int kMargin = 3;

    /// `skin` holds the sets "left_marker", "knob", "right_marker", "red_track" and "other"
    /// (layers "panel" and "blue_track"); a missing set or layer draws nothing.
    explicit ZRSBPSlider(QDict<PSDLayerSet>* skin, QWidget* parent = nullptr,
                         const char* name = nullptr);
    ~ZRSBPSlider() override;

    /// Keeps `timeline`; returns the previous one.
    virtual IZRTimeline* setTimeline(IZRTimeline* timeline);
    /// Back to position 0.5 and both marks 0, only while disabled.
    virtual void reset(int);
    /// Shows entry `index` of the shared cursor table.
    virtual void setCursorState(int index);
    /// Places the parts and tracks from the three fractions.
    virtual void relayout();

    double position() const { return m_position; }
    double markIn() const { return m_markIn; }
    double markOut() const { return m_markOut; }
    QRect knobRect() const { return m_knob; }
    QRect markInRect() const { return m_in; }
    QRect markOutRect() const { return m_out; }

    void composeBackground(int x, int y, int w, int h) override;

public Q_SLOTS:
    /// Looks `name` up in the "other" set; when found it becomes the panel.
    virtual void setPanel(const QString& name);
    /// Moves the knob to `fraction` (clamped; a non-finite one is ignored) and enables a disabled
    /// slider. Ignored when `sender` is the slider. Sends nothing.
    virtual void gotoPosition(double fraction, QWidget* sender);
    /// Reports the current position again.
    virtual void knobTimeout();

Q_SIGNALS:
    /// Emitted when the user moves the knob (and while a held knob repeats), with the position as a
    /// fraction of the edit and the slider as sender.
    void positionChanged(double position, QWidget* sender);
    /// Emitted when the user moves the mark-in, as a fraction from the start.
    void markInChanged(double markIn, QWidget* sender);
    /// Emitted when the user moves the mark-out, as a fraction back from the end.
    void markOutChanged(double markOut, QWidget* sender);

protected:
    enum Drag { DragKnob = 0, DragMarkIn = 1, DragMarkOut = 2, DragNone = 3 };

    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    /// A skin layer with its place in the slider.
    struct Part {
        const QImage* image = nullptr;
        QRect rect;
    };

    Part layer(const char* set, const char* name) const;
    void computeTracks();
    /// Starts a drag of the part under `at` or, without a left button, updates the hover state.
    /// True when a drag started.
    bool pressAt(const QPoint& at, bool leftButton);
    void updateHover(const QPoint& at);
    void dragKnob(int x);
    void dragMarkIn(int x);
    void dragMarkOut(int x);
    void emitPosition();
    void emitMarkIn();
    void emitMarkOut();
    void repaintBand();

    QDict<PSDLayerSet>* m_skin;
    IZRTimeline* m_timeline = nullptr;

    double m_markIn = 0.0;
    double m_markOut = 0.0;
    double m_position = 0.0;

    Part m_panel;
    Part m_inNormal, m_inOver, m_inPressed;
    Part m_knobNormal, m_knobHidden, m_knobOver, m_knobPressed;
    Part m_outNormal, m_outOver, m_outPressed;
    Part m_redLeft, m_redMiddle, m_redRight, m_blueTrack;

    QRect m_in, m_knob, m_out;
    QRect m_redLeftCap, m_redFirst, m_blue, m_redSecond, m_redRightCap;
    QRect m_band;

    int m_knobTrack = 0;
    int m_markerTrack = 0;
    int m_drag = DragNone;
    QPoint m_grab;
    bool m_hoverIn = false;
    bool m_hoverOut = false;
    bool m_hoverKnob = false;
    bool m_control = false;
    int m_cursor = 0;
    QTimer m_knobTimer;
};
