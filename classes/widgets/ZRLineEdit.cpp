#include "classes/widgets/ZRLineEdit.h"

#include "classes/widgets/QSBWidget.h"
#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/ZRSkinPalette.h"

#include "classes/painting/ZROpaqueImage.h"

#include <QPaintEvent>
#include <QPainter>

ZRLineEdit::ZRLineEdit(QWidget* parent, const char* name) : QLineEdit(parent) {
    if (name) setObjectName(QString::fromUtf8(name));
    setFrame(false);
    if (parent && parent->inherits("ZRComboBox"))
        m_inComboBox = true;
    else if (parent && parent->inherits("QSBWidget"))
        m_hasSkinnedParent = true;
    if (m_inComboBox || m_hasSkinnedParent) {
        QPalette p = palette();
        p.setColor(QPalette::Window, parent->palette().color(QPalette::Window));
        // The skin shows through: only text, selection and cursor are drawn over it.
        p.setColor(QPalette::Base, Qt::transparent);
        // Its text stands on the dark skin: the combo box gave its own already.
        if (m_hasSkinnedParent) {
            const ZRSkinColours colours = ZRSkinColours::preloaded();
            setRoleColours(p, QPalette::Text, colours.text, colours.disabledText);
        }
        setPalette(p);
    }
}

ZRLineEdit::~ZRLineEdit() = default;

void ZRLineEdit::moveEvent(QMoveEvent* e) {
    QLineEdit::moveEvent(e);
    update();
}

void ZRLineEdit::resizeEvent(QResizeEvent* e) {
    QLineEdit::resizeEvent(e);
    update();
}

// Composes the parent's skin under `area` (widget coordinates) and puts it on the painter.
void ZRLineEdit::paintSkin(QPainter& painter, const QRect& area) {
    const QPoint origin = mapToParent(area.topLeft());
    QImage* target = nullptr;
    QPoint offset;
    if (auto* combo = m_inComboBox ? qobject_cast<ZRComboBox*>(parentWidget()) : nullptr) {
        target = combo->composedImage();
        offset = combo->mapPointToSkinRoot(origin);
        if (target) combo->composeRegion(QRegion(QRect(origin, area.size())));
    } else if (auto* skinned =
                   m_hasSkinnedParent ? qobject_cast<QSBWidget*>(parentWidget()) : nullptr) {
        target = skinned->composedImage();
        offset = skinned->mapPointToSkinRoot(origin);
        if (target) skinned->composeRegion(QRegion(QRect(origin, area.size())));
    }
    if (!target || target->isNull()) {
        painter.fillRect(area, palette().color(QPalette::Window));
        return;
    }
    drawImageOpaque(painter, area.topLeft(), *target, QRect(offset, area.size()));
}

void ZRLineEdit::paintEvent(QPaintEvent* e) {
    if (m_inComboBox || m_hasSkinnedParent) {
        QPainter painter(this);
        for (const QRect& r : e->region())
            paintSkin(painter, r);
    }
    QLineEdit::paintEvent(e);
}
