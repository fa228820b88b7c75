#include "classes/widgets/ZRComboBox.h"

#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/QSBWidget.h"
#include "classes/widgets/ZRFontTag.h"
#include "classes/widgets/ZRLineEdit.h"
#include "classes/widgets/ZRSkinPalette.h"

#include <QResizeEvent>

ZRComboBox::ZRComboBox(bool editable, QWidget* parent, const char* name) : QComboBox(parent) {
    if (name) setObjectName(QString::fromUtf8(name));
    setEditable(editable);
}

ZRComboBox::ZRComboBox(QWidget* parent, const char* name) : ZRComboBox(false, parent, name) {}

ZRComboBox::~ZRComboBox() = default;

QSBWidget* ZRComboBox::skinnedParent() const {
    return qobject_cast<QSBWidget*>(parentWidget());
}

void ZRComboBox::setFontTag() {
    setSkin(preloadedSkinSets("combo_box"));
    // Qt makes a combo box editable when it is given a line edit: only an editable one gets it.
    if (isEditable()) setLineEdit(new ZRLineEdit(this));
    const ZRFontTag tag =
        translatedFontTag("ZRComboBox", "<name>MS Sans Serif</name><size>8</size>");
    setFont(QFont(tag.name, tag.pointSize, QFont::Normal, false));
}

void ZRComboBox::setSkin(QDict<PSDLayerSet>* skin) {
    PSDLayerSet* arrow = skin ? skin->find(QStringLiteral("arrow_button")) : nullptr;
    const char* const names[ArrowStateCount] = {"over", "pressed", "normal", "disabled"};
    for (int i = 0; i < ArrowStateCount; ++i) {
        const PSDLayer* layer = arrow ? arrow->layers.find(QLatin1String(names[i])) : nullptr;
        m_arrowImages[i] = layer && !layer->image.isNull() ? &layer->image : nullptr;
        if (layer) m_arrowPositions[i] = QPoint(arrow->originX, arrow->originY);
    }
    PSDLayerSet* normal = skin ? skin->find(QStringLiteral("normal_box")) : nullptr;
    PSDLayerSet* disabled = skin ? skin->find(QStringLiteral("disabled_box")) : nullptr;
    m_normalBox.setSkin(normal ? &normal->layers : nullptr);
    m_disabledBox.setSkin(disabled ? &disabled->layers : nullptr);
    m_normalBox.setGeometry(rect());
    m_disabledBox.setGeometry(rect());
    QPalette p = palette();
    if (m_normalBox.fillMode()) {
        p.setColor(QPalette::Window, QColor::fromRgba(m_normalBox.fillColor()));
        // The list drops down on the box's own ground.
        p.setColor(QPalette::Base, QColor::fromRgba(m_normalBox.fillColor()));
    }
    // The current text stands on the skin's dark box, not on a white field: the skin's text
    // colour, and its edit and list take it over.
    const ZRSkinColours colours = ZRSkinColours::preloaded();
    setRoleColours(p, QPalette::Text, colours.text, colours.disabledText);
    setPalette(p);
    update();
}

void ZRComboBox::resizeEvent(QResizeEvent* e) {
    QComboBox::resizeEvent(e);
    m_normalBox.setGeometry(rect());
    m_disabledBox.setGeometry(rect());
}

void ZRComboBox::focusOutEvent(QFocusEvent* e) {
    emit focusLost();
    // QComboBox's own handler passes the focus-out on to its line edit, which ends editing there.
    QComboBox::focusOutEvent(e);
}

QImage* ZRComboBox::composedImage() const {
    QSBWidget* parent = skinnedParent();
    return parent ? parent->composedImage() : nullptr;
}

QPoint ZRComboBox::mapPointToSkinRoot(const QPoint& point) const {
    QSBWidget* parent = skinnedParent();
    return parent ? parent->mapPointToSkinRoot(mapToParent(point)) : point;
}

QRect ZRComboBox::mapRectToSkinRoot(const QRect& rect) const {
    return QRect(mapPointToSkinRoot(rect.topLeft()), rect.size());
}

void ZRComboBox::composeRegion(const QRegion& region) {
    for (const QRect& r : region.intersected(rect()))
        if (!r.isEmpty()) composeBackground(r.x(), r.y(), r.width(), r.height());
}

void ZRComboBox::composeBackground(int x, int y, int w, int h) {
    QSBWidget* parent = skinnedParent();
    QImage* target = parent ? parent->composedImage() : nullptr;
    const QRect r = QRect(x, y, w, h).intersected(rect());
    if (!target || target->isNull() || r.isEmpty()) return;
    parent->composeRegion(QRegion(QRect(mapToParent(r.topLeft()), r.size())));
    ZRSkinBox& box = isEnabled() ? m_normalBox : m_disabledBox;
    box.drawInto(QRegion(r), *target, parent->mapPointToSkinRoot(pos()));
}
