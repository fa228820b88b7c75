#include "app/ZRAboutDialog.h"

#include "classes/skins/PSDImage.h"
#include "classes/skins/PSDLayerSet.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRPushButton.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace {

// The first layer of a set that has a picture (a set's header and divider have none).
const PSDLayer* firstPicture(const PSDLayerSet* set) {
    if (!set) return nullptr;
    for (const auto& [name, layer] : set->layers)
        if (!layer->image.isNull()) return layer.get();
    return nullptr;
}

} // namespace

ZRAboutDialog::ZRAboutDialog(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : ZRDialog(nullptr, parent, name, true, flags | Qt::Dialog) {
    setAttribute(Qt::WA_DeleteOnClose);
    setShadowSkin(nullptr);

    const QByteArray path =
        (skinBaseFolder() + QStringLiteral("/skins/default/about.psd")).toLocal8Bit();
    m_layers = LoadPSDImage(path.constData(), kPSDApplyLayerOpacity);
    m_sets = groupLayersIntoSets(m_layers.get(), true);
    applyLayerSetOpacity(m_sets.get(), nullptr);

    const PSDLayer* merged = m_layers ? m_layers->find(kMergedLayerName) : nullptr;
    if (merged && !merged->image.isNull()) {
        setBackgroundImage(merged->image, false);
        setFixedSize(merged->image.size());
    } else {
        setFixedSize(240, 120);
    }
    // Centred over the parent window, or on the default screen without one.
    if (QWidget* over = parent ? parent->window() : nullptr)
        move(over->geometry().center() - rect().center());
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    PSDLayerSet* ok = m_sets ? m_sets->find(QStringLiteral("OK")) : nullptr;
    if (ok) {
        m_ok = new ZRPushButton(this, &ok->layers, false, "OK");
        m_ok->move(ok->originX, ok->originY);
    } else {
        m_ok = new ZRPushButton(tr("OK"), this, "OK");
        m_ok->adjustSize();
        m_ok->move(width() - m_ok->width() - 12, height() - m_ok->height() - 12);
    }
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &ZRDialog::accept);

    const PSDLayerSet* bottom =
        m_sets ? m_sets->find(QStringLiteral("bottom_background")) : nullptr;
    if (const PSDLayer* layer = firstPicture(bottom)) {
        m_bottom = &layer->image;
        m_bottomAt = QPoint(bottom->originX, bottom->originY) + layer->position;
    }
}

// The button borrows the skin's layers: it goes before they do.
ZRAboutDialog::~ZRAboutDialog() {
    delete m_ok;
}

void ZRAboutDialog::composeBackground(int x, int y, int w, int h) {
    ZRDialog::composeBackground(x, y, w, h);
    QSBWidget::composeBackground(x, y, w, h);
    QImage* target = composedImage();
    const QRect r = QRect(x, y, w, h).intersected(rect());
    if (!m_bottom || !target || target->isNull() || r.isEmpty()) return;
    QPainter painter(target);
    painter.setClipRect(mapRectToSkinRoot(r));
    painter.drawImage(mapPointToSkinRoot(m_bottomAt), *m_bottom);
}
