#include "classes/widgets/ZRLabel.h"

#include "classes/widgets/QSBWidget.h"
#include "classes/widgets/ZRFontTag.h"
#include "classes/widgets/ZRParentSkin.h"

#include <QPaintEvent>
#include <QPainter>

ZRLabel::ZRLabel(QWidget* parent, const char* name, Qt::WindowFlags flags) : QLabel(parent, flags) {
    init(name);
}

ZRLabel::ZRLabel(const QString& text, QWidget* parent, const char* name, Qt::WindowFlags flags)
    : QLabel(text, parent, flags) {
    init(name);
}

void ZRLabel::init(const char* name) {
    if (name) setObjectName(QString::fromUtf8(name));
    setLineWidth(0);
    setFrameStyle(QFrame::NoFrame);
    const ZRFontTag tag = translatedFontTag("ZRLabel", "<name>Arial</name><size>8</size>");
    setFont(QFont(tag.name, tag.pointSize, QFont::Normal, false));
    if (auto* skinned = qobject_cast<QSBWidget*>(parentWidget())) {
        skinned->registerChild(this, true);
        m_hasSkinnedParent = true;
        // The skin is painted under the text: Qt need not erase first.
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
}

void ZRLabel::setGeometry(int x, int y, int w, int h) {
    QWidget::setGeometry(x, y, w, h);
    repaint();
}

void ZRLabel::paintEvent(QPaintEvent* e) {
    if (m_hasSkinnedParent) {
        QPainter painter(this);
        for (const QRect& r : e->region())
            paintParentSkin(painter, *this, r);
    }
    QLabel::paintEvent(e);
}
