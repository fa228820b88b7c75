#pragma once

#include "classes/skins/PSDLayerSet.h"
#include "classes/text/ZRTextImage.h"
#include "classes/widgets/ZRSkinBox.h"

#include <QPushButton>
#include <QTimer>

#include <memory>

class QSBWidget;

/// The program's skinned push button. It is no QSBWidget but paints itself into the composed
/// image of a skinned parent (registering with it), or into an image of its own elsewhere.
/// Two looks:
/// - box mode: a box per state (normal, pressed, disabled), an optional icon and a caption
///   rendered by the engine's TrueType renderer in a colour per state; the icon sits one pixel
///   down and right of its place;
/// - image mode: full-size state images of one layer set ("normal", "pressed", "over",
///   "disabled", toggle variants; "..._mask" layers are overlays drawn above the face) under a
///   "face" image, which moves one pixel down and right while pressed or disabled. The button
///   takes the size of the images.
/// A button with neither icon nor caption of its own leaves its label to the style.
///
/// Auto-repeat is its own (Qt's stays off): held down, it clicks after the first delay and then
/// at that interval; with acceleration on, the interval becomes the base interval / 2, / 4, / 8
/// after each speed-up period. Each tick of an enabled button emits clicked() then pressed().
/// GUI thread only.
class ZRPushButton : public QPushButton {
    Q_OBJECT
public:
    /// The image slots of image mode; Face is the icon in box mode.
    enum Slot {
        Face,
        Normal,
        Pressed,
        Over,
        Disabled,
        ToggleNormal,
        TogglePressed,
        ToggleOver,
        PressedDisabled,
        SlotCount
    };
    /// The caption colours by state.
    enum TextState { TextNormal, TextPressed, TextOver, TextDisabled };

    /// A text button of the standard look whose label the style draws.
    ZRPushButton(const QString& text, QWidget* parent, const char* name = nullptr);
    /// A text button drawing its caption itself; boxes and text colours from `skin` (each box
    /// only when found there), or the standard look when `skin` is null.
    ZRPushButton(const QString& text, QDict<PSDLayerSet>* skin, QWidget* parent,
                 const char* name = nullptr);
    /// A button with boxes from `skin` and the standard text colours; draws its own caption.
    ZRPushButton(QWidget* parent, QDict<PSDLayerSet>* skin, const char* name = nullptr);
    /// A button of the standard look whose label the style draws.
    explicit ZRPushButton(QWidget* parent = nullptr, const char* name = nullptr);
    /// An image button of `layers`, deleted with the button when `ownsLayers`.
    ZRPushButton(QWidget* parent, QDict<PSDLayer>* layers, bool ownsLayers,
                 const char* name = nullptr);
    ~ZRPushButton() override;

    /// Turns this button's own auto-repeat on or off (Qt's own stays off).
    void setAutoRepeat(bool on) { m_autoRepeat = on; }
    bool autoRepeat() const { return m_autoRepeat; }
    virtual void setAccelerate(bool on) { m_accelerate = on; }
    void setAutoRepeatAccelerating(bool on) { setAccelerate(on); }
    virtual void setFirstDelay(int ms) { m_firstDelay = ms; }
    /// The base interval, which acceleration divides.
    virtual void setRepeatInterval(int ms) { m_baseInterval = ms; }
    virtual void setSpeedUpPeriod(int ms) { m_speedUpPeriod = ms; }
    /// The current repeat interval in milliseconds; -1 while not repeating.
    int currentRepeatInterval() const;
    /// True while the next speed-up is due.
    bool speedUpPending() const { return m_speedTimer.isActive(); }

    /// Caption font by file name and size; the widget font follows by family and size.
    virtual void setCaptionFontName(const QString& name);
    virtual void setCaptionFontSize(int size);
    virtual void setCaptionSpacing(float spacing);
    void setFontName(const QString& name) { setCaptionFontName(name); }
    void setFontSize(int size) { setCaptionFontSize(size); }
    /// Sets the icon (face) image, borrowed, and its place; (-1, -1) centres it in box mode.
    void setOffset(const QPoint& position, const QImage* image);
    /// Recomputes the size hint (box mode) or the fixed size (image mode).
    virtual void updateLayout();
    virtual bool inSkinnedParent() const { return m_inSkinnedParent; }

    bool isBoxMode() const { return m_boxMode; }
    bool drawsText() const { return m_drawText; }
    bool isHovered() const { return m_hover; }
    QRgb textColor(TextState state) const { return m_textColors[state]; }
    const QImage* slotImage(Slot slot) const { return m_images[slot]; }
    static QPoint faceShift() { return QPoint(1, 1); }

    QSize sizeHint() const override;

public Q_SLOTS:
    void setGeometry(int x, int y, int w, int h) { QPushButton::setGeometry(x, y, w, h); }
    void setGeometry(const QRect& rect) {
        setGeometry(rect.x(), rect.y(), rect.width(), rect.height());
    }
    /// One auto-repeat tick.
    virtual void autoRepeatTimeout();
    /// One acceleration step.
    virtual void repeatSpeedTimeout();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    /// Draws the button into its target image for `region` (widget coordinates) and puts that
    /// part on the painter.
    virtual void drawButton(QPainter& painter, const QRegion& region);

private:
    void init(QWidget* parent, const char* name);
    void loadBoxes(QDict<PSDLayerSet>* skin, bool onlyFound);
    void loadTextColors(QDict<PSDLayerSet>* skin);
    void loadImages(QDict<PSDLayer>* layers);
    QSBWidget* skinnedParent() const;
    void syncCaption();
    void drawBoxMode(QImage& target, const QPoint& origin, const QRegion& clip);
    void drawImageMode(QImage& target, const QPoint& origin, const QRegion& clip);

    QPoint m_positions[SlotCount];
    const QImage* m_images[SlotCount] = {};
    bool m_masks[SlotCount] = {}; ///< the slot holds an overlay ("..._mask" layer)
    bool m_hover = false;
    bool m_autoRepeat = false;
    bool m_accelerate = false;
    int m_speedUpPeriod = 2000;
    int m_firstDelay = 500;
    int m_baseInterval = 250;
    int m_speedFactor = 1;
    std::unique_ptr<QDict<PSDLayer>> m_ownedLayers;
    QDict<PSDLayer>* m_layers = nullptr;
    bool m_boxMode = true;
    bool m_drawText = false;
    ZRSkinBox m_normalBox;
    ZRSkinBox m_pressedBox;
    ZRSkinBox m_disabledBox;
    ZRTextImage m_caption;
    QRgb m_textColors[4] = {0xFFFFFFFFu, 0xFF636363u, 0xFF3662A1u, 0xB3FFFFFFu};
    QTimer m_repeatTimer;
    QTimer m_speedTimer;
    QSize m_sizeHint{-1, -1};
    bool m_inSkinnedParent = false;
};
