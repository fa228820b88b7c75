#include "browser/ZRBrowserTitlesView.h"

#include "browser/ZRBrowserTitlesBrowser.h"
#include "browser/ZRTextPreview.h"
#include "browser/ZRTitleIconItem.h"
#include "browser/ZRTitleMarkup.h"
#include "browser/ZRTitlePosition.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/ZRFontTag.h"
#include "classes/widgets/ZRLabel.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRTabBar.h"
#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"
#include "editor/ZRScopedPos.h"
#include "engine/api/IZRImage.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRSBPreviewFrame.h"
#include "views/ZRWindowServices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QDoubleValidator>
#include <QIntValidator>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QTextEdit>

#include <cmath>
#include <cstring>
#include <optional>

namespace {

constexpr char kMarkupKey[] = "Text Text(U)";
constexpr char kColourKey[] = "Text Background Color";
constexpr char kInitialMarkup[] =
    "<!Font=Times New Roman!><!Size=32!><!Color=R:0,G:0,B:0!>New Title";
constexpr char kCaptionFontTag[] = "<name>Small Fonts</name><size>7</size>";
constexpr char kTextFontTag[] = "<name>Arial</name><size>10</size>";
/// Bytes of one entry of the engine's name tables.
constexpr int kNameRecord = 50;

/// The default markup of each output format (0 DV .. 4 multimedia), format prefix included.
constexpr const char* kProfileMarkups[] = {
    "DV::<!Font=Times New Roman!><!Size=40!><!Color=R:0,G:0,B:0!>New Title",
    "VCD::<!Font=Times New Roman!><!Size=20!><!Color=R:0,G:0,B:0!>New Title",
    "SVCD::<!Font=Times New Roman!><!Size=32!><!Color=R:0,G:0,B:0!>New Title",
    "DVD::<!Font=Times New Roman!><!Size=40!><!Color=R:0,G:0,B:0!>New Title",
    "MULTIMEDIA::<!Font=Times New Roman!><!Size=16!><!Color=R:0,G:0,B:0!>New Title"};

IZRSettings* settingsOf(IZRObject* object) {
    return dynamic_cast<IZRSettings*>(object);
}

QString markupOf(IZRObject* object) {
    IZRSettings* s = settingsOf(object);
    const char16_t* text = nullptr;
    if (!s || !s->getUnicodeStringSetting(kMarkupKey, &text) || !text) return {};
    return QString::fromUtf16(text);
}

void setMarkup(IZRObject* object, const QString& markup) {
    if (IZRSettings* s = settingsOf(object))
        s->setUnicodeStringSetting(kMarkupKey, reinterpret_cast<const char16_t*>(markup.utf16()));
}

/// Milliseconds of a decimal text of seconds, truncated; none for text that is no number.
std::optional<int64_t> millisecondsOf(const QString& text) {
    bool ok = false;
    const double seconds = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || std::fabs(seconds) > 1e12) return std::nullopt;
    return int64_t(std::trunc(seconds * 1000.0));
}

QString secondsText(int ms) {
    return QString::number(ms * 0.001, 'g', 6);
}

/// A still picture of the skin: one layer image at a time.
class SkinPicture : public QWidget {
public:
    using QWidget::QWidget;
    void setImage(const QImage* image) {
        if (image == m_image) return;
        m_image = image;
        if (m_image) setFixedSize(m_image->size());
        update();
    }
    const QImage* image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!m_image) return;
        QPainter painter(this);
        painter.drawImage(0, 0, *m_image);
    }

private:
    const QImage* m_image = nullptr;
};

const QImage* skinLayer(const char* file, const char* set, const QString& layer) {
    QDict<PSDLayer>* layers = preloadedSkinSetLayers(file, set);
    PSDLayer* found = layers ? layers->find(layer) : nullptr;
    return found ? &found->image : nullptr;
}

ZRPushButton* imageButton(QWidget* parent, const char* file, const char* set, const char* name) {
    auto* button = new ZRPushButton(parent, preloadedSkinSetLayers(file, set), false, name);
    return button;
}

} // namespace

ZRBrowserTitlesView::ZRBrowserTitlesView(ZRTabBar* tabBar, QWidget* parent, const char* name)
    : QSBWidget(parent, name), m_tabBar(tabBar) {
    m_frame.setSkin(preloadedSkinSetLayers("text_inner_frame", "bottom_frame"));
    m_browser = new ZRBrowserTitlesBrowser(parent, "TitlesBrowser");
    connect(m_browser, qOverload<ZRIconViewItem*>(&ZRIconView::clicked), this,
            &ZRBrowserTitlesView::browserItemClicked);
    connect(m_browser, qOverload<ZRIconViewItem*>(&ZRIconView::doubleClicked), this,
            &ZRBrowserTitlesView::browserItemDClicked);
    connect(m_browser, &ZRBrowserTitlesBrowser::previewBrowserItem, this,
            &ZRBrowserTitlesView::browserItemClicked);
    connect(m_browser, &ZRBrowserTitlesBrowser::deletingTextObject, this,
            &ZRBrowserTitlesView::slotTextObjectDeleted);
    buildControls();
    m_timer.setInterval(kPreviewInterval);
    connect(&m_timer, &QTimer::timeout, this, &ZRBrowserTitlesView::preview);
}

ZRBrowserTitlesView::~ZRBrowserTitlesView() {
    m_timer.stop();
    if (m_textPreview) {
        m_textPreview->present(nullptr, false, QRect(), QRegion());
        delete m_textPreview.data();
    }
    if (m_engine) {
        IZRObjectFactory* factory = m_engine->factory();
        if (m_image) factory->destroyImage(m_image);
        if (m_pos) factory->destroyPos(m_pos);
        if (m_scratch) factory->destroyObject(m_scratch);
    }
}

void ZRBrowserTitlesView::buildControls() {
    const auto tip = [](QWidget* w, const char* text) { w->setToolTip(tr(text)); };
    const auto combo = [&](bool editable, const char* name, QSize size, const char* toolTip,
                           const QStringList& items) {
        auto* box = new ZRComboBox(editable, this, name);
        box->setFontTag();
        box->setFixedSize(size);
        box->setDuplicatesEnabled(false);
        box->addItems(items);
        if (toolTip) tip(box, toolTip);
        return box;
    };
    const QStringList spacings{"0", "2", "5", "8", "10", "20"};

    m_font = combo(false, "text font", QSize(100, 18), "Font", {});
    connect(m_font, &QComboBox::textActivated, this, &ZRBrowserTitlesView::fontChanged);
    m_fontSize = combo(true, "text font size", QSize(40, 18), "Font Size",
                       {"8", "10", "12", "16", "18", "20", "24", "28", "30", "32", "34", "36", "38",
                        "40", "42", "44", "48", "60"});
    m_fontSize->setValidator(new QIntValidator(0, 500, m_fontSize));
    connect(m_fontSize, &QComboBox::textActivated, this, &ZRBrowserTitlesView::fontSizeChanged);

    m_alignment = new QButtonGroup(this);
    const char* alignSets[] = {"align_left", "align_centered", "align_right"};
    const char* alignTips[] = {"Align Multi-Line Titles Left", "Align Multi-Line Titles Center",
                               "Align Multi-Line Titles Right"};
    for (int i = 0; i < 3; ++i) {
        m_align[i] = imageButton(this, "text_align_buttons", alignSets[i], alignSets[i]);
        m_align[i]->setCheckable(true);
        tip(m_align[i], alignTips[i]);
        m_alignment->addButton(m_align[i], i + 1);
    }
    connect(m_alignment, &QButtonGroup::idPressed, this, &ZRBrowserTitlesView::alignmentChanged);

    const auto swatch = [&](const char* name, const char* toolTip) {
        auto* w = new QWidget(this);
        w->setObjectName(QLatin1String(name));
        w->setFixedSize(33, 10);
        w->setAutoFillBackground(true);
        tip(w, toolTip);
        w->installEventFilter(this);
        return w;
    };
    m_textSwatch = swatch("text colour", "Font Color");
    m_backgroundSwatch = swatch("background colour", "Background Color");
    showColour(m_textSwatch, m_textColor);
    showColour(m_backgroundSwatch, m_backgroundColor);
    m_fill = new ZRPushButton(tr("Fill"), this, "background toggle");
    m_fill->setCheckable(true);
    m_fill->setFixedSize(33, 14);
    tip(m_fill, "Background On/Off");
    connect(m_fill, &QAbstractButton::toggled, this, &ZRBrowserTitlesView::backgroundColorToggled);

    m_kerning = combo(false, "text kerning", QSize(40, 18), "Add Space Between Letters", spacings);
    connect(m_kerning, &QComboBox::textActivated, this, &ZRBrowserTitlesView::fontKerningChanged);
    m_lineHeight = combo(false, "text height", QSize(40, 18), "Add Space Between Lines", spacings);
    connect(m_lineHeight, &QComboBox::textActivated, this,
            &ZRBrowserTitlesView::fontLineHeightChanged);

    auto* grid = new SkinPicture(this);
    grid->setObjectName(QStringLiteral("position grid"));
    grid->installEventFilter(this);
    m_grid = grid;
    auto* screen = new SkinPicture(this);
    screen->setObjectName(QStringLiteral("screen position"));
    screen->installEventFilter(this);
    m_screen = screen;

    const auto toggle = [&](const char* set, const char* toolTip) {
        ZRPushButton* b = imageButton(this, "text_frame_toggle", set, set);
        b->setCheckable(true);
        tip(b, toolTip);
        return b;
    };
    m_scroll = toggle("animation", "Scroll On/Off");
    m_start = toggle("start", "Set Start Position");
    m_end = toggle("end", "Set End Position");
    m_fade = toggle("fade", "Fade On/Off");
    m_fadeIn = toggle("in", "Fade In On/Off");
    m_fadeOut = toggle("out", "Fade Out On/Off");
    connect(m_scroll, &QAbstractButton::toggled, this, &ZRBrowserTitlesView::animStateToggled);
    connect(m_start, &QAbstractButton::toggled, this, &ZRBrowserTitlesView::animStartToggled);
    connect(m_end, &QAbstractButton::toggled, this, &ZRBrowserTitlesView::animEndToggled);
    connect(m_fade, &QAbstractButton::toggled, this, &ZRBrowserTitlesView::fadeToggled);
    connect(m_fadeIn, &QAbstractButton::toggled, this, &ZRBrowserTitlesView::fadeInToggled);
    connect(m_fadeOut, &QAbstractButton::toggled, this, &ZRBrowserTitlesView::fadeOutToggled);
    m_start->setChecked(true);

    m_fadeTime = combo(true, "fade time", QSize(59, 18), "Fade Time (Seconds)",
                       {"1", "2", "3", "4", "5", "10"});
    auto* fadeValidator = new QDoubleValidator(0, 999999, 1, m_fadeTime);
    fadeValidator->setNotation(QDoubleValidator::StandardNotation);
    m_fadeTime->setValidator(fadeValidator);
    connect(m_fadeTime, &QComboBox::textActivated, this,
            qOverload<const QString&>(&ZRBrowserTitlesView::fadeDurationSelected));
    if (QLineEdit* edit = m_fadeTime->lineEdit())
        connect(edit, &QLineEdit::returnPressed, this,
                qOverload<>(&ZRBrowserTitlesView::fadeDurationSelected));
    m_duration = combo(true, "duration", QSize(59, 18), "Title Duration (Seconds)",
                       {"1", "2", "3", "5", "10", "20"});
    auto* durationValidator = new QDoubleValidator(0, 1000, 1, m_duration);
    durationValidator->setNotation(QDoubleValidator::StandardNotation);
    m_duration->setValidator(durationValidator);
    connect(m_duration, &QComboBox::textActivated, this,
            qOverload<const QString&>(&ZRBrowserTitlesView::durationSelected));
    if (QLineEdit* edit = m_duration->lineEdit())
        connect(edit, &QLineEdit::returnPressed, this,
                qOverload<>(&ZRBrowserTitlesView::durationSelected));

    m_preview = new ZRPushButton(tr("Preview"), this, "preview");
    m_preview->setFixedSize(117, 13);
    tip(m_preview, "Preview Scroll");
    connect(m_preview, &QAbstractButton::clicked, this, &ZRBrowserTitlesView::previewClicked);

    m_text = new QTextEdit(this);
    m_text->setObjectName(QStringLiteral("title text"));
    const ZRFontTag textFont = parseFontTag(QLatin1String(kTextFontTag));
    m_text->setFont(QFont(textFont.name, textFont.pointSize));
    m_text->setAcceptRichText(false);
    m_text->setPlainText(QStringLiteral("Vesk\nBeta 5"));
    connect(m_text, &QTextEdit::textChanged, this, &ZRBrowserTitlesView::textChanged);

    m_saveToDisk = imageButton(this, "text_confirm_buttons", "disc_button", "save to disk");
    tip(m_saveToDisk, "Save title to disk");
    connect(m_saveToDisk, &QAbstractButton::clicked, this, &ZRBrowserTitlesView::saveClicked);
    m_reset = imageButton(this, "text_confirm_buttons", "reset_button", "reset");
    tip(m_reset, "Reset Default Settings");
    connect(m_reset, &QAbstractButton::clicked, this, &ZRBrowserTitlesView::resetClicked);
    m_save = imageButton(this, "text_confirm_buttons", "disc_button", "save title");
    tip(m_save, "Save Title");
    connect(m_save, &QAbstractButton::clicked, this, &ZRBrowserTitlesView::confirmClicked);

    const ZRFontTag captionFont = parseFontTag(QLatin1String(kCaptionFontTag));
    for (const char* caption : {"Color", "Screen Position", "Scroll", "Fade", "Duration"}) {
        auto* label = new ZRLabel(tr(caption), this);
        label->setFont(QFont(captionFont.name, captionFont.pointSize));
        label->adjustSize();
        m_captions << label;
    }

    for (QWidget* w : {static_cast<QWidget*>(m_start), static_cast<QWidget*>(m_end),
                       static_cast<QWidget*>(m_fadeIn), static_cast<QWidget*>(m_fadeOut),
                       static_cast<QWidget*>(m_fadeTime), static_cast<QWidget*>(m_preview)})
        w->setEnabled(false);
    updatePositionWidgets();
}

QWidget* ZRBrowserTitlesView::control(Control which) const {
    switch (which) {
    case FontCombo:
        return m_font;
    case SizeCombo:
        return m_fontSize;
    case KerningCombo:
        return m_kerning;
    case LineCombo:
        return m_lineHeight;
    case FadeTimeCombo:
        return m_fadeTime;
    case DurationCombo:
        return m_duration;
    case AlignLeft:
        return m_align[0];
    case AlignCentre:
        return m_align[1];
    case AlignRight:
        return m_align[2];
    case FillToggle:
        return m_fill;
    case ScrollToggle:
        return m_scroll;
    case StartToggle:
        return m_start;
    case EndToggle:
        return m_end;
    case FadeToggle:
        return m_fade;
    case FadeInToggle:
        return m_fadeIn;
    case FadeOutToggle:
        return m_fadeOut;
    case PreviewButton:
        return m_preview;
    case SaveToDiskButton:
        return m_saveToDisk;
    case ResetButton:
        return m_reset;
    case SaveTitleButton:
        return m_save;
    case TextColourSwatch:
        return m_textSwatch;
    case BackgroundSwatch:
        return m_backgroundSwatch;
    case PositionGrid:
        return m_grid;
    case ScreenPicture:
        return m_screen;
    }
    return nullptr;
}

// Only the text edit's size and the bottom row are fixed; the rest stands in columns below
// the text edit.
void ZRBrowserTitlesView::placeControls() {
    const int w = width(), h = height();
    m_text->setGeometry(6, 6, std::max(0, w - 13), std::max(0, h - 225));
    const int y0 = h - 213;
    m_font->move(6, y0);
    m_fontSize->move(110, y0);
    int x = 156;
    for (ZRPushButton* b : m_align) {
        b->move(x, y0);
        x += b->width() + 2;
    }
    QWidget* colourCaption = m_captions[0];
    colourCaption->move(6, y0 + 24);
    m_textSwatch->move(6, y0 + 38);
    m_fill->move(45, y0 + 22);
    m_backgroundSwatch->move(45, y0 + 38);
    m_kerning->move(100, y0 + 28);
    m_lineHeight->move(146, y0 + 28);
    m_captions[1]->move(6, y0 + 56);
    m_grid->move(6, y0 + 70);
    m_screen->move(6, y0 + 74 + m_grid->height());
    m_captions[2]->move(100, y0 + 56);
    m_scroll->move(100, y0 + 70);
    m_start->move(100, y0 + 88);
    m_end->move(100, y0 + 103);
    m_captions[3]->move(165, y0 + 56);
    m_fade->move(165, y0 + 70);
    m_fadeIn->move(165, y0 + 88);
    m_fadeOut->move(165, y0 + 103);
    m_fadeTime->move(165, y0 + 120);
    m_captions[4]->move(230, y0 + 56);
    m_duration->move(230, y0 + 70);
    m_preview->move(100, y0 + 145);
    const int bottom = h - 20;
    m_saveToDisk->move(175, bottom);
    m_reset->move(m_saveToDisk->x() + m_saveToDisk->width() + 5, bottom);
    m_save->move(m_reset->x() + m_reset->width() + 5, bottom);
}

void ZRBrowserTitlesView::composeBackground(int x, int y, int w, int h) {
    QSBWidget::composeBackground(x, y, w, h);
    QImage* image = composedImage();
    const QRect r = QRect(x, y, w, h).intersected(rect());
    if (!image || image->isNull() || r.isEmpty()) return;
    m_frame.drawInto(QRegion(r), *image, mapPointToSkinRoot(QPoint(0, 0)));
}

void ZRBrowserTitlesView::attachProject(IZRTimeline* engine) {
    if (!engine || m_engine) return;
    m_engine = engine;
    m_browser->setEngine(engine);
    IZRObjectFactory* factory = engine->factory();
    m_scratch = factory->createObject("2D-Text", "ZR-Engine", nullptr, kInitialMarkup);
    if (IZRSettings* s = settingsOf(m_scratch)) s->setIntSetting("Text AntiAlias", 1);
    m_pos = factory->createPos();
    if (QWidget* frame = appState().previewFrame) {
        m_textPreview = new ZRTextPreview(frame, "TextPreview");
        m_textPreview->hide();
        connect(m_textPreview, &ZRTextPreview::sigPaintPreview, this,
                &ZRBrowserTitlesView::generatePreview);
    }
    m_edited = m_scratch;
    if (const auto* table =
            static_cast<const char*>(engine->moduleList("Font", "System TT", nullptr, 0))) {
        const QSignalBlocker block(m_font);
        for (const char* entry = table; *entry; entry += kNameRecord) {
            const QString family = QString::fromUtf8(entry, qsizetype(strnlen(entry, kNameRecord)));
            int at = 0;
            while (at < m_font->count() &&
                   m_font->itemText(at).compare(family, Qt::CaseInsensitive) <= 0)
                ++at;
            m_font->insertItem(at, family);
        }
    }
    if (m_edited) applyTitleDefaults(m_edited);
    placeTextPreview();
    recreatePreviewImage();
    if (isVisible()) m_browser->loadStoredTitles();
    if (isVisible() && m_browser->count() > 0 && m_textPreview) {
        m_textPreview->show();
        previewWhole();
    }
}

void ZRBrowserTitlesView::setToolButtons(QAbstractButton* newFolder, QAbstractButton* copy,
                                         QAbstractButton* paste, QAbstractButton* remove) {
    m_newFolder = newFolder;
    m_copy = copy;
    m_paste = paste;
    m_remove = remove;
    m_browser->setToolButtons(newFolder, copy, paste, remove);
}

void ZRBrowserTitlesView::applyTitleDefaults(IZRObject* object) {
    IZRSettings* s = settingsOf(object);
    if (!s || !m_engine) return;
    int format = 3;
    if (QConfig* settings = appState().settings()) {
        settings->setGroup(QStringLiteral("General Settings"));
        if (settings->hasKey(QStringLiteral("ProfileDialogFormat")))
            format = settings->readNumEntry(QStringLiteral("ProfileDialogFormat"), 3);
    }
    const QString profileMarkup = format >= 0 && format < int(std::size(kProfileMarkups))
                                      ? QString::fromLatin1(kProfileMarkups[format])
                                      : QString();
    static const QRegularExpression prefix(QStringLiteral("\\w*::(.*)"));
    const QRegularExpressionMatch cut = prefix.match(profileMarkup);
    const QString markup = cut.hasMatch() ? cut.captured(1) : profileMarkup;
    setMarkup(object, markup);
    s->setIntSetting("Text Alignment", 1);
    s->setIntSetting("Text Separator Width", 0);
    s->setIntSetting("Text Separator Height", 5);
    s->setIntTripleSetting(kColourKey, 255, 255, 255);
    s->setIntSetting("Text Opaque Background", 0);
    s->setIntSetting("Text StartX Pos", 4);
    s->setIntSetting("Text StartY Pos", 4);
    s->setIntSetting("Text EndX Pos", 4);
    s->setIntSetting("Text EndY Pos", 2);
    s->setIntSetting("Text Movement", 0);
    s->setIntSetting("Overlay Fade In", 0);
    s->setIntSetting("Overlay Fade Out", 0);
    s->setIntSetting("Overlay Fade Time", 1000);
    {
        ZRScopedPos markOut(m_engine->factory());
        markOut->setMilliseconds(kDefaultDuration);
        m_engine->setObjectMarkOut(object, markOut);
    }
    static const QRegularExpression fontAndSize(QStringLiteral("Font=([\\w ]+).*Size=([0-9]+)"));
    const QRegularExpressionMatch m = fontAndSize.match(markup);
    if (m.hasMatch()) {
        m_family = m.captured(1);
        selectFamily(m_family);
        const int size = m.captured(2).toInt();
        if (size != 0) {
            m_size = size;
            selectSize(size);
        }
    }
    object->setName("New Title");
}

// A family the list lacks is inserted in order and kept: otherwise the rebuilt markup would
// change the title's font on the next click.
void ZRBrowserTitlesView::selectFamily(const QString& family) {
    if (family.isEmpty()) return;
    const QSignalBlocker block(m_font);
    int at = m_font->findText(family, Qt::MatchFixedString);
    if (at < 0) {
        at = 0;
        while (at < m_font->count() &&
               m_font->itemText(at).compare(family, Qt::CaseInsensitive) <= 0)
            ++at;
        m_font->insertItem(at, family);
    }
    m_font->setCurrentIndex(at);
}

void ZRBrowserTitlesView::selectSize(int size) {
    const QSignalBlocker block(m_fontSize);
    const QString text = QString::number(size);
    int at = m_fontSize->findText(text);
    if (at < 0) {
        at = 0;
        while (at < m_fontSize->count() && m_fontSize->itemText(at).toInt() <= size)
            ++at;
        m_fontSize->insertItem(at, text);
    }
    m_fontSize->setCurrentIndex(at);
}

void ZRBrowserTitlesView::showColour(QWidget* swatch, const QColor& colour) {
    QPalette palette = swatch->palette();
    palette.setColor(QPalette::Window, colour);
    swatch->setPalette(palette);
    swatch->update();
}

int ZRBrowserTitlesView::objectInt(const char* key, int fallback) const {
    int value = fallback;
    if (IZRSettings* s = settingsOf(m_edited)) s->getIntSetting(key, &value);
    return value;
}

void ZRBrowserTitlesView::setObjectInt(const char* key, int value) {
    if (IZRSettings* s = settingsOf(m_edited)) s->setIntSetting(key, value);
}

int ZRBrowserTitlesView::durationMs() const {
    return int(ZRBrowserTitlesBrowser::durationMs(m_edited));
}

void ZRBrowserTitlesView::setDurationMs(int ms) {
    if (!m_edited || !m_engine) return;
    ZRScopedPos markOut(m_engine->factory());
    markOut->setMilliseconds(unsigned(ms));
    m_engine->setObjectMarkOut(m_edited, markOut);
}

ZRIconViewItem* ZRBrowserTitlesView::editingItem() const {
    return liveItem(m_editingItem);
}

ZRIconViewItem* ZRBrowserTitlesView::refreshItem() const {
    return liveItem(m_refreshItem);
}

// Item pointers are only used while the titles browser still lists them.
ZRTitleIconItem* ZRBrowserTitlesView::liveItem(ZRTitleIconItem* item) const {
    if (!item) return nullptr;
    for (ZRIconViewItem* i = m_browser->firstItem(); i; i = i->nextItem())
        if (i == item) return item;
    return nullptr;
}

void ZRBrowserTitlesView::setTextObject(IZRObject*) {}

void ZRBrowserTitlesView::saveClicked() {}

void ZRBrowserTitlesView::adjustGUIToObject(IZRObject* object) {
    if (!object || !settingsOf(object)) return;
    IZRObject* edited = m_edited;
    m_edited = object;
    {
        const QSignalBlocker b1(m_font), b2(m_fontSize), b3(m_kerning), b4(m_lineHeight),
            b5(m_fadeTime), b6(m_duration), b7(m_text), b8(m_fill), b9(m_fade), b10(m_fadeIn),
            b11(m_fadeOut), b12(m_start), b13(m_end), b14(m_alignment);
        const QString markup = markupOf(object);
        const QString family = titlemarkup::family(markup);
        if (!family.isNull()) {
            m_family = family;
            selectFamily(family);
        }
        bool ok = false;
        const int size = titlemarkup::sizeText(markup).toInt(&ok);
        if (ok) {
            m_size = size;
            selectSize(size);
        }
        const QColor colour = titlemarkup::colour(markup);
        if (colour.isValid()) {
            m_textColor = colour;
            showColour(m_textSwatch, colour);
        }
        m_text->setPlainText(titlemarkup::editText(markup));
        m_letterSpacing = objectInt("Text Separator Width");
        if (int at = m_kerning->findText(QString::number(m_letterSpacing)); at >= 0)
            m_kerning->setCurrentIndex(at);
        m_lineSpacing = objectInt("Text Separator Height");
        if (int at = m_lineHeight->findText(QString::number(m_lineSpacing)); at >= 0)
            m_lineHeight->setCurrentIndex(at);
        int r = 255, g = 255, b = 255;
        settingsOf(object)->getIntTripleSetting(kColourKey, &r, &g, &b);
        m_backgroundColor =
            QColor(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        showColour(m_backgroundSwatch, m_backgroundColor);
        m_align[std::clamp(objectInt("Text Alignment", 1), 0, 2)]->setChecked(true);
        m_fill->setChecked(objectInt("Text Opaque Background") != 0);
        const bool in = objectInt("Overlay Fade In") != 0;
        const bool out = objectInt("Overlay Fade Out") != 0;
        m_fadeIn->setChecked(in);
        m_fadeOut->setChecked(out);
        m_fade->setChecked(in || out);
        for (QWidget* w : {static_cast<QWidget*>(m_fadeIn), static_cast<QWidget*>(m_fadeOut),
                           static_cast<QWidget*>(m_fadeTime)})
            w->setEnabled(in || out);
        m_fadeTime->setEditText(secondsText(objectInt("Overlay Fade Time", 1000)));
        m_duration->setEditText(secondsText(durationMs()));
    }
    // The scroll toggle's own slot refreshes the movement controls and positions, also when
    // the state stays the same.
    const bool moving = objectInt("Text Movement") != 0;
    if (m_scroll->isChecked() != moving)
        m_scroll->setChecked(moving);
    else
        animStateToggled(moving);
    m_edited = edited;
}

void ZRBrowserTitlesView::updateTextMarkup() {
    if (!m_edited) return;
    setMarkup(m_edited, titlemarkup::build(m_family, m_size, m_textColor, m_text->toPlainText()));
}

void ZRBrowserTitlesView::alignmentChanged(int id) {
    setObjectInt("Text Alignment", id - 1);
    previewWhole();
}

void ZRBrowserTitlesView::fontChanged(const QString& family) {
    m_family = family;
    updateTextMarkup();
    previewWhole();
}

void ZRBrowserTitlesView::fontSizeChanged(const QString& text) {
    bool ok = false;
    const int size = text.toInt(&ok);
    if (ok) m_size = size;
    updateTextMarkup();
    previewWhole();
}

void ZRBrowserTitlesView::fontKerningChanged(const QString& text) {
    m_letterSpacing = text.toInt();
    setObjectInt("Text Separator Width", m_letterSpacing);
    updateTextMarkup();
    previewWhole();
}

void ZRBrowserTitlesView::fontLineHeightChanged(const QString& text) {
    m_lineSpacing = text.toInt();
    setObjectInt("Text Separator Height", m_lineSpacing);
    updateTextMarkup();
    previewWhole();
}

void ZRBrowserTitlesView::foregroundColorToggled(bool) {
    previewWhole();
}

void ZRBrowserTitlesView::backgroundColorToggled(bool on) {
    setObjectInt("Text Opaque Background", on ? 1 : 0);
    if (on)
        if (IZRSettings* s = settingsOf(m_edited))
            s->setIntTripleSetting(kColourKey, m_backgroundColor.red(), m_backgroundColor.green(),
                                   m_backgroundColor.blue());
    previewWhole();
}

void ZRBrowserTitlesView::textChanged() {
    if (!m_edited) return;
    const QString name = titlemarkup::leading(m_text->toPlainText());
    m_edited->setName(name.toUtf8().constData());
    if (ZRTitleIconItem* item = liveItem(m_editingItem)) item->setText(name);
    updateTextMarkup();
    previewWhole();
}

void ZRBrowserTitlesView::animStateToggled(bool on) {
    {
        const QSignalBlocker b1(m_start), b2(m_end);
        if (!m_start->isChecked()) {
            m_start->setChecked(true);
            m_end->setChecked(false);
        }
    }
    m_start->setEnabled(on);
    m_end->setEnabled(on);
    if (on)
        m_preview->setEnabled(true);
    else
        m_preview->setEnabled(m_fade->isChecked() &&
                              (m_fadeIn->isChecked() || m_fadeOut->isChecked()));
    setObjectInt("Text Movement", on ? 1 : 0);
    updatePositionWidgets();
    previewWhole();
}

void ZRBrowserTitlesView::animStartToggled(bool on) {
    {
        const QSignalBlocker block(m_end);
        if (on)
            m_end->setChecked(false);
        else if (!m_end->isChecked())
            m_end->setChecked(true);
    }
    updatePositionWidgets();
    previewWhole();
}

void ZRBrowserTitlesView::animEndToggled(bool on) {
    {
        const QSignalBlocker block(m_start);
        if (on)
            m_start->setChecked(false);
        else if (!m_start->isChecked())
            m_start->setChecked(true);
    }
    updatePositionWidgets();
    previewWhole();
}

void ZRBrowserTitlesView::fadeToggled(bool on) {
    for (QWidget* w : {static_cast<QWidget*>(m_fadeIn), static_cast<QWidget*>(m_fadeOut),
                       static_cast<QWidget*>(m_fadeTime)})
        w->setEnabled(on);
    setObjectInt("Overlay Fade In", on && m_fadeIn->isChecked() ? 1 : 0);
    setObjectInt("Overlay Fade Out", on && m_fadeOut->isChecked() ? 1 : 0);
    if (on)
        m_preview->setEnabled(m_fadeIn->isChecked() || m_fadeOut->isChecked());
    else
        m_preview->setEnabled(m_scroll->isChecked());
    fitDurationToFades();
    previewWhole();
}

void ZRBrowserTitlesView::enablePreviewButton() {
    if (m_fadeIn->isChecked() || m_fadeOut->isChecked())
        m_preview->setEnabled(true);
    else if (!m_scroll->isChecked())
        m_preview->setEnabled(false);
}

void ZRBrowserTitlesView::fadeInToggled(bool on) {
    setObjectInt("Overlay Fade In", on ? 1 : 0);
    enablePreviewButton();
    fitDurationToFades();
    previewWhole();
}

void ZRBrowserTitlesView::fadeOutToggled(bool on) {
    setObjectInt("Overlay Fade Out", on ? 1 : 0);
    enablePreviewButton();
    fitDurationToFades();
    previewWhole();
}

int ZRBrowserTitlesView::fadeMultiple() const {
    return (objectInt("Overlay Fade In") != 0 ? 1 : 0) +
           (objectInt("Overlay Fade Out") != 0 ? 1 : 0);
}

void ZRBrowserTitlesView::fitDurationToFades() {
    if (!m_edited) return;
    const int64_t need = int64_t(fadeMultiple()) * objectInt("Overlay Fade Time", 1000);
    if (need <= durationMs()) return;
    QApplication::beep();
    setDurationMs(int(need));
    const QSignalBlocker block(m_duration);
    m_duration->setEditText(QString::number(need / 1000));
}

void ZRBrowserTitlesView::fadeDurationSelected() {
    fadeDurationSelected(m_fadeTime->currentText());
}

void ZRBrowserTitlesView::durationSelected() {
    durationSelected(m_duration->currentText());
}

// A refused entry is taken out of the list only when it is the entry shown: a typed value that
// never became an item leaves the list alone.
static void removeRefused(QComboBox* box, const QString& text) {
    const int at = box->currentIndex();
    if (at >= 0 && box->itemText(at) == text) box->removeItem(at);
}

void ZRBrowserTitlesView::fadeDurationSelected(const QString& text) {
    if (!m_edited) return;
    const std::optional<int64_t> ms = millisecondsOf(text);
    if (!ms || *ms < 0 || *ms > kMaxFadeTime) {
        QApplication::beep();
        const QSignalBlocker block(m_fadeTime);
        removeRefused(m_fadeTime, text);
        m_fadeTime->setEditText(QString::number(objectInt("Overlay Fade Time", 1000) / 1000));
    } else {
        setObjectInt("Overlay Fade Time", int(*ms));
        fitDurationToFades();
    }
    m_fadeTime->clearFocus();
    previewWhole();
}

void ZRBrowserTitlesView::durationSelected(const QString& text) {
    if (!m_edited) return;
    const std::optional<int64_t> ms = millisecondsOf(text);
    if (!ms || *ms < kMinDuration || *ms > kMaxDuration) {
        QApplication::beep();
        const QSignalBlocker block(m_duration);
        removeRefused(m_duration, text);
        m_duration->setEditText(QString::number(durationMs() / 1000));
    } else {
        const int k = fadeMultiple();
        const int fadeTime = objectInt("Overlay Fade Time", 1000);
        if (int64_t(k) * fadeTime > *ms) {
            QApplication::beep();
            int fitting = 0;
            for (int t = fadeTime; t >= 0; t -= 1000) {
                if (int64_t(k) * t <= *ms) {
                    fitting = t;
                    break;
                }
            }
            setObjectInt("Overlay Fade Time", fitting);
            const QSignalBlocker block(m_fadeTime);
            m_fadeTime->setEditText(secondsText(fitting));
        }
        setDurationMs(int(*ms));
    }
    m_duration->clearFocus();
    previewWhole();
}

void ZRBrowserTitlesView::resetClicked() {
    if (!m_edited) return;
    applyTitleDefaults(m_edited);
    adjustGUIToObject(m_edited);
    updateTextMarkup();
    previewWhole();
}

void ZRBrowserTitlesView::confirmClicked() {
    if (!m_edited) return;
    m_browser->addTitle(m_edited);
    m_edited = m_scratch;
    if (m_tabBar) m_tabBar->setCurrentTab(0);
}

void ZRBrowserTitlesView::browseTabBarSelected(int id) {
    if (id == 0 && m_editorTab) {
        m_editorTab = false;
        m_browser->show();
        hide();
    } else if (id == 1 && !m_editorTab) {
        m_editorTab = true;
        show();
        m_browser->hide();
    }
}

void ZRBrowserTitlesView::browserItemDClicked(ZRIconViewItem* viewItem) {
    auto* item = dynamic_cast<ZRTitleIconItem*>(viewItem);
    if (!item || !item->object() || !liveItem(item)) return;
    m_suppressed = true;
    m_refreshItem = item;
    if (m_tabBar) m_tabBar->setCurrentTab(1);
    // Showing the page makes the scratch object the edited one; the item is taken up after.
    m_editingItem = item;
    m_edited = item->object();
    m_reset->setEnabled(false);
    m_save->setEnabled(false);
    adjustGUIToObject(m_edited);
    updateTextMarkup();
    m_suppressed = false;
    previewWhole();
}

void ZRBrowserTitlesView::browserItemClicked(ZRIconViewItem* viewItem) {
    if (!viewItem) {
        if (m_textPreview) m_textPreview->hide();
        return;
    }
    auto* item = dynamic_cast<ZRTitleIconItem*>(viewItem);
    if (!item || !item->object()) return;
    if (m_textPreview && m_textPreview->isHidden()) m_textPreview->show();
    m_edited = item->object();
    adjustGUIToObject(m_edited);
    updateTextMarkup();
    previewWhole();
}

void ZRBrowserTitlesView::slotTextObjectDeleted(IZRObject* object) {
    if (!object) return;
    const ZRTitleIconItem* refresh = liveItem(m_refreshItem);
    if (!refresh || refresh->object() == object) m_refreshItem = nullptr;
    const ZRTitleIconItem* editing = liveItem(m_editingItem);
    if (!editing || editing->object() == object) m_editingItem = nullptr;
    if (object != m_edited) return;
    m_timer.stop();
    m_edited = m_scratch;
    m_editingItem = nullptr;
    if (m_scratch) applyTitleDefaults(m_scratch);
}

void ZRBrowserTitlesView::hideAllPreviews() {
    m_browser->setCurrentItem(nullptr);
    m_browser->clearSelection();
    if (m_textPreview) m_textPreview->hide();
}

void ZRBrowserTitlesView::updatePositionWidgets() {
    const bool scroll = m_scroll && m_scroll->isChecked();
    if (m_edited) {
        const bool endSide = scroll && m_end->isChecked();
        const int x = objectInt(endSide ? "Text EndX Pos" : "Text StartX Pos", 4);
        const int y = objectInt(endSide ? "Text EndY Pos" : "Text StartY Pos", 4);
        m_positionName = titleposition::name(x, y);
        m_onScreen = !(scroll && (titleposition::isOffScreen(x) || titleposition::isOffScreen(y)));
    }
    const bool centre = m_positionName == QLatin1String(titleposition::kCentre);
    const QString gridLayer =
        centre ? m_positionName + (m_onScreen ? QStringLiteral("_on") : QStringLiteral("_off"))
               : m_positionName;
    static_cast<SkinPicture*>(m_grid)->setImage(skinLayer("text_animator", "animator", gridLayer));
    if (m_edited) setObjectTextPosition(m_edited);
    const QString screenLayer = !centre && scroll
                                    ? QLatin1String(m_onScreen ? "on_screen" : "off_screen")
                                    : QLatin1String("disabled");
    static_cast<SkinPicture*>(m_screen)->setImage(
        skinLayer("text_animator", "screenpos", screenLayer));
}

void ZRBrowserTitlesView::setObjectTextPosition(IZRObject* object) {
    IZRSettings* s = settingsOf(object);
    if (!s) return;
    const titleposition::Codes c = titleposition::codes(m_positionName, m_onScreen);
    const bool end = m_end && m_end->isChecked();
    s->setIntSetting(end ? "Text EndX Pos" : "Text StartX Pos", c.x);
    s->setIntSetting(end ? "Text EndY Pos" : "Text StartY Pos", c.y);
    previewWhole();
}

void ZRBrowserTitlesView::pickTextColour() {
    const QColor chosen = ZRWindowServices::current().chooseColor(this, m_textColor);
    if (chosen.isValid() && chosen != m_textColor) {
        m_textColor = chosen;
        showColour(m_textSwatch, chosen);
        updateTextMarkup();
    }
    previewWhole();
}

void ZRBrowserTitlesView::pickBackgroundColour() {
    const QColor chosen = ZRWindowServices::current().chooseColor(this, m_backgroundColor);
    if (chosen.isValid() && (chosen != m_backgroundColor || !m_fill->isChecked())) {
        m_backgroundColor = chosen;
        showColour(m_backgroundSwatch, chosen);
        if (m_fill->isChecked())
            backgroundColorToggled(true);
        else
            m_fill->setChecked(true);
    }
    previewWhole();
}

bool ZRBrowserTitlesView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress) return QSBWidget::eventFilter(watched, event);
    const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
    if (watched == m_textSwatch) {
        pickTextColour();
        return true;
    }
    if (watched == m_backgroundSwatch) {
        pickBackgroundColour();
        return true;
    }
    if (watched == m_grid) {
        m_positionName = titleposition::cellAt(at, m_positionName);
        setObjectTextPosition(m_edited);
        updatePositionWidgets();
        return true;
    }
    if (watched == m_screen) {
        if (m_positionName != QLatin1String(titleposition::kCentre) && m_scroll->isChecked()) {
            m_onScreen = at.x() < titleposition::kScreenSplitX;
            setObjectTextPosition(m_edited);
            updatePositionWidgets();
        }
        return true;
    }
    return QSBWidget::eventFilter(watched, event);
}

void ZRBrowserTitlesView::showEvent(QShowEvent* e) {
    QSBWidget::showEvent(e);
    if (!m_engine || !m_image) return;
    m_edited = m_scratch;
    m_editingItem = nullptr;
    if (m_edited) {
        adjustGUIToObject(m_edited);
        updateTextMarkup();
        previewWhole();
    }
    if (m_textPreview && m_textPreview->isHidden()) m_textPreview->show();
    m_reset->setEnabled(true);
    m_save->setEnabled(true);
    for (QAbstractButton* b : {m_newFolder.data(), m_copy.data(), m_paste.data(), m_remove.data()})
        if (b) b->setEnabled(false);
}

void ZRBrowserTitlesView::hideEvent(QHideEvent* e) {
    if (ZRTitleIconItem* item = liveItem(m_refreshItem)) m_browser->updateTitleIcon(item);
    m_refreshItem = nullptr;
    QSBWidget::hideEvent(e);
}

void ZRBrowserTitlesView::resizeEvent(QResizeEvent* e) {
    QSBWidget::resizeEvent(e);
    m_frame.setGeometry(rect());
    placeControls();
    placeTextPreview();
    recreatePreviewImage();
    if (m_scratch) {
        m_edited = m_scratch;
        m_editingItem = nullptr;
        adjustGUIToObject(m_edited);
    }
}
