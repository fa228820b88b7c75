#include "classes/widgets/ZRScrollBar.h"

#include "classes/widgets/QSBWidget.h"

ZRScrollBar::ZRScrollBar(QWidget* parent, QDict<PSDLayerSet>* skin, const char* name)
    : QScrollBar(parent) {
    init(parent, skin, name);
}

ZRScrollBar::ZRScrollBar(Qt::Orientation orientation, QWidget* parent, QDict<PSDLayerSet>* skin,
                         const char* name)
    : QScrollBar(orientation, parent) {
    init(parent, skin, name);
}

ZRScrollBar::~ZRScrollBar() = default;

void ZRScrollBar::init(QWidget* parent, QDict<PSDLayerSet>* skin, const char* name) {
    if (name) setObjectName(QString::fromUtf8(name));
    if (auto* skinned = qobject_cast<QSBWidget*>(parent)) {
        skinned->registerChild(this, true);
        m_hasSkinnedParent = true;
    }
    loadSkin(skin);
}

void ZRScrollBar::initSkin(QDict<PSDLayerSet>* skin) {
    m_skin.clear();
    if (skin) loadSkin(skin);
}

void ZRScrollBar::loadSkin(QDict<PSDLayerSet>* skin) {
    m_skin.load(skin);
}

void ZRScrollBar::setSkin(QDict<PSDLayerSet>* skin) {
    loadSkin(skin);
    update();
}

const ZRScrollBarPieces& ZRScrollBar::pieces() const {
    return orientation() == Qt::Horizontal ? m_skin.horizontal : m_skin.vertical;
}

QSize ZRScrollBar::skinSize() const {
    return pieces().size;
}

void ZRScrollBar::moveEvent(QMoveEvent* e) {
    QScrollBar::moveEvent(e);
    update();
}

void ZRScrollBar::resizeEvent(QResizeEvent* e) {
    QScrollBar::resizeEvent(e);
    update();
}
