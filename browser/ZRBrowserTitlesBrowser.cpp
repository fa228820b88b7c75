#include "browser/ZRBrowserTitlesBrowser.h"

#include "browser/ZRTitleIconItem.h"
#include "browser/ZRTitleMarkup.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/QSBWidget.h"
#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"
#include "editor/ZRScopedPos.h"
#include "engine/api/IZRImage.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"

#include <QAbstractButton>
#include <QDrag>
#include <QKeyEvent>
#include <QRegularExpression>

#include <climits>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>

namespace {

constexpr char kListGroup[] = "TextList";
constexpr char kCountKey[] = "NumProfiles";
constexpr char kLabelKey[] = "Profile";
constexpr char kObjectGroupPrefix[] = "TextObject";
constexpr char kMarkupKey[] = "Text Text(U)";
constexpr char kStoredMarkupKey[] = "Text";
constexpr char kColourKey[] = "Text Background Color";
constexpr char kDurationKey[] = "Text Duration";
constexpr char kSafeFrameKey[] = "Text Safe Frame Size";
/// Longest title the page allows, in milliseconds.
constexpr int kMaxDurationMs = 100000;

/// The stored integer keys, in the order they are applied; the object's settings bear the
/// same names.
constexpr const char* kIntegerKeys[] = {
    "Text Alignment",  "Text Separator Width", "Text Separator Height", "Text Opaque Background",
    "Text StartX Pos", "Text StartY Pos",      "Text EndX Pos",         "Text EndY Pos",
    "Text Movement",   "Overlay Fade In",      "Overlay Fade Out",      "Overlay Fade Time"};

IZRSettings* settingsOf(IZRObject* object) {
    return dynamic_cast<IZRSettings*>(object);
}

QString markupOf(IZRObject* object) {
    IZRSettings* s = settingsOf(object);
    const char16_t* text = nullptr;
    if (!s || !s->getUnicodeStringSetting(kMarkupKey, &text) || !text) return {};
    return QString::fromUtf16(text);
}

int intSetting(IZRSettings* s, const char* key) {
    int value = 0;
    if (s) s->getIntSetting(key, &value);
    return value;
}

std::optional<int> strictInt(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

ZRBrowserTitlesBrowser::ZRBrowserTitlesBrowser(QWidget* parent, const char* name,
                                               Qt::WindowFlags flags)
    : ZRIconView(parent, name, flags) {
    m_box.setSkin(preloadedSkinSetLayers("text_inner_frame", "inner_frame"));
    setFocusPolicy(Qt::ClickFocus);
    setFrameStyle(QFrame::NoFrame);
    setLineWidth(0);
    setSelectionMode(Extended);
    setWordWrapIconText(true);
    setResizeMode(Adjust);
    setAutoArrange(true);
    setGridX(75);
    setGridY(55);
    setSpacing(5);
}

ZRBrowserTitlesBrowser::~ZRBrowserTitlesBrowser() {
    saveTitles();
    // The items' objects go back to the engine while the items still know it.
    clear();
}

void ZRBrowserTitlesBrowser::setEngine(IZRTimeline* engine) {
    if (engine == m_engine) return;
    // Titles made on another engine cannot outlive it here.
    if (m_engine && firstItem()) clear();
    m_engine = engine;
    m_loaded = false;
    if (isVisible()) loadStoredTitles();
}

// Each title is an engine object whose icon is rendered: hundreds of them cost a start whose
// first screen does not show them a good part of its time.
void ZRBrowserTitlesBrowser::loadStoredTitles() {
    if (m_loaded || !m_engine) return;
    loadTitles();
    if (ZRIconViewItem* first = firstItem()) setSelected(first, true, false);
}

void ZRBrowserTitlesBrowser::loadTitles() {
    QConfig* settings = appState().settings();
    if (!m_engine || !settings) return;
    m_loaded = true;
    settings->setGroup(QLatin1String(kListGroup));
    if (!settings->hasKey(QLatin1String(kCountKey))) return;
    const int count = strictInt(settings->readEntry(QLatin1String(kCountKey))).value_or(0);
    if (count <= 0) return;
    // Only the labels present are walked: a count read from the file makes nothing by itself,
    // so a huge one costs no more than the file holds.
    static const QRegularExpression labelKey(QStringLiteral("^Profile(\\d{1,10})$"));
    std::map<int, QString> labels;
    if (auto entries = settings->entryIterator(QLatin1String(kListGroup))) {
        for (; !entries->atEnd(); entries->next()) {
            const QRegularExpressionMatch m = labelKey.match(entries->current().key);
            if (!m.hasMatch()) continue;
            const std::optional<int> index = strictInt(m.captured(1));
            if (index && *index < count) labels.emplace(*index, entries->current().value);
        }
    }
    IZRObjectFactory* factory = m_engine->factory();
    for (const auto& [index, stored] : labels) {
        IZRObject* object = factory->createObject("2D-Text", "ZR-Engine", nullptr, kLoadMarkup);
        if (!object) continue;
        auto* item = new ZRTitleIconItem(this, m_engine, object);
        const QString label = titlemarkup::fromStoredForm(stored);
        item->setText(label);
        applyStoredKeys(*settings, item, titlemarkup::groupName(index, label));
        updateTitleIcon(item);
    }
    settings->setGroup(QLatin1String(kListGroup));
}

// Keys that are missing, unreadable or refused by the object leave the values of a new title.
void ZRBrowserTitlesBrowser::applyStoredKeys(QConfig& settings, ZRTitleIconItem* item,
                                             const QString& group) {
    IZRObject* object = item->object();
    IZRSettings* s = settingsOf(object);
    if (!s) return;
    settings.setGroup(group);
    if (settings.hasKey(QLatin1String(kStoredMarkupKey))) {
        const QString markup =
            titlemarkup::fromStoredForm(settings.readEntry(QLatin1String(kStoredMarkupKey)));
        s->setUnicodeStringSetting(kMarkupKey, reinterpret_cast<const char16_t*>(markup.utf16()));
        const QString firstLine = markup.section(QLatin1Char('\n'), 0, 0);
        object->setName(titlemarkup::leading(firstLine).toUtf8().constData());
    }
    // The colour before the integers: setting it turns the filled ground on, and a title stored
    // transparent must stay so.
    if (settings.hasKey(QLatin1String(kColourKey))) {
        const QColor colour = settings.readColorEntry(QLatin1String(kColourKey));
        if (colour.isValid())
            s->setIntTripleSetting(kColourKey, colour.red(), colour.green(), colour.blue());
    }
    for (const char* key : kIntegerKeys) {
        if (const auto value = strictInt(settings.readEntry(QLatin1String(key))))
            s->setIntSetting(key, *value);
    }
    if (const auto ms = strictInt(settings.readEntry(QLatin1String(kDurationKey)));
        ms && *ms >= 1 && *ms <= kMaxDurationMs) {
        ZRScopedPos markOut(m_engine->factory());
        markOut->setMilliseconds(unsigned(*ms));
        m_engine->setObjectMarkOut(object, markOut);
    }
    bool ok = false;
    const double safeFrame = settings.readEntry(QLatin1String(kSafeFrameKey)).toDouble(&ok);
    if (ok) s->setDoubleSetting(kSafeFrameKey, safeFrame);
}

void ZRBrowserTitlesBrowser::saveTitles() {
    QConfig* settings = appState().settings();
    // A view that never loaded the stored titles must not write its empty list over them.
    if (!settings || !m_engine || !m_loaded) return;
    // Groups of deleted or relabelled titles would otherwise stay in the file for ever.
    for (const QString& group : settings->groupList()) {
        if (group.startsWith(QLatin1String(kObjectGroupPrefix))) settings->deleteGroup(group, true);
    }
    settings->setGroup(QLatin1String(kListGroup));
    if (auto entries = settings->entryIterator(QLatin1String(kListGroup))) {
        for (; !entries->atEnd(); entries->next()) {
            if (entries->current().key.startsWith(QLatin1String(kLabelKey)))
                settings->deleteEntry(entries->current().key);
        }
    }
    settings->writeEntry(QLatin1String(kCountKey), count());
    int index = 0;
    for (ZRIconViewItem* i = firstItem(); i; i = i->nextItem(), ++index) {
        auto* item = dynamic_cast<ZRTitleIconItem*>(i);
        IZRObject* object = item ? item->object() : nullptr;
        IZRSettings* s = settingsOf(object);
        const QString label = i->text();
        settings->setGroup(QLatin1String(kListGroup));
        settings->writeEntry(QLatin1String(kLabelKey) + QString::number(index),
                             titlemarkup::storedForm(label));
        if (!s) continue;
        settings->setGroup(titlemarkup::groupName(index, label));
        settings->writeEntry(QLatin1String(kStoredMarkupKey),
                             titlemarkup::storedForm(markupOf(object)));
        for (const char* key : kIntegerKeys)
            settings->writeEntry(QLatin1String(key), intSetting(s, key));
        int r = 0, g = 0, b = 0;
        s->getIntTripleSetting(kColourKey, &r, &g, &b);
        settings->writeEntry(QLatin1String(kColourKey), QColor(r, g, b));
        settings->writeEntry(QLatin1String(kDurationKey), int(durationMs(object)));
        double safeFrame = 0.0;
        s->getDoubleSetting(kSafeFrameKey, &safeFrame);
        settings->writeEntry(QLatin1String(kSafeFrameKey), safeFrame);
    }
    // The file is the settings object's to save (a few seconds later, and at exit): saving a
    // large file here would hold the page at each title added.
    settings->setGroup(QLatin1String(kListGroup));
}

ZRTitleIconItem* ZRBrowserTitlesBrowser::addTitle(IZRObject* object) {
    if (!m_engine || !object) return nullptr;
    // Added behind the stored titles, which the save that follows writes too.
    loadStoredTitles();
    IZRObject* copy = m_engine->factory()->duplicateObject(object);
    if (!copy) return nullptr;
    auto* item = new ZRTitleIconItem(this, m_engine, copy);
    item->setText(titlemarkup::label(markupOf(copy)));
    updateTitleIcon(item);
    setSelected(item, true, false);
    setCurrentItem(item);
    saveTitles();
    return item;
}

// The title is drawn at the middle of its duration; the engine sizes it to the icon against
// the project's frame itself.
void ZRBrowserTitlesBrowser::updateTitleIcon(ZRIconViewItem* viewItem) {
    auto* item = dynamic_cast<ZRTitleIconItem*>(viewItem);
    if (!item || !item->object() || !m_engine) return;
    IZRObject* object = item->object();
    IZRObjectFactory* factory = m_engine->factory();
    QImage icon(kIconWidth, kIconHeight, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    IZRImage* frame = factory->createImage(kIconWidth, kIconHeight, 0);
    if (frame) {
        ZRScopedPos position(factory);
        const IZRPos* duration = object->duration();
        const double frames = duration ? duration->toFrames() : 0.0;
        const double rate = duration ? duration->framerate() : 0.0;
        if (rate > 0.0 && std::isfinite(frames))
            position->set(0, 0, 0, int(std::clamp(frames / 2, 0.0, double(INT_MAX))), rate);
        object->renderVideo(position, frame);
        frame->lock();
        if (frame->pixels() && frame->width() == kIconWidth && frame->height() == kIconHeight) {
            for (int y = 0; y < kIconHeight; ++y)
                std::memcpy(icon.scanLine(y), frame->pixels() + ptrdiff_t(y) * frame->stride(),
                            size_t(kIconWidth) * 4);
        }
        frame->unlock();
        factory->destroyImage(frame);
    }
    const QRgb black = 0xFF000000;
    for (int x = 0; x < kIconWidth; ++x) {
        icon.setPixel(x, 0, black);
        icon.setPixel(x, kIconHeight - 1, black);
    }
    for (int y = 0; y < kIconHeight; ++y) {
        icon.setPixel(0, y, black);
        icon.setPixel(kIconWidth - 1, y, black);
    }
    item->setPixmap(icon);
}

ZRTitleSettings ZRBrowserTitlesBrowser::titleSettings(IZRObject* object) {
    ZRTitleSettings record;
    IZRSettings* s = settingsOf(object);
    if (!s) return record;
    record.text = markupOf(object);
    record.alignment = intSetting(s, "Text Alignment");
    record.letterSpacing = intSetting(s, "Text Separator Width");
    record.lineSpacing = intSetting(s, "Text Separator Height");
    int r = 0, g = 0, b = 0;
    s->getIntTripleSetting(kColourKey, &r, &g, &b);
    record.backgroundColor = qRgb(r, g, b);
    record.opaqueBackground = intSetting(s, "Text Opaque Background");
    record.startX = intSetting(s, "Text StartX Pos");
    record.startY = intSetting(s, "Text StartY Pos");
    record.endX = intSetting(s, "Text EndX Pos");
    record.endY = intSetting(s, "Text EndY Pos");
    record.movement = intSetting(s, "Text Movement");
    record.fadeIn = intSetting(s, "Overlay Fade In");
    record.fadeOut = intSetting(s, "Overlay Fade Out");
    record.fadeTime = intSetting(s, "Overlay Fade Time");
    record.duration = durationMs(object);
    s->getDoubleSetting(kSafeFrameKey, &record.safeFrameSize);
    return record;
}

double ZRBrowserTitlesBrowser::durationMs(IZRObject* object) {
    IZRPos* markOut = object ? object->markOut() : nullptr;
    return markOut ? markOut->toMilliseconds() : 0.0;
}

void ZRBrowserTitlesBrowser::setToolButtons(QAbstractButton* newFolder, QAbstractButton* copy,
                                            QAbstractButton* paste, QAbstractButton* remove) {
    QObject::disconnect(m_removeConnection);
    m_newFolder = newFolder;
    m_copy = copy;
    m_paste = paste;
    m_remove = remove;
    if (isVisible() && m_remove)
        m_removeConnection = connect(m_remove, &QAbstractButton::clicked, this,
                                     &ZRBrowserTitlesBrowser::deleteSelectedItems);
}

QDrag* ZRBrowserTitlesBrowser::dragObject() {
    ZRIconViewItem* current = currentItem();
    if (!current) return nullptr;
    auto* data = new ZRTitleDrag(viewport());
    for (ZRIconViewItem* i = firstItem(); i; i = i->nextItem()) {
        auto* item = dynamic_cast<ZRTitleIconItem*>(i);
        if (item && item->isSelected())
            data->append(ZRIconDragItem(), QRect(), QRect(), titleSettings(item->object()));
    }
    auto* drag = new QDrag(viewport());
    drag->setMimeData(data);
    const QImage* icon = current->pixmap();
    drag->setPixmap(icon ? QPixmap::fromImage(*icon) : QPixmap());
    drag->setHotSpot(QPoint(kIconWidth / 2, kIconHeight / 2));
    return drag;
}

void ZRBrowserTitlesBrowser::deleteSelectedItems() {
    QList<ZRTitleIconItem*> doomed;
    ZRIconViewItem* next = nullptr;
    bool afterDeleted = false;
    for (ZRIconViewItem* i = firstItem(); i; i = i->nextItem()) {
        if (i->isSelected()) {
            if (auto* item = dynamic_cast<ZRTitleIconItem*>(i)) {
                doomed << item;
                afterDeleted = true;
                continue;
            }
        }
        if (afterDeleted && !next) next = i;
    }
    if (doomed.isEmpty()) return;
    for (ZRTitleIconItem* item : doomed)
        Q_EMIT deletingTextObject(item->object());
    // Each deletion takes the item out of the view and gives its object back to the engine.
    qDeleteAll(doomed);
    if (isVisible()) {
        ZRIconViewItem* shown = next ? next : firstItem();
        if (shown) setCurrentItem(shown);
        Q_EMIT previewBrowserItem(shown);
    }
    arrangeItemsInGrid(true);
}

void ZRBrowserTitlesBrowser::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Delete) {
        deleteSelectedItems();
        return;
    }
    ZRIconView::keyPressEvent(e);
}

void ZRBrowserTitlesBrowser::showEvent(QShowEvent* e) {
    loadStoredTitles();
    ZRIconView::showEvent(e);
    if (m_remove) m_remove->setEnabled(true);
    for (QAbstractButton* button : {m_newFolder.data(), m_copy.data(), m_paste.data()})
        if (button) button->setEnabled(false);
    QObject::disconnect(m_removeConnection);
    if (m_remove)
        m_removeConnection = connect(m_remove, &QAbstractButton::clicked, this,
                                     &ZRBrowserTitlesBrowser::deleteSelectedItems);
    ZRIconViewItem* selected = nullptr;
    for (ZRIconViewItem* i = firstItem(); i && !selected; i = i->nextItem())
        if (i->isSelected()) selected = i;
    Q_EMIT previewBrowserItem(selected);
    if (selected) setCurrentItem(selected);
}

void ZRBrowserTitlesBrowser::hideEvent(QHideEvent* e) {
    QObject::disconnect(m_removeConnection);
    ZRIconView::hideEvent(e);
}

void ZRBrowserTitlesBrowser::resizeEvent(QResizeEvent* e) {
    m_box.setGeometry(rect());
    ZRIconView::resizeEvent(e);
}

void ZRBrowserTitlesBrowser::repaintSkinRect(int x, int y, int w, int h) {
    repaintSkinRegion(QRegion(x, y, w, h));
}

void ZRBrowserTitlesBrowser::repaintSkinRegion(const QRegion& region) {
    ZRIconView::repaintSkinRegion(region);
    auto* parent = qobject_cast<QSBWidget*>(parentWidget());
    if (!hasSkinParent() || !parent) return;
    QImage* image = parent->composedImage();
    if (!image || image->isNull()) return;
    const QPoint offset = parent->mapPointToSkinRoot(pos());
    const QRegion target = region.translated(offset).intersected(image->rect());
    // The view's own area is opaque whatever the skin under it holds.
    for (const QRect& r : target) {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image->scanLine(y));
            for (int x = r.left(); x <= r.right(); ++x)
                line[x] |= 0xFF000000u;
        }
    }
    m_box.drawInto(region.intersected(rect()), *image, offset);
}
