#include "classes/widgets/ZRSkinStyle.h"

#include "classes/painting/ZRImagePainting.h"
#include "classes/painting/ZROpaqueImage.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/QSBWidget.h"
#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/ZRScrollBar.h"
#include "classes/widgets/ZRSkinDrawingView.h"
#include "classes/widgets/ZRSkinPalette.h"

#include <QApplication>
#include <QCommonStyle>
#include <QPainter>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOption>

#include <algorithm>
#include <climits>

namespace {

using Piece = ZRScrollBarPieces::Piece;

int along(const Piece& piece, bool horizontal) {
    if (!piece.image) return 0;
    return horizontal ? piece.image->width() : piece.image->height();
}

// The rectangle (x along the bar, length `length`) of a bar, turned for a vertical one.
QRect barRect(const QRect& bar, bool horizontal, int start, int length, int extent) {
    return horizontal ? QRect(bar.x() + start, bar.y(), length, extent)
                      : QRect(bar.x(), bar.y() + start, extent, length);
}

const Piece& orFallback(const Piece& piece, const Piece& fallback) {
    return piece.image ? piece : fallback;
}

// Presents `region` of the composed image (moved by `offset`) on the painter, opaque.
void presentRegion(QPainter* painter, const QImage& image, const QRegion& region,
                   const QPoint& offset) {
    painter->save();
    for (const QRect& r : region)
        drawImageOpaque(*painter, r.topLeft(), image, r.translated(offset));
    painter->restore();
}

} // namespace

ZRSkinStyle::ZRSkinStyle(QDict<PSDLayerSet>* scrollBarSkin)
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Windows"))) {
    QDict<PSDLayerSet>* skin = scrollBarSkin ? scrollBarSkin : preloadedSkinSets("big_scrollbar");
    m_horizontalTemplate = std::make_unique<ZRScrollBar>(Qt::Horizontal, nullptr, skin);
    m_verticalTemplate = std::make_unique<ZRScrollBar>(Qt::Vertical, nullptr, skin);
}

ZRSkinStyle::~ZRSkinStyle() = default;

void ZRSkinStyle::polish(QApplication* app) {
    m_savedPalette = QApplication::palette();
    QProxyStyle::polish(app);
}

void ZRSkinStyle::polish(QPalette& palette) {
    QProxyStyle::polish(palette);
    applySkinColours(palette, ZRSkinColours::preloaded());
}

void ZRSkinStyle::unpolish(QApplication* app) {
    QProxyStyle::unpolish(app);
    QApplication::setPalette(m_savedPalette);
}

void ZRSkinStyle::polish(QWidget* widget) {
    QProxyStyle::polish(widget);
    if (widget->inherits("QMenu") || widget->inherits("ZRScrollBar") ||
        widget->inherits("QComboBox"))
        widget->setAttribute(Qt::WA_OpaquePaintEvent);
}

void ZRSkinStyle::unpolish(QWidget* widget) {
    QProxyStyle::unpolish(widget);
}

ZRSkinDrawingView* ZRSkinStyle::viewOfBar(const QWidget* bar) {
    QWidget* parent = bar ? bar->parentWidget() : nullptr;
    // A scroll area keeps its bars in containers of its own.
    if (parent && parent->objectName().startsWith(QLatin1String("qt_scrollarea_")))
        parent = parent->parentWidget();
    return dynamic_cast<ZRSkinDrawingView*>(parent);
}

bool ZRSkinStyle::isSkinnedBar(const QWidget* widget) const {
    if (!widget) return false;
    if (widget->inherits("ZRScrollBar")) return true;
    if (!qobject_cast<const QScrollBar*>(widget)) return false;
    // A plain bar on a skinned widget is drawn into that widget's composed image, so it takes
    // the template's geometry too: the base style's would not match the pieces.
    const QWidget* parent = widget->parentWidget();
    return viewOfBar(widget) || (parent && parent->inherits("QSBWidget"));
}

const ZRScrollBarPieces& ZRSkinStyle::piecesFor(const QWidget* bar,
                                                Qt::Orientation orientation) const {
    const auto* skinned = qobject_cast<const ZRScrollBar*>(bar);
    const ZRScrollBar* source = skinned                         ? skinned
                                : orientation == Qt::Horizontal ? m_horizontalTemplate.get()
                                                                : m_verticalTemplate.get();
    return orientation == Qt::Horizontal ? source->skin().horizontal : source->skin().vertical;
}

void ZRSkinStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const {
    if ((element == CE_PushButton || element == CE_PushButtonLabel) && widget &&
        widget->inherits("ZRPushButton")) {
        // The button's own skin shows its disabled state: the base draws no etching.
        if (const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option)) {
            QStyleOptionButton enabled = *button;
            enabled.state |= State_Enabled;
            painter->save();
            QProxyStyle::drawControl(element, &enabled, painter, widget);
            painter->restore();
            return;
        }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

QRect ZRSkinStyle::subElementRect(SubElement element, const QStyleOption* option,
                                  const QWidget* widget) const {
    if (auto* common = qobject_cast<QCommonStyle*>(baseStyle()))
        return common->QCommonStyle::subElementRect(element, option, widget);
    return QProxyStyle::subElementRect(element, option, widget);
}

int ZRSkinStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                             const QWidget* widget) const {
    switch (metric) {
    case PM_ButtonShiftHorizontal:
    case PM_ButtonShiftVertical:
        if (widget && widget->inherits("ZRPushButton"))
            return metric == PM_ButtonShiftHorizontal ? 0 : -1;
        break;
    case PM_ScrollBarExtent:
    case PM_ScrollBarSliderMin: {
        if (!isSkinnedBar(widget)) break;
        const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option);
        const Qt::Orientation orientation =
            slider ? slider->orientation : static_cast<const QScrollBar*>(widget)->orientation();
        const ZRScrollBarPieces& p = piecesFor(widget, orientation);
        if (metric == PM_ScrollBarExtent) {
            if (p.size.height() > 0) return p.size.height();
            break;
        }
        const bool h = orientation == Qt::Horizontal;
        const int s = ZRScrollBarPieces::SliderNormal;
        return along(p.first[s], h) + along(p.middle[s], h) + along(p.last[s], h);
    }
    default:
        break;
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

int ZRSkinStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                           QStyleHintReturn* ret) const {
    if (hint == SH_Menu_SubMenuPopupDelay) return 96;
    // The base style etches disabled text: a light copy one pixel down and right under the text.
    // Over the dark skin that copy is what shows, and the text reads as blurred bold.
    if (hint == SH_EtchDisabledText) return 0;
    return QProxyStyle::styleHint(hint, option, widget, ret);
}

QSize ZRSkinStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                    const QSize& size, const QWidget* widget) const {
    if (type == CT_ComboBox && widget && widget->inherits("ZRComboBox")) return size;
    if (type == CT_MenuItem) {
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
            if (item->menuItemType == QStyleOptionMenuItem::Separator) return QSize(10, 2);
            QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
            if (!item->text.isEmpty())
                result.setHeight(std::max(result.height(), item->fontMetrics.height() + 8));
            return result;
        }
    }
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

QRect ZRSkinStyle::scrollBarRect(const QStyleOptionSlider& option, SubControl sub,
                                 const QWidget* bar) const {
    const bool horizontal = option.orientation == Qt::Horizontal;
    const ZRScrollBarPieces& p = piecesFor(bar, option.orientation);
    const int length = horizontal ? option.rect.width() : option.rect.height();
    const int extent = pixelMetric(PM_ScrollBarExtent, &option, bar);
    const int subLength = along(p.sub[ZRScrollBarPieces::ArrowNormal], horizontal);
    const int addLength = along(p.add[ZRScrollBarPieces::ArrowNormal], horizontal);
    const int track = std::max(0, length - subLength - addLength + 1);

    // In 64 bits: a page step times the track overflows an int long before the range does.
    const int64_t range = int64_t(option.maximum) - option.minimum;
    int64_t sliderLength = track;
    if (range > 0) {
        const int64_t denominator = range + std::max(option.pageStep, 0);
        sliderLength =
            denominator > 0 ? int64_t(std::max(option.pageStep, 0)) * track / denominator : track;
        const int sliderMin = pixelMetric(PM_ScrollBarSliderMin, &option, bar);
        if (sliderLength < sliderMin || range > 0x3fffffff) sliderLength = sliderMin;
        sliderLength = std::min<int64_t>(sliderLength, track);
    }
    const int sliderLen = int(sliderLength);
    const int sliderStart =
        subLength + sliderPositionFromValue(option.minimum, option.maximum, option.sliderPosition,
                                            track - sliderLen, option.upsideDown);
    switch (sub) {
    case SC_ScrollBarSubLine:
        return barRect(option.rect, horizontal, 0, subLength, extent);
    case SC_ScrollBarAddLine:
        return barRect(option.rect, horizontal, length - addLength, addLength, extent);
    case SC_ScrollBarSubPage:
        return barRect(option.rect, horizontal, subLength, sliderStart - subLength, extent);
    case SC_ScrollBarAddPage:
        return barRect(option.rect, horizontal, sliderStart + sliderLen,
                       subLength + track - sliderStart - sliderLen, extent);
    case SC_ScrollBarSlider:
        return barRect(option.rect, horizontal, sliderStart, sliderLen, extent);
    case SC_ScrollBarGroove:
        return barRect(option.rect, horizontal, subLength, track, extent);
    default:
        return QRect();
    }
}

QRect ZRSkinStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                  SubControl sub, const QWidget* widget) const {
    if (control == CC_ComboBox && widget && widget->inherits("ZRComboBox")) {
        const auto* combo = static_cast<const ZRComboBox*>(widget);
        const QImage* arrow = combo->arrowImage(ZRComboBox::ArrowNormal);
        const QSize arrowSize = arrow ? arrow->size() : QSize(0, 0);
        const QRect r = option->rect;
        switch (sub) {
        case SC_ComboBoxFrame:
            return r;
        case SC_ComboBoxEditField:
            return QRect(3, 3, r.width() - arrowSize.width() - 4, r.height() - 5);
        case SC_ComboBoxListBoxPopup:
            // The list opens over the whole box: QComboBox widens it to its entries from there,
            // so an empty rectangle left it a few pixels wide.
            return r;
        case SC_ComboBoxArrow: {
            // The arrow keeps its distance from the right edge of the box it was drawn in.
            QPoint at = combo->arrowPosition(ZRComboBox::ArrowNormal);
            const int designed = combo->normalBox().naturalSize().width();
            if (designed > 0 && at.x() < designed) at.setX(r.width() - (designed - at.x()));
            return QRect(at, arrowSize);
        }
        default:
            return QRect();
        }
    }
    if (control == CC_ScrollBar && isSkinnedBar(widget)) {
        if (const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option))
            return scrollBarRect(*slider, sub, widget);
    }
    return QProxyStyle::subControlRect(control, option, sub, widget);
}

void ZRSkinStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                     QPainter* painter, const QWidget* widget) const {
    if (control == CC_ComboBox && widget && widget->inherits("ZRComboBox") &&
        static_cast<const ZRComboBox*>(widget)->composedImage()) {
        drawSkinnedComboBox(*option, painter, widget);
        return;
    }
    if (control == CC_ScrollBar && isSkinnedBar(widget)) {
        if (const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option)) {
            drawSkinnedScrollBar(*slider, painter, widget);
            return;
        }
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

void ZRSkinStyle::drawSkinnedComboBox(const QStyleOptionComplex& option, QPainter* painter,
                                      const QWidget* widget) const {
    auto* combo = const_cast<ZRComboBox*>(static_cast<const ZRComboBox*>(widget));
    QImage& target = *combo->composedImage();
    const QPoint offset = combo->mapPointToSkinRoot(QPoint(0, 0));
    const QRegion area = painter->hasClipping() ? painter->clipRegion().intersected(combo->rect())
                                                : QRegion(combo->rect());
    // The whole area is composed again first, so that arrow states never pile up.
    combo->composeRegion(area);

    ZRComboBox::ArrowState state = ZRComboBox::ArrowNormal;
    if (!(option.state & State_Enabled))
        state = ZRComboBox::ArrowDisabled;
    else if ((option.activeSubControls & SC_ComboBoxArrow) && (option.state & State_Sunken))
        state = ZRComboBox::ArrowPressed;
    const QImage* arrow = combo->arrowImage(state);
    if (!arrow) arrow = combo->arrowImage(ZRComboBox::ArrowNormal);
    if (arrow) {
        const QRect at = subControlRect(CC_ComboBox, &option, SC_ComboBoxArrow, widget);
        blendImageClipped(area.translated(offset), target, at.topLeft() + offset, *arrow);
    }
    presentRegion(painter, target, area, offset);
}

void ZRSkinStyle::drawSkinnedScrollBar(const QStyleOptionSlider& option, QPainter* painter,
                                       const QWidget* bar) const {
    ZRSkinDrawingView* view = viewOfBar(bar);
    QWidget* viewWidget = dynamic_cast<QWidget*>(view);
    QSBWidget* skinned = nullptr;
    QPoint inParent;
    if (view) {
        if (view->drawsOnSkin() && viewWidget)
            skinned = qobject_cast<QSBWidget*>(viewWidget->parentWidget());
        if (skinned) inParent = bar->mapTo(skinned, QPoint(0, 0));
    } else {
        skinned = qobject_cast<QSBWidget*>(bar->parentWidget());
        inParent = bar->pos();
    }
    QImage* target = skinned ? skinned->composedImage() : nullptr;
    if (!target || target->isNull()) {
        QProxyStyle::drawComplexControl(CC_ScrollBar, &option, painter, bar);
        return;
    }
    const QPoint offset = skinned->mapPointToSkinRoot(inParent);
    const QPoint inView = view ? bar->mapTo(viewWidget, QPoint(0, 0)) : QPoint();

    State state = State_None;
    if (option.orientation == Qt::Horizontal) state |= State_Horizontal;
    if (option.minimum != option.maximum && (option.state & State_Enabled)) state |= State_Enabled;
    const struct {
        SubControl sub;
        ControlElement element;
    } parts[] = {
        {SC_ScrollBarSubLine, CE_ScrollBarSubLine}, {SC_ScrollBarAddLine, CE_ScrollBarAddLine},
        {SC_ScrollBarSubPage, CE_ScrollBarSubPage}, {SC_ScrollBarAddPage, CE_ScrollBarAddPage},
        {SC_ScrollBarFirst, CE_ScrollBarFirst},     {SC_ScrollBarLast, CE_ScrollBarLast},
        {SC_ScrollBarSlider, CE_ScrollBarSlider}};
    QRegion painted;
    for (const auto& part : parts) {
        if (!(option.subControls & part.sub)) continue;
        const QRect r = subControlRect(CC_ScrollBar, &option, part.sub, bar);
        if (r.isEmpty()) continue;
        if (view)
            view->composeParentRegion(QRegion(r.translated(inView)));
        else
            skinned->composeRegion(QRegion(r.translated(inParent)));
        State partState = state;
        if ((option.activeSubControls & part.sub) && (option.state & State_Sunken))
            partState |= State_Sunken;
        drawScrollBarPart(part.element, bar, *target, r, offset, partState);
        painted += r;
    }
    presentRegion(painter, *target, painted, offset);
}

void ZRSkinStyle::drawScrollBarPart(ControlElement element, const QWidget* bar, QImage& target,
                                    const QRect& rect, const QPoint& offset, State state) const {
    const bool horizontal = state & State_Horizontal;
    const bool enabled = state & State_Enabled;
    const bool pressed = state & State_Sunken;
    const ZRScrollBarPieces& p = piecesFor(bar, horizontal ? Qt::Horizontal : Qt::Vertical);
    const QRect r = rect.translated(offset);
    const QRegion clip(r);
    const auto blend = [&](const Piece& piece, const QPoint& at) {
        if (piece.image && !piece.image->isNull())
            blendImageClipped(clip, target, at, *piece.image);
    };
    switch (element) {
    case CE_ScrollBarAddLine:
    case CE_ScrollBarSubLine: {
        const Piece* arrows = element == CE_ScrollBarAddLine ? p.add : p.sub;
        const int index = !enabled  ? ZRScrollBarPieces::ArrowDisabled
                          : pressed ? ZRScrollBarPieces::ArrowPressed
                                    : ZRScrollBarPieces::ArrowNormal;
        blend(orFallback(arrows[index], arrows[ZRScrollBarPieces::ArrowNormal]), r.topLeft());
        break;
    }
    case CE_ScrollBarAddPage:
    case CE_ScrollBarSubPage: {
        const Piece& fill = enabled ? p.fillNormal : orFallback(p.fillDisabled, p.fillNormal);
        if (fill.image && !fill.image->isNull())
            tileImageClipped(clip, target, r, *fill.image, 0, 0);
        break;
    }
    case CE_ScrollBarSlider: {
        const int s = pressed && p.middle[ZRScrollBarPieces::SliderPressed].image
                          ? ZRScrollBarPieces::SliderPressed
                          : ZRScrollBarPieces::SliderNormal;
        if (p.middle[s].image && !p.middle[s].image->isNull())
            tileImageClipped(clip, target, r, *p.middle[s].image, 0, 0);
        blend(p.first[s], r.topLeft());
        if (const QImage* last = p.last[s].image)
            blend(p.last[s],
                  QPoint(r.right() - last->width() + 1, r.bottom() - last->height() + 1));
        // The grabber mark sits in the middle, where the slider has room for it between its ends.
        if (const QImage* grabber = p.grabber.image) {
            const int room = (horizontal ? r.width() : r.height()) - along(p.first[s], horizontal) -
                             along(p.last[s], horizontal);
            if (along(p.grabber, horizontal) <= room)
                blend(p.grabber, r.center() - QPoint(grabber->width(), grabber->height()) / 2 +
                                     QPoint(horizontal ? 1 : 0, horizontal ? 0 : 1));
        }
        break;
    }
    default:
        break;
    }
}
