#pragma once

#include "classes/skins/PSDLayerSet.h"
#include "classes/widgets/QSBWidget.h"

#include <utility>

/// The skinned horizontal slider: a three-piece groove ("groove_normal", "groove_disabled":
/// "left", "middle", "right") and a knob ("knob": "normal", "over", "pressed", "disabled"; the
/// other states placed relative to "normal") from a skin set. The value is a fraction of the
/// groove, always within [minimum, maximum] with 0 <= minimum and maximum <= 1; it starts at 1.
///
/// Reports: a press on the knob emits sliderPressed, a drag or key press sliderDragging, and the
/// release of the button or key sliderReleased then valueChanged when the value moved since the
/// last report. setValue itself emits nothing. A travel of 0 (the knob as wide as the groove
/// between the margins) leaves clicks and drags without effect on the value.
///
/// GUI thread only.
class ZRSlider : public QSBWidget {
    Q_OBJECT
public:
    /// Pointer state bits; the states in use are 0, 9 (pressed on the knob), 3 (dragging) and
    /// 5 (dragging, held at a limit).
    enum StateBit { LeftButton = 1, Dragging = 2, HeldAtLimit = 4, OverKnob = 8 };

    /// `skin` is borrowed (a preloaded skin's sets); null or missing sets draw nothing.
    explicit ZRSlider(QDict<PSDLayerSet>* skin, bool reversed = false, QWidget* parent = nullptr,
                      const char* name = nullptr, Qt::WindowFlags flags = {});

    double value() const { return m_value; }
    double lineStep() const { return m_lineStep; }
    double pageStep() const { return m_pageStep; }
    double minValue() const { return m_minimum; }
    double maxValue() const { return m_maximum; }
    void setLineStep(double step) { m_lineStep = step; }
    void setPageStep(double step) { m_pageStep = step; }
    void setSteps(double line, double page);

    bool isReversed() const { return m_reversed; }
    void setReversed(bool reversed);

    /// The minimum, not below 0; the value is pulled up to it.
    void setMinValue(double minimum);
    /// The maximum, not above 1; the value is pulled down to it.
    void setMaxValue(double maximum);
    /// Both limits (kept within [0, 1]); the value is pulled inside.
    void setRange(double minimum, double maximum);

    /// Sets both margins when both lie in 0..width; answers the previous (left, right).
    std::pair<int, int> setMargins(int left, int right);
    /// Sets one margin when it lies in 0..width; answers the previous one.
    int setLeftMargin(int left);
    int setRightMargin(int right);
    int leftMargin() const { return m_leftMargin; }

    int state() const { return m_state; }
    int cursorState() const { return m_cursorState; }
    /// The distance in pixels the knob can move.
    int travel() const { return m_travel; }
    /// Where the knob is drawn, in widget coordinates.
    QRect knobRect() const { return m_knobRect; }
    /// The laid-out groove pieces (left, middle, right), in widget coordinates.
    QRect grooveRect(int piece) const { return m_grooveNormal.rects[piece]; }

    /// Places the knob for the value, margins and direction.
    virtual void updateLayout();
    /// Shows preloaded cursor `index` (0 normal, 6 over or dragging the knob).
    virtual void setCursorState(int index);

public Q_SLOTS:
    /// Clamps to [minimum, maximum]; a change marks the value as moved and repaints.
    virtual void setValue(double value);
    /// Move by a step or page (the other way when reversed) and report with sliderDragging:
    /// showAddStep always, the others only when the value moved.
    void showAddStep();
    void showSubtractStep();
    void showAddPage();
    void showSubtractPage();
    /// Move by a step or page and report with valueChanged when the value moved.
    void addStep();
    void subtractStep();
    void addPage();
    void subtractPage();

Q_SIGNALS:
    void valueChanged(ZRSlider* slider, double value);
    void sliderPressed(ZRSlider* slider);
    void sliderDragging(ZRSlider* slider, double value);
    void sliderReleased(ZRSlider* slider);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    struct Groove {
        const QImage* images[3] = {};
        QRect skinRects[3];
        QRect rects[3];
        bool absent = true;
    };
    enum KnobState { KnobNormal, KnobPressed, KnobDisabled, KnobOver, KnobStateCount };
    struct Knob {
        const QImage* images[KnobStateCount] = {};
        QRect rects[KnobStateCount];
        bool absent = true;
    };

    void loadSkin(QDict<PSDLayerSet>* skin);
    void layoutGroove(Groove& groove) const;
    void changeValue(double value);
    void startDrag(int x);
    void dragTo(int x);
    void moveBy(double step, bool emitDragging, bool alwaysReport);
    void step(double amount);
    bool dragging() const { return m_state & (Dragging | HeldAtLimit); }
    void drawGroove(const Groove& groove, const QRegion& clip, QImage& target,
                    const QPoint& origin) const;

    int m_state = 0;
    bool m_overKnob = false; ///< the pointer is over the knob (kept apart while dragging)
    int m_cursorState = 0;
    QDict<PSDLayerSet>* m_skin = nullptr;
    bool m_reversed = false;
    QPoint m_lastMouse;
    int m_leftMargin = 0;
    int m_rightMargin = 0;
    int m_travel = 0;
    int m_grabOffset = 0;
    bool m_atMinimum = false;
    bool m_moved = false;
    double m_value = 1.0;
    double m_lineStep = 0.1;
    double m_pageStep = 0.5;
    double m_minimum = 0.0;
    double m_maximum = 1.0;
    Groove m_grooveNormal;
    Groove m_grooveDisabled;
    Knob m_knob;
    QRect m_knobRect;
};
