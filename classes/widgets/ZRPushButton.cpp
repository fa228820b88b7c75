#include "classes/widgets/ZRPushButton.h"

#include "classes/painting/ZRImagePainting.h"
#include "classes/painting/ZROpaqueImage.h"
#include "classes/painting/ZRWholeImageBlend.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/QSBWidget.h"
#include "classes/widgets/ZRFontTag.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace {

constexpr uint32_t kDisabledTextColor = 0xB3FFFFFFu;

const char* const kSlotNames[ZRPushButton::SlotCount] = {
    "face",           "normal",      "pressed",         "over", "disabled", "toggle_normal",
    "toggle_pressed", "toggle_over", "pressed_disabled"};

QDict<PSDLayerSet>* standardSkin() {
    return preloadedSkinSets("standard_button_box");
}

} // namespace

ZRPushButton::ZRPushButton(const QString& text, QWidget* parent, const char* name)
    : QPushButton(text, parent) {
    init(parent, name);
    loadBoxes(standardSkin(), false);
    loadTextColors(standardSkin());
    updateLayout();
}

ZRPushButton::ZRPushButton(const QString& text, QDict<PSDLayerSet>* skin, QWidget* parent,
                           const char* name)
    : QPushButton(text, parent) {
    init(parent, name);
    loadBoxes(skin ? skin : standardSkin(), skin != nullptr);
    loadTextColors(skin);
    m_drawText = true;
    syncCaption();
    updateLayout();
}

ZRPushButton::ZRPushButton(QWidget* parent, QDict<PSDLayerSet>* skin, const char* name)
    : QPushButton(parent) {
    init(parent, name);
    loadBoxes(skin, false);
    loadTextColors(standardSkin());
    m_drawText = true;
    updateLayout();
}

ZRPushButton::ZRPushButton(QWidget* parent, const char* name) : QPushButton(parent) {
    init(parent, name);
    loadBoxes(standardSkin(), false);
    loadTextColors(standardSkin());
    updateLayout();
}

ZRPushButton::ZRPushButton(QWidget* parent, QDict<PSDLayer>* layers, bool ownsLayers,
                           const char* name)
    : QPushButton(parent) {
    init(parent, name);
    m_boxMode = false;
    m_layers = layers;
    if (ownsLayers) m_ownedLayers.reset(layers);
    loadImages(layers);
    updateLayout();
}

ZRPushButton::~ZRPushButton() = default;

void ZRPushButton::init(QWidget* parent, const char* name) {
    if (name) setObjectName(QString::fromUtf8(name));
    if (auto* skinned = qobject_cast<QSBWidget*>(parent)) {
        m_inSkinnedParent = true;
        skinned->registerChild(this, true);
    }
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    QAbstractButton::setAutoRepeat(false);
    const ZRFontTag font =
        translatedFontTag("ZRPushButton", "<name>ariblk.ttf</name><size>10</size>");
    m_caption.setFont(font.name, font.pointSize);
    m_speedTimer.setSingleShot(true);
    connect(&m_repeatTimer, &QTimer::timeout, this, &ZRPushButton::autoRepeatTimeout);
    connect(&m_speedTimer, &QTimer::timeout, this, &ZRPushButton::repeatSpeedTimeout);
}

void ZRPushButton::loadBoxes(QDict<PSDLayerSet>* skin, bool onlyFound) {
    const struct {
        const char* name;
        ZRSkinBox* box;
    } boxes[] = {{"normal_box", &m_normalBox},
                 {"pressed_box", &m_pressedBox},
                 {"disabled_box", &m_disabledBox}};
    for (const auto& b : boxes) {
        PSDLayerSet* set = skin ? skin->find(QLatin1String(b.name)) : nullptr;
        if (set || !onlyFound) b.box->setSkin(set ? &set->layers : nullptr);
    }
}

// The top-left pixel of each layer of "text_colors" is that state's colour; the disabled colour
// is fixed.
void ZRPushButton::loadTextColors(QDict<PSDLayerSet>* skin) {
    PSDLayerSet* colours = skin ? skin->find(QStringLiteral("text_colors")) : nullptr;
    if (!colours) return;
    const struct {
        const char* name;
        TextState state;
    } layers[] = {{"normal", TextNormal}, {"pressed", TextPressed}, {"over", TextOver}};
    for (const auto& l : layers) {
        const PSDLayer* layer = colours->layers.find(QLatin1String(l.name));
        if (layer && !layer->image.isNull()) m_textColors[l.state] = layer->image.pixel(0, 0);
    }
    m_textColors[TextDisabled] = kDisabledTextColor;
}

void ZRPushButton::loadImages(QDict<PSDLayer>* layers) {
    for (int slot = 0; slot < SlotCount; ++slot) {
        const QString name = QLatin1String(kSlotNames[slot]);
        const PSDLayer* layer = layers ? layers->find(name) : nullptr;
        const bool maskable = slot == Pressed || slot == TogglePressed || slot == Over ||
                              slot == ToggleOver || slot == Disabled;
        if (!layer && maskable && layers) {
            layer = layers->find(name + QLatin1String("_mask"));
            m_masks[slot] = layer != nullptr;
        }
        m_images[slot] = layer && !layer->image.isNull() ? &layer->image : nullptr;
        m_positions[slot] = layer ? layer->position : QPoint();
    }
}

QSBWidget* ZRPushButton::skinnedParent() const {
    return m_inSkinnedParent ? qobject_cast<QSBWidget*>(parentWidget()) : nullptr;
}

void ZRPushButton::syncCaption() {
    if (m_drawText && m_caption.text() != text()) m_caption.setText(text());
}

int ZRPushButton::currentRepeatInterval() const {
    return m_repeatTimer.isActive() ? m_repeatTimer.interval() : -1;
}

void ZRPushButton::setCaptionFontName(const QString& name) {
    m_caption.setFont(name, m_caption.fontSize());
    setFont(QFont(name, m_caption.fontSize(), QFont::Normal, false));
    updateLayout();
    updateGeometry();
}

void ZRPushButton::setCaptionFontSize(int size) {
    m_caption.setFont(m_caption.fontName(), size);
    setFont(QFont(m_caption.fontName(), size, QFont::Normal, false));
    updateLayout();
    updateGeometry();
}

void ZRPushButton::setCaptionSpacing(float spacing) {
    m_caption.setSpacing(spacing);
    updateLayout();
    updateGeometry();
}

void ZRPushButton::setOffset(const QPoint& position, const QImage* image) {
    m_images[Face] = image;
    m_positions[Face] = position;
    updateLayout();
}

void ZRPushButton::updateLayout() {
    if (!m_boxMode) {
        int width = 0;
        int height = 0;
        for (int slot = 0; slot < SlotCount; ++slot) {
            if (!m_images[slot]) continue;
            width = std::max(width, m_positions[slot].x() + m_images[slot]->width());
            height = std::max(height, m_positions[slot].y() + m_images[slot]->height());
        }
        m_sizeHint = QSize(width, height);
        setFixedSize(m_sizeHint);
        return;
    }
    syncCaption();
    if (m_images[Face])
        m_sizeHint = m_images[Face]->size() + QSize(8, 8);
    else if (m_drawText && m_caption.image())
        m_sizeHint = m_caption.size() + QSize(8, 8);
    updateGeometry();
}

QSize ZRPushButton::sizeHint() const {
    return m_sizeHint.width() >= 0 && m_sizeHint.height() >= 0 ? m_sizeHint
                                                               : QPushButton::sizeHint();
}

void ZRPushButton::autoRepeatTimeout() {
    if (!isEnabled()) return;
    emit clicked();
    emit pressed();
}

void ZRPushButton::repeatSpeedTimeout() {
    if (m_speedFactor >= 6 || !m_repeatTimer.isActive()) return;
    m_speedFactor *= 2;
    m_repeatTimer.setInterval(m_baseInterval / m_speedFactor);
    m_speedTimer.start(m_speedUpPeriod);
}

void ZRPushButton::mousePressEvent(QMouseEvent* e) {
    if (m_autoRepeat && e->button() == Qt::LeftButton) {
        m_speedFactor = 1;
        m_repeatTimer.start(m_firstDelay);
        if (m_accelerate) m_speedTimer.start(m_speedUpPeriod);
    }
    QPushButton::mousePressEvent(e);
}

void ZRPushButton::mouseReleaseEvent(QMouseEvent* e) {
    m_repeatTimer.stop();
    m_speedTimer.stop();
    QPushButton::mouseReleaseEvent(e);
}

void ZRPushButton::enterEvent(QEnterEvent* e) {
    QPushButton::enterEvent(e);
    if (m_hover) return;
    m_hover = true;
    if (m_boxMode || m_images[Over]) update();
}

void ZRPushButton::leaveEvent(QEvent* e) {
    QPushButton::leaveEvent(e);
    if (!m_hover) return;
    m_hover = false;
    if (m_boxMode || m_images[Over]) update();
}

void ZRPushButton::changeEvent(QEvent* e) {
    QPushButton::changeEvent(e);
    if (e->type() == QEvent::EnabledChange) update();
}

void ZRPushButton::moveEvent(QMoveEvent* e) {
    QPushButton::moveEvent(e);
    if (isVisible()) update();
}

void ZRPushButton::resizeEvent(QResizeEvent* e) {
    QPushButton::resizeEvent(e);
    if (!m_boxMode) return;
    m_normalBox.setGeometry(rect());
    m_pressedBox.setGeometry(rect());
    m_disabledBox.setGeometry(rect());
}

void ZRPushButton::paintEvent(QPaintEvent* e) {
    QPainter painter(this);
    painter.setClipRegion(e->region());
    drawButton(painter, e->region());
}

void ZRPushButton::drawButton(QPainter& painter, const QRegion& region) {
    if (size().isEmpty()) return;
    const QRegion area = region.intersected(rect());
    QImage own;
    QImage* target = nullptr;
    QPoint origin;
    QSBWidget* parent = skinnedParent();
    QImage* shared = parent ? parent->composedImage() : nullptr;
    if (shared && !shared->isNull()) {
        // The parent's background first: drawing over the last paint would thicken every
        // translucent edge.
        parent->composeRegion(area.translated(pos()));
        target = shared;
        origin = parent->mapPointToSkinRoot(pos());
    } else {
        own = QImage(size(), QImage::Format_ARGB32);
        own.fill(palette().color(backgroundRole()).rgb() | 0xFF000000u);
        target = &own;
    }
    const QRegion clip = area.translated(origin);
    if (m_boxMode)
        drawBoxMode(*target, origin, clip);
    else
        drawImageMode(*target, origin, clip);

    drawImageOpaque(painter, QPoint(0, 0), *target, QRect(origin, size()));

    if (!m_images[Face] && !m_drawText) {
        QStyleOptionButton option;
        initStyleOption(&option);
        style()->drawControl(QStyle::CE_PushButtonLabel, &option, &painter, this);
    }
}

void ZRPushButton::drawBoxMode(QImage& target, const QPoint& origin, const QRegion& clip) {
    ZRSkinBox& box = !isEnabled()              ? m_disabledBox
                     : isDown() || isChecked() ? m_pressedBox
                                               : m_normalBox;
    box.drawInto(clip.translated(-origin), target, origin);

    if (const QImage* icon = m_images[Face]) {
        const QPoint place =
            m_positions[Face] == QPoint(-1, -1)
                ? QPoint((width() - icon->width()) / 2, (height() - icon->height()) / 2)
                : m_positions[Face];
        blendImageClipped(clip, target, place + faceShift() + origin, *icon);
    }

    syncCaption();
    if (!m_drawText || m_caption.text().isEmpty()) return;
    const TextState state = !isEnabled()              ? TextDisabled
                            : m_hover                 ? TextOver
                            : isDown() || isChecked() ? TextPressed
                                                      : TextNormal;
    const QColor colour = QColor::fromRgba(m_textColors[state]);
    if (m_caption.color() != colour) m_caption.setColor(colour);
    if (const QImage* text = m_caption.image()) {
        const QPoint place(width() / 2 - text->width() / 2, height() / 2 - text->height() / 2);
        blendImageClipped(clip, target, place + origin, *text);
    }
}

void ZRPushButton::drawImageMode(QImage& target, const QPoint& origin, const QRegion& clip) {
    auto draw = [&](Slot slot, QPoint shift = QPoint(), Slot placeOf = SlotCount) {
        if (!m_images[slot]) return;
        const QPoint place = m_positions[placeOf == SlotCount ? slot : placeOf];
        blendImageClipped(clip, target, origin + place + shift, *m_images[slot]);
    };
    auto present = [&](Slot slot) { return m_images[slot] != nullptr; };
    auto plain = [&](Slot slot) { return present(slot) && !m_masks[slot]; };
    const QPoint shifted = faceShift();
    const bool down = isDown();
    const bool toggled = isChecked();

    if (!isEnabled()) {
        if (toggled && present(PressedDisabled)) {
            draw(PressedDisabled);
            draw(Face, shifted);
        } else if (toggled && plain(TogglePressed)) {
            draw(TogglePressed);
            draw(Face, shifted);
        } else if (toggled && plain(Pressed)) {
            draw(Pressed);
            draw(Face, shifted);
        } else if (m_masks[Disabled]) {
            draw(Normal);
            draw(Face, shifted);
            draw(Disabled);
        } else {
            draw(present(Disabled) ? Disabled : Normal, QPoint(), Normal);
            draw(Face, shifted);
        }
        return;
    }
    if (down) {
        if (toggled && plain(TogglePressed)) {
            draw(TogglePressed);
        } else if (!toggled && m_masks[Pressed]) {
            draw(present(Normal) ? Normal : Pressed);
            draw(Face, shifted);
            draw(Pressed);
        } else {
            draw(Pressed);
            draw(Face, shifted);
        }
        return;
    }
    if (!toggled) {
        if (m_hover && present(Over)) {
            if (!m_masks[Over]) {
                draw(Over);
                return;
            }
            draw(present(Normal) ? Normal : Pressed);
            draw(Face);
            draw(Over);
            return;
        }
        draw(Normal);
        draw(Face);
        return;
    }
    if (m_hover && present(ToggleOver)) {
        if (!m_masks[ToggleOver]) {
            draw(ToggleOver);
            return;
        }
        draw(TogglePressed);
        draw(Face);
        draw(ToggleOver);
    } else if (!m_hover && present(ToggleNormal)) {
        draw(ToggleNormal);
        draw(Face);
    } else {
        draw(Pressed);
        draw(Face);
    }
}
