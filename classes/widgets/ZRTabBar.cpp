#include "classes/widgets/ZRTabBar.h"

#include "classes/painting/ZRImagePainting.h"
#include "classes/text/ZRDefaultTextFont.h"
#include "classes/widgets/ZRFontTag.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace {

const char* const kBoxSets[] = {"first_active",    "first_inactive", "middle_active",
                                "middle_inactive", "last_active",    "last_inactive"};

} // namespace

ZRTabBar::ZRTabBar(QDict<PSDLayerSet>* skin, QWidget* parent, const char* name,
                   Qt::WindowFlags flags)
    : QSBWidget(parent, name, flags), m_fontName(defaultTextFont().fileName) {
    setMouseTracking(true);
    const ZRFontTag font = translatedFontTag("ZRTabBar", "<name>ariblk.ttf</name><size>10</size>");
    if (!font.name.isEmpty()) m_fontName = font.name;
    if (font.pointSize > 0) m_fontSize = font.pointSize;
    if (skin) loadSkin(skin);
    setMinimumSize(std::max(m_skinWidth, 0), std::max(m_skinHeight, 0));
}

ZRTabBar::~ZRTabBar() = default;

void ZRTabBar::loadSkin(QDict<PSDLayerSet>* skin) {
    bool bandFound = false;
    for (int i = 0; i < BoxCount; ++i) {
        PSDLayerSet* set = skin->find(QLatin1String(kBoxSets[i]));
        if (!set) continue;
        m_boxes[i] = std::make_unique<ZRSkinBox>(&set->layers);
        m_skinWidth = std::max(m_skinWidth, set->bounds.width());
        m_skinHeight = std::max(m_skinHeight, set->bounds.height());
        const PSDLayer* fill = set->layers.find(QStringLiteral("fill_color"));
        if (fill && !bandFound) {
            // Layer positions are relative to the set's origin, the top of its bounds.
            m_textBand = set->bounds.height() - fill->position.y();
            bandFound = true;
        }
    }
    if (PSDLayerSet* filler = skin->find(QStringLiteral("filler_box"))) {
        m_fillerBox = std::make_unique<ZRSkinBox>(&filler->layers);
        m_fillerTop = filler->bounds.top();
        m_skinWidth = std::max(m_skinWidth, 0) + filler->bounds.width();
        m_skinHeight = std::max(m_skinHeight, filler->bounds.bottom() + 1);
    }
    if (PSDLayerSet* colours = skin->find(QStringLiteral("text_colors"))) {
        const auto read = [&](const char* layerName, QRgb& colour) {
            const PSDLayer* layer = colours->layers.find(QLatin1String(layerName));
            if (layer && !layer->image.isNull()) colour = layer->image.pixel(0, 0);
        };
        read("over", m_overColor);
        read("active", m_activeColor);
        read("inactive", m_inactiveColor);
        read("disabled", m_disabledColor);
    }
}

void ZRTabBar::sizeTab(ZRTab& tab) const {
    const QSize content = tab.image ? tab.image->size() : tab.label.size();
    tab.size = QSize(std::max(content.width(), 0) + 2 * m_marginX,
                     std::max(content.height(), 0) + 2 * m_marginY);
}

int ZRTabBar::addTab(ZRTab* tab) {
    return insertTab(tab, count());
}

int ZRTabBar::insertTab(ZRTab* tab, int index) {
    if (!tab) return -1;
    if (tab->id < 0) tab->id = m_nextId++;
    // The first tab added is selected, whatever id it came with.
    if (m_tabs.empty()) m_currentId = tab->id;
    tab->bar = this;
    tab->label.setAll(tab->label.text(), QColor::fromRgba(m_activeColor), m_fontName, m_fontSize,
                      m_letterSpacing);
    if (index < 0 || index > count()) index = count();
    m_tabs.insert(m_tabs.begin() + index, std::unique_ptr<ZRTab>(tab));
    sizeTab(*tab);
    layoutTabs();
    if (isVisible()) update();
    return m_nextId - 1;
}

void ZRTabBar::removeTab(ZRTab* tab) {
    const auto it = std::find_if(m_tabs.begin(), m_tabs.end(),
                                 [tab](const std::unique_ptr<ZRTab>& t) { return t.get() == tab; });
    if (it == m_tabs.end()) return;
    m_tips.remove(tab);
    if (tab->id == m_hoverId) m_hoverId = -1;
    m_tabs.erase(it);
    layoutTabs();
    if (isVisible()) update();
}

void ZRTabBar::layoutTabs() {
    int x = 0;
    for (const auto& tab : m_tabs) {
        tab->rect = QRect(x, 0, tab->size.width(), height());
        x += tab->size.width();
    }
    setMinimumWidth(x + 14);
}

ZRTab* ZRTabBar::tab(int id) const {
    for (const auto& t : m_tabs) {
        if (t->id == id) return t.get();
    }
    return nullptr;
}

int ZRTabBar::indexOf(int id) const {
    for (int i = 0; i < count(); ++i) {
        if (m_tabs[i]->id == id) return i;
    }
    return -1;
}

void ZRTabBar::setMargins(int marginX, int marginY) {
    m_marginX = marginX;
    m_marginY = marginY;
    for (const auto& t : m_tabs)
        sizeTab(*t);
    layoutTabs();
    update();
}

void ZRTabBar::setShowFiller(bool show) {
    m_showFiller = show;
    update();
}

void ZRTabBar::setTabEnabled(int id, bool enabled) {
    ZRTab* t = tab(id);
    if (!t) return;
    if (t->enabled != enabled) {
        t->enabled = enabled;
        t->updateBar();
    }
    update();
}

void ZRTabBar::setCurrentTab(int id) {
    if (id == m_currentId) return;
    m_currentId = id;
    emit selected(id);
    update();
}

void ZRTabBar::selectTabAt(const QPoint& point) {
    for (const auto& t : m_tabs) {
        if (!t->rect.contains(point)) continue;
        m_currentId = t->id;
        emit selected(m_currentId);
        update();
        return;
    }
}

void ZRTabBar::setTabToolTip(int index, const QString& text) {
    if (index < 0 || index >= count()) return;
    m_tips.insert(m_tabs[index].get(), text);
}

ZRTab* ZRTabBar::tabInTextArea(const QPoint& point) const {
    for (const auto& t : m_tabs) {
        if (t->rect.adjusted(0, 0, 0, -m_textBand).contains(point)) return t.get();
    }
    return nullptr;
}

bool ZRTabBar::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(e);
        for (const auto& t : m_tabs) {
            const auto tip = m_tips.constFind(t.get());
            if (tip == m_tips.constEnd() || !t->rect.contains(help->pos())) continue;
            QToolTip::showText(help->globalPos(), *tip, this, t->rect);
            return true;
        }
        QToolTip::hideText();
        e->ignore();
        return true;
    }
    return QSBWidget::event(e);
}

void ZRTabBar::resizeEvent(QResizeEvent* e) {
    QSBWidget::resizeEvent(e);
    layoutTabs();
}

void ZRTabBar::mouseMoveEvent(QMouseEvent* e) {
    if (!isEnabled()) return;
    const ZRTab* t = tabInTextArea(e->position().toPoint());
    if (t && t->id != m_hoverId) {
        m_hoverId = t->id;
        update();
    }
}

void ZRTabBar::leaveEvent(QEvent* e) {
    QSBWidget::leaveEvent(e);
    if (m_hoverId != -1) {
        m_hoverId = -1;
        update();
    }
}

void ZRTabBar::mousePressEvent(QMouseEvent* e) {
    const ZRTab* t = tabInTextArea(e->position().toPoint());
    if (!t || t->id == m_currentId) return;
    m_currentId = t->id;
    update();
    emit selected(indexOf(t->id));
}

void ZRTabBar::paintEvent(QPaintEvent* e) {
    QImage* target = composedImage();
    const QRegion region = e->region().intersected(rect());
    if (!target || target->isNull() || region.isEmpty()) return;
    composeRegion(region);
    const QPoint origin = mapPointToSkinRoot(QPoint(0, 0));
    const QRegion clip = region.translated(origin);

    bool first = true;
    for (const auto& t : m_tabs) {
        const bool current = t->id == m_currentId;
        ZRSkinBox* box = nullptr;
        if (first && m_boxes[current ? FirstActive : FirstInactive]) {
            box = m_boxes[current ? FirstActive : FirstInactive].get();
            first = false;
        } else {
            box = m_boxes[current ? MiddleActive : MiddleInactive].get();
        }
        if (box) box->drawInto(clip, *target, t->rect.translated(origin));

        if (t->image) {
            if (!t->image->isNull())
                blendImageClipped(clip, *target, origin + t->rect.topLeft() + t->imagePos,
                                  *t->image);
            continue;
        }
        const QRgb colour = t->id == m_hoverId ? m_overColor
                            : current          ? m_activeColor
                            : isEnabled()      ? m_inactiveColor
                                               : m_disabledColor;
        if (t->label.color().rgba() != colour) t->label.setColor(QColor::fromRgba(colour));
        if (const QImage* text = t->label.image()) {
            const QRect area = t->rect.adjusted(0, 0, 0, -(m_textBand - 2));
            const QPoint at(area.x() + (area.width() - text->width()) / 2,
                            area.y() + (area.height() - text->height()) / 2);
            blendImageClipped(clip, *target, origin + at, *text);
        }
    }
    if (m_showFiller && m_fillerBox) {
        const int x = m_tabs.empty() ? 0 : m_tabs.back()->rect.right() + 1;
        const QRect filler(x, m_fillerTop, width() - x, height() - m_fillerTop);
        if (!filler.isEmpty()) m_fillerBox->drawInto(clip, *target, filler.translated(origin));
    }

    QPainter painter(this);
    for (const QRect& r : region)
        presentComposedRect(painter, r);
}
