#pragma once

#include "classes/skins/PSDLayerSet.h"

#include <QPalette>
#include <QProxyStyle>

#include <memory>

class QScrollBar;
class QStyleOptionSlider;
class ZRScrollBar;
class ZRSkinDrawingView;
struct ZRScrollBarPieces;

/// The application style: the Windows look for ordinary widgets, skins for the skinned ones.
/// Scroll bars that are ZRScrollBars, stand in a ZRSkinDrawingView or on a QSBWidget, take their
/// thickness, geometry and (on a skinned parent, or a view drawing on the skin) their pieces from
/// their own skin or from the style's template of their orientation; a ZRComboBox is presented from
/// its composed skin with its arrow image by state; a ZRPushButton keeps the enabled look and
/// moves its label up one pixel, not sideways, when pressed. Disabled text is drawn once, in the
/// palette's disabled colour, never etched. The application palette takes the skin's grounds and
/// the light text drawn on them. Polishing the application saves
/// its palette, unpolishing gives it back.
///
/// GUI thread only (it owns two template widgets).
class ZRSkinStyle : public QProxyStyle {
    Q_OBJECT
public:
    /// The templates take their pieces from `scrollBarSkin` (borrowed); by default the preloaded
    /// "big_scrollbar".
    explicit ZRSkinStyle(QDict<PSDLayerSet>* scrollBarSkin = nullptr);
    ~ZRSkinStyle() override;

    void polish(QApplication* app) override;
    void polish(QWidget* widget) override;
    /// The base style's palette with the skin's grounds and text colours (ZRSkinPalette.h).
    void polish(QPalette& palette) override;
    void unpolish(QApplication* app) override;
    void unpolish(QWidget* widget) override;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    QRect subElementRect(SubElement element, const QStyleOption* option,
                         const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr, QStyleHintReturn* ret = nullptr) const override;

    /// Draws one part of a skinned scroll bar (CE_ScrollBarAddLine, SubLine, AddPage, SubPage or
    /// Slider) into `target` at `rect` (bar coordinates) moved by `offset`; `state` picks the
    /// pieces (State_Horizontal, State_Enabled, State_MouseOver, State_Sunken). Other elements
    /// draw nothing.
    virtual void drawScrollBarPart(ControlElement element, const QWidget* bar, QImage& target,
                                   const QRect& rect, const QPoint& offset, State state) const;

    const ZRScrollBar* horizontalTemplate() const { return m_horizontalTemplate.get(); }
    const ZRScrollBar* verticalTemplate() const { return m_verticalTemplate.get(); }
    const QPalette& savedPalette() const { return m_savedPalette; }

    /// The view a scroll bar stands in (through the scroll area's bar container), or null.
    static ZRSkinDrawingView* viewOfBar(const QWidget* bar);

private:
    bool isSkinnedBar(const QWidget* widget) const;
    const ZRScrollBarPieces& piecesFor(const QWidget* bar, Qt::Orientation orientation) const;
    QRect scrollBarRect(const QStyleOptionSlider& option, SubControl sub, const QWidget* bar) const;
    void drawSkinnedScrollBar(const QStyleOptionSlider& option, QPainter* painter,
                              const QWidget* bar) const;
    void drawSkinnedComboBox(const QStyleOptionComplex& option, QPainter* painter,
                             const QWidget* widget) const;

    QPalette m_savedPalette;
    std::unique_ptr<ZRScrollBar> m_horizontalTemplate;
    std::unique_ptr<ZRScrollBar> m_verticalTemplate;
};
