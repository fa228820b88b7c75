#pragma once

#include "classes/skins/QDict.h"
#include "classes/widgets/QSBWidget.h"

#include <QImage>

struct PSDLayer;

/// The skinned jog shuttle: a vertical track with a knob giving speeds from -5 (top) to 5
/// (bottom), 0 in the middle, where it springs back when let go. Skin set "JOG_SHUTTLE" of
/// "capture_buttons" (layers "box_normal", "box_disabled", "knob_normal", "knob_disabled").
///
/// The knob's position runs over the track, 0 to track length - 1, the track being the widget's
/// height less the knob's and three pixels each end; value = position x 10 / (track length - 1)
/// - 5. A track of one pixel has no room to move: its value stays 0 and the knob is not
/// dragged. Pressing above the knob sets -2, below it +2 (the click step).
/// GUI thread only.
class ZRJogShuttle : public QSBWidget {
    Q_OBJECT
public:
    static constexpr int kRange = 5;
    static constexpr int kClickStep = 2;
    static constexpr int kMargin = 3;

    /// `layers` (borrowed): the set's layers; null takes the preloaded skin's set.
    explicit ZRJogShuttle(QWidget* parent = nullptr, QDict<PSDLayer>* layers = nullptr,
                          const char* name = nullptr);
    ~ZRJogShuttle() override;

    long value() const { return m_value; }
    int knobPosition() const { return m_position; }
    bool isDragging() const { return m_dragging; }
    int trackLength() const;
    /// The knob's rectangle in widget coordinates.
    QRect knobRect() const;
    /// The value of knob position `position` on the current track (0 on a one-pixel track).
    long valueAt(int position) const;
    /// The first knob position giving `value`.
    int positionOf(long value) const;

    QSize sizeHint() const override;

public Q_SLOTS:
    void setEnabled(bool on);

Q_SIGNALS:
    void valueChanged(long value);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void moveKnob(int position);
    int middle() const { return positionOf(0); }

    QImage m_box[2];  // normal, disabled
    QImage m_knob[2]; // normal, disabled
    long m_value = 0;
    int m_position = 0;
    bool m_dragging = false;
};
