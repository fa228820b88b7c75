// The toolkit gallery: every skinned widget of the toolkit on the default skin, in its states,
// on one page. `gallery --screenshot file.png` saves the page and quits (for xvfb-run).

#include "classes/painting/ZRImagePainting.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/text/ZRTextImage.h"
#include "classes/widgets/QSBWidget.h"
#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/ZRDialog.h"
#include "classes/widgets/ZRFrame.h"
#include "classes/widgets/ZRLabel.h"
#include "classes/widgets/ZRLineEdit.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRSBText.h"
#include "classes/widgets/ZRScrollBar.h"
#include "classes/widgets/ZRSkinBox.h"
#include "classes/widgets/ZRSkinStyle.h"
#include "classes/widgets/ZRSlider.h"
#include "classes/widgets/ZRTCWidget.h"
#include "classes/widgets/ZRTabBar.h"

#include "capture/ZRJogShuttle.h"
#include "capture/ZRRemoteCtrl.h"
#include "editor/ZRUserData.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRSBPSlider.h"
#include "views/ZRSBTrimmer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QEnterEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>
#include <vector>

namespace {

constexpr int kMargin = 16;
constexpr int kPageWidth = 980;
const QColor kCaptionColour(230, 232, 236);

// A page of the gallery: a skin root that draws skin boxes and captions into its composed image
// and holds skinned children for the state images.
class GalleryPage : public QSBWidget {
public:
    explicit GalleryPage(QWidget* parent) : QSBWidget(parent) {
        QPalette p = palette();
        p.setColor(QPalette::Window, QColor(38, 41, 46));
        setPalette(p);
    }

    int cursorY = kMargin;

    void addHeading(const QString& text) {
        cursorY += 8;
        addCaption(text, QPoint(kMargin, cursorY), 16);
        cursorY += 28;
    }

    void addCaption(const QString& text, const QPoint& at, int size = 10,
                    const QColor& colour = kCaptionColour) {
        auto caption =
            std::make_unique<ZRTextImage>(text, colour, QStringLiteral("arial.ttf"), size, 0.0f);
        if (caption->isValid()) m_captions.push_back({std::move(caption), at});
    }

    void addBox(QDict<PSDLayer>* set, const QRect& rect) {
        auto box = std::make_unique<ZRSkinBox>(set);
        box->setGeometry(rect);
        m_boxes.push_back(std::move(box));
    }

    void composeBackground(int x, int y, int w, int h) override {
        QSBWidget::composeBackground(x, y, w, h);
        QImage* image = composedImage();
        const QRect r = QRect(x, y, w, h).intersected(rect());
        if (!image || r.isEmpty()) return;
        const QRegion clip(mapRectToSkinRoot(r));
        const QPoint origin = mapPointToSkinRoot(QPoint(0, 0));
        for (const auto& box : m_boxes)
            box->drawInto(QRegion(r), *image, origin);
        for (const Caption& c : m_captions)
            blendImageClipped(clip, *image, origin + c.at, *c.text->image());
    }

private:
    struct Caption {
        std::unique_ptr<ZRTextImage> text;
        QPoint at;
    };
    std::vector<std::unique_ptr<ZRSkinBox>> m_boxes;
    std::vector<Caption> m_captions;
};

// Every set of the grouped skin files that has box pieces, drawn at two sizes.
void addSkinBoxes(GalleryPage& page) {
    page.addHeading(QStringLiteral("ZRSkinBox"));
    int x = kMargin;
    for (const PreloadedSkinFile& file : kPreloadedSkinFiles) {
        QDict<PSDLayerSet>* sets = file.grouped ? preloadedSkinSets(file.name) : nullptr;
        if (!sets) continue;
        for (const auto& [name, set] : *sets) {
            if (!set->layers.find(QStringLiteral("nw"))) continue;
            if (x + 220 > kPageWidth) {
                x = kMargin;
                page.cursorY += 78;
            }
            page.addBox(&set->layers, QRect(x, page.cursorY, 140, 40));
            page.addBox(&set->layers, QRect(x + 148, page.cursorY, 60, 24));
            page.addCaption(QString::fromLatin1(file.name) + QLatin1Char('/') + name,
                            QPoint(x, page.cursorY + 46), 9);
            x += 236;
        }
    }
    page.cursorY += 78;
}

// The state layers of button-like sets, each as a skinned child showing it.
void addStates(GalleryPage& page) {
    page.addHeading(QStringLiteral("QSBWidget: skinned children in their states"));
    const QString states[] = {QStringLiteral("normal"), QStringLiteral("over"),
                              QStringLiteral("pressed"), QStringLiteral("disabled")};
    int x = kMargin;
    int rowHeight = 0;
    for (const PreloadedSkinFile& file : kPreloadedSkinFiles) {
        QDict<PSDLayerSet>* sets = file.grouped ? preloadedSkinSets(file.name) : nullptr;
        if (!sets) continue;
        for (const auto& [name, set] : *sets) {
            if (!set->layers.find(states[0])) continue;
            int width = 0;
            int height = 0;
            for (const QString& state : states) {
                if (const PSDLayer* layer = set->layers.find(state)) {
                    width += layer->image.width() + 4;
                    height = std::max(height, layer->image.height());
                }
            }
            if (width == 0 || height > 80) continue;
            const QString caption = QString::fromLatin1(file.name) + QLatin1Char('/') + name;
            width = std::max(width,
                             ZRTextImage(caption, Qt::white, QStringLiteral("arial.ttf"), 9, 0.0f)
                                 .size()
                                 .width());
            if (x + width > kPageWidth) {
                x = kMargin;
                page.cursorY += rowHeight + 26;
                rowHeight = 0;
            }
            int stateX = x;
            for (const QString& state : states) {
                const PSDLayer* layer = set->layers.find(state);
                if (!layer || layer->image.isNull()) continue;
                auto* child = new QSBWidget(layer->image, false, &page);
                child->setGeometry(QRect(QPoint(stateX, page.cursorY), layer->image.size()));
                stateX += layer->image.width() + 4;
            }
            page.addCaption(caption, QPoint(x, page.cursorY + height + 4), 9);
            x += width + 24;
            rowHeight = std::max(rowHeight, height);
        }
    }
    page.cursorY += rowHeight + 30;

    // A scaled, half-transparent child over a tiled one: the composition chain.
    QImage tile(8, 8, QImage::Format_ARGB32);
    tile.fill(QColor(70, 90, 120));
    for (int i = 0; i < 8; ++i)
        tile.setPixel(i, i, qRgb(110, 140, 180));
    auto* tiled = new QSBWidget(tile, false, &page);
    tiled->setGeometry(kMargin, page.cursorY, 200, 60);
    QImage veil(2, 1, QImage::Format_ARGB32);
    veil.setPixel(0, 0, qRgba(255, 160, 40, 200));
    veil.setPixel(1, 0, qRgba(255, 160, 40, 0));
    auto* scaled = new QSBWidget(veil, true, tiled);
    scaled->setGeometry(20, 10, 160, 40);
    page.addCaption(QStringLiteral("tiled root child, scaled half-transparent grandchild"),
                    QPoint(kMargin + 212, page.cursorY + 22), 10);
    page.cursorY += 72;
}

void addTextImages(GalleryPage& page) {
    page.addHeading(QStringLiteral("ZRTextImage"));
    int x = kMargin;
    const struct {
        const char* font;
        int size;
        QColor colour;
    } samples[] = {{"ariblk.ttf", 10, Qt::white},
                   {"arial.ttf", 14, QColor(120, 200, 255)},
                   {"arial.ttf", 20, QColor(255, 200, 80)},
                   {"times.ttf", 20, QColor(255, 255, 255, 128)},
                   {"cour.ttf", 14, QColor(140, 230, 140)}};
    for (const auto& s : samples) {
        const QString text = QStringLiteral("%1 %2 pt").arg(QLatin1String(s.font)).arg(s.size);
        page.addCaption(text, QPoint(x, page.cursorY), s.size, s.colour);
        x += 190;
    }
    page.cursorY += 40;
}

// Sliders, timecode, glyph text, labels and tab bars.
void addControls(GalleryPage& page) {
    page.addHeading(QStringLiteral("ZRSlider, ZRTCWidget, ZRSBText, ZRLabel"));
    const int top = page.cursorY;
    const struct {
        const char* caption;
        double value;
        bool reversed;
        bool enabled;
    } sliders[] = {{"slider 0.3", 0.3, false, true},
                   {"reversed 0.3", 0.3, true, true},
                   {"disabled 0.7", 0.7, false, false}};
    int x = kMargin;
    for (const auto& s : sliders) {
        auto* slider = new ZRSlider(preloadedSkinSets("zrslider"), s.reversed, &page);
        slider->setGeometry(x, top, 180, 14);
        slider->setValue(s.value);
        slider->setEnabled(s.enabled);
        page.addCaption(QString::fromLatin1(s.caption), QPoint(x, top + 20), 9);
        x += 200;
    }
    auto* tc = new ZRTCWidget(preloadedSkinLayers("timecode"), &page);
    tc->move(x, top - 2);
    tc->setTimeCode(uint32_t(0x01023045));
    auto* tcOff = new ZRTCWidget(preloadedSkinLayers("timecode"), &page);
    tcOff->move(x + tc->width() + 16, top - 2);
    tcOff->setTimeCode(99, 59, 59, 99);
    tcOff->setEnabled(false);
    page.addCaption(QStringLiteral("timecode; disabled: background only"), QPoint(x, top + 20), 9);

    auto* text = new ZRSBText(preloadedSkinLayers("sbtext"), &page);
    text->move(kMargin, top + 44);
    text->setText(QStringLiteral("ZRSBText: glyphs 0123 ~!?"), QColor(255, 200, 80));
    text->show();
    auto* label = new ZRLabel(QStringLiteral("ZRLabel on the skin"), &page);
    label->setGeometry(kMargin + 260, top + 42, 200, 18);
    QPalette labelPalette = label->palette();
    labelPalette.setColor(QPalette::WindowText, kCaptionColour);
    label->setPalette(labelPalette);
    page.cursorY = top + 76;

    page.addHeading(QStringLiteral("ZRTabBar"));
    int y = page.cursorY;
    for (const char* skin : {"capture_opt_tabs", "text_browse_tab", "capture_produce_tabs"}) {
        auto* bar = new ZRTabBar(preloadedSkinSets(skin), &page);
        bar->setGeometry(kMargin, y, 520, 24);
        for (const char* name : {"Capture", "Settings", "Audio"})
            bar->addTab(new ZRTab(QString::fromLatin1(name)));
        if (PSDLayerSet* icons =
                preloadedSkinSets("capture_opt_tabs")->find(QStringLiteral("OPTION_TABS"))) {
            if (const PSDLayer* icon = icons->layers.find(QStringLiteral("small_icons")))
                bar->addTab(new ZRTab(&icon->image, QPoint(4, 3)));
        }
        bar->setCurrentTab(1);
        page.addCaption(QString::fromLatin1(skin), QPoint(kMargin + 540, y + 6), 9);
        y += 32;
    }
    auto* disabledBar = new ZRTabBar(preloadedSkinSets("capture_opt_tabs"), &page);
    disabledBar->setGeometry(kMargin, y, 520, 24);
    for (const char* name : {"Disabled", "Bar", "Tabs"})
        disabledBar->addTab(new ZRTab(QString::fromLatin1(name)));
    disabledBar->setEnabled(false);
    page.addCaption(QStringLiteral("disabled"), QPoint(kMargin + 540, y + 6), 9);
    page.cursorY = y + 36;
}

// The hover state without a pointer: the enter event the pointer would send.
void showHover(QWidget* widget) {
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(widget, &enter);
}

PSDLayerSet* skinSet(const char* file, const char* set) {
    QDict<PSDLayerSet>* sets = preloadedSkinSets(file);
    return sets ? sets->find(QLatin1String(set)) : nullptr;
}

void addFrames(GalleryPage& page) {
    page.addHeading(QStringLiteral("ZRFrame"));
    const int y = page.cursorY;
    auto* plain = new ZRFrame(&page);
    plain->setGeometry(kMargin, y, 220, 90);
    plain->setCaption(QStringLiteral("Preview"));
    auto* styled = new ZRFrame(preloadedSkinSets("preview_frame"), &page);
    styled->setGeometry(kMargin + 236, y, 220, 90);
    styled->setCaptionFontName(QStringLiteral("arial.ttf"));
    styled->setCaptionFontSize(12);
    styled->setCaptionColor(QColor(255, 200, 80));
    styled->setCaption(QStringLiteral("Arial 12, amber"));
    auto* holder = new ZRFrame(&page);
    holder->setGeometry(kMargin + 472, y, 320, 90);
    holder->setCaption(QStringLiteral("Frame with children"));
    auto* inside = new ZRPushButton(QStringLiteral("Inside"),
                                    preloadedSkinSets("dialog_standard_button"), holder);
    inside->setGeometry(14, 36, 90, 26);
    auto* edit = new ZRLineEdit(holder);
    edit->setGeometry(116, 38, 186, 22);
    edit->setText(QStringLiteral("Line edit in a frame"));
    page.addCaption(QStringLiteral("default (preview_frame, white caption)"),
                    QPoint(kMargin, y + 96), 9);
    page.addCaption(QStringLiteral("caption font and colour set"), QPoint(kMargin + 236, y + 96),
                    9);
    page.addCaption(QStringLiteral("skinned children compose over the frame"),
                    QPoint(kMargin + 472, y + 96), 9);
    page.cursorY += 90 + 30;
}

enum class State { Normal, Over, Pressed, Toggled, ToggledOver, Disabled };

const char* stateName(State state) {
    switch (state) {
    case State::Normal:
        return "normal";
    case State::Over:
        return "over";
    case State::Pressed:
        return "pressed";
    case State::Toggled:
        return "toggled";
    case State::ToggledOver:
        return "toggled, over";
    case State::Disabled:
        return "disabled";
    }
    return "";
}

void putInState(ZRPushButton* button, State state) {
    switch (state) {
    case State::Over:
        showHover(button);
        break;
    case State::Pressed:
        button->setDown(true);
        break;
    case State::ToggledOver:
        showHover(button);
        [[fallthrough]];
    case State::Toggled:
        button->setCheckable(true);
        button->setChecked(true);
        break;
    case State::Disabled:
        button->setEnabled(false);
        break;
    case State::Normal:
        break;
    }
}

// One row of buttons made by `make`, one per state, each captioned with its state.
template <class Make>
void addButtonRow(GalleryPage& page, const QString& title, std::initializer_list<State> states,
                  const QSize& size, Make make) {
    page.addCaption(title, QPoint(kMargin, page.cursorY), 10);
    page.cursorY += 18;
    int x = kMargin;
    int height = size.height();
    for (State state : states) {
        ZRPushButton* button = make(QString::fromLatin1(stateName(state)));
        if (button->isBoxMode()) button->resize(size);
        button->move(x, page.cursorY);
        putInState(button, state);
        height = std::max(height, button->height());
        page.addCaption(QString::fromLatin1(stateName(state)),
                        QPoint(x, page.cursorY + button->height() + 4), 9);
        x += std::max(size.width(), button->width()) + 14;
    }
    page.cursorY += height + 26;
}

void addButtons(GalleryPage& page) {
    page.addHeading(QStringLiteral("ZRPushButton"));
    const auto all = {State::Normal, State::Over, State::Pressed, State::Toggled, State::Disabled};
    addButtonRow(page, QStringLiteral("text button, standard look, label drawn by the style"), all,
                 QSize(110, 26),
                 [&](const QString& text) { return new ZRPushButton(text, &page); });
    addButtonRow(page, QStringLiteral("text button on dialog_standard_button, own caption"), all,
                 QSize(110, 26), [&](const QString& text) {
                     return new ZRPushButton(text, preloadedSkinSets("dialog_standard_button"),
                                             &page);
                 });
    addButtonRow(page, QStringLiteral("skin button with a centred icon (small_icon/clip_A)"), all,
                 QSize(60, 30), [&](const QString&) {
                     auto* button =
                         new ZRPushButton(&page, preloadedSkinSets("standard_button_box"));
                     PSDLayerSet* icons = skinSet("small_icon", "icons");
                     const PSDLayer* icon =
                         icons ? icons->layers.find(QStringLiteral("clip_A")) : nullptr;
                     if (icon) button->setOffset(QPoint(-1, -1), &icon->image);
                     return button;
                 });
    PSDLayerSet* play = skinSet("preview_panel", "play_button");
    if (!play) return;
    addButtonRow(page, QStringLiteral("image button (preview_panel/play_button)"),
                 {State::Normal, State::Over, State::Pressed, State::Toggled, State::ToggledOver,
                  State::Disabled},
                 QSize(80, 22),
                 [&](const QString&) { return new ZRPushButton(&page, &play->layers, false); });
}

// The camera transport: the sixteen buttons wired to a remote control in each display state
// its reports lead to, and the jog shuttle at rest, dragged and disabled.
void addTransport(GalleryPage& page) {
    page.addHeading(QStringLiteral("ZRRemoteCtrl and ZRJogShuttle"));
    static const char* const kSets[16] = {
        "REWIND", "REWIND", "PLAY", "FRAME_BWD", "FRAME_BWD", "PAUSE",    "FRAME_FWD", "FRAME_FWD",
        "PLAY",   "FFWD",   "FFWD", "RECORD",    "PAUSE",     "PLAY_HDD", "STOP",      "STOP_HDD"};
    const struct {
        const char* caption;
        long state, parameter;
    } states[] = {
        {"stopped (0x30C4, 0x60)", 0x30C4, 0x60},  {"PlayFwd (0x30C3, 0x75)", 0x30C3, 0x75},
        {"PausFwd (0x30C3, 0x7D)", 0x30C3, 0x7D},  {"Rec (0x30C2, 0x75)", 0x30C2, 0x75},
        {"RecPause (0x30C2, 0x7D)", 0x30C2, 0x7D}, {"WindRev (0x30C4, 0x65)", 0x30C4, 0x65},
        {"FastFwd (0x30C3, 0x3F)", 0x30C3, 0x3F},  {"ejected (0x30C1, 0x60)", 0x30C1, 0x60},
        {"stopping (0x30C4, 0x30)", 0x30C4, 0x30},
    };
    const int top = page.cursorY;
    for (const auto& row : states) {
        auto* remote = new ZRRemoteCtrl(&page);
        int x = kMargin;
        int height = 0;
        for (int i = 0; i < 16; ++i) {
            PSDLayerSet* set = skinSet("recorder_player_buttons", kSets[i]);
            auto* button = set ? new ZRPushButton(&page, &set->layers, false)
                               : new ZRPushButton(QString::number(i), &page);
            if (!set) button->resize(24, 24);
            button->move(x, page.cursorY);
            remote->connectButtons(i, button);
            x += button->width() + 3;
            height = std::max(height, button->height());
        }
        remote->rcChangeState(row.state, row.parameter);
        page.addCaption(QString::fromLatin1(row.caption), QPoint(x + 8, page.cursorY + 4), 10);
        page.cursorY += height + 6;
    }
    // The knobs to the right of the rows: at rest, dragged down to +3, disabled.
    const int knobX = kPageWidth - 3 * 60 - kMargin;
    const char* const captions[3] = {"rest", "dragged", "disabled"};
    for (int k = 0; k < 3; ++k) {
        auto* knob = new ZRJogShuttle(&page);
        knob->move(knobX + k * 60, top + 20);
        if (k == 1) {
            const QPointF centre(knob->width() / 2.0,
                                 knob->knobRect().top() + knob->knobRect().height() / 2.0);
            QMouseEvent press(QEvent::MouseButtonPress, centre, knob->mapToGlobal(centre),
                              Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(knob, &press);
            const QPointF to(centre.x(), knob->positionOf(3) + knob->knobRect().height() / 2 +
                                             ZRJogShuttle::kMargin);
            QMouseEvent move(QEvent::MouseMove, to, knob->mapToGlobal(to), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(knob, &move);
        }
        if (k == 2) knob->setEnabled(false);
        page.addCaption(QString::fromLatin1(captions[k]) +
                            (k == 1 ? QStringLiteral(" %1").arg(knob->value()) : QString()),
                        QPoint(knobX + k * 60, top + 20 + knob->height() + 6), 9);
    }
    page.cursorY += 10;
}

void addEditing(GalleryPage& page) {
    page.addHeading(QStringLiteral("ZRComboBox and ZRLineEdit"));
    const int y = page.cursorY;
    const QStringList items = {QStringLiteral("PAL DV"), QStringLiteral("NTSC DV"),
                               QStringLiteral("MPEG-2 DVD")};
    int x = kMargin;
    const struct {
        const char* caption;
        bool editable;
        bool enabled;
    } combos[] = {{"editable", true, true}, {"fixed", false, true}, {"disabled", true, false}};
    for (const auto& c : combos) {
        auto* combo = new ZRComboBox(c.editable, &page);
        combo->setFontTag();
        combo->addItems(items);
        combo->setGeometry(x, y, 150, 22);
        combo->setEnabled(c.enabled);
        page.addCaption(QString::fromLatin1(c.caption), QPoint(x, y + 28), 9);
        x += 166;
    }
    const struct {
        const char* caption;
        bool selected;
        bool enabled;
    } edits[] = {{"line edit", false, true}, {"selection", true, true}, {"disabled", false, false}};
    for (const auto& e : edits) {
        auto* edit = new ZRLineEdit(&page);
        edit->setGeometry(x, y + 1, 120, 20);
        edit->setText(QStringLiteral("Title 01"));
        if (e.selected) edit->setSelection(0, 5);
        edit->setEnabled(e.enabled);
        page.addCaption(QString::fromLatin1(e.caption), QPoint(x, y + 28), 9);
        x += 130;
    }
    page.cursorY += 54;
}

void addScrollBars(GalleryPage& page) {
    page.addHeading(QStringLiteral("ZRScrollBar (the application style draws the skin)"));
    const int y = page.cursorY;
    int x = kMargin;
    for (const char* file : {"small_scrollbar", "big_scrollbar"}) {
        for (bool enabled : {true, false}) {
            auto* horizontal = new ZRScrollBar(Qt::Horizontal, &page, preloadedSkinSets(file));
            horizontal->setRange(0, 100);
            horizontal->setValue(30);
            horizontal->setGeometry(x, y, 180, horizontal->skinExtent());
            horizontal->setEnabled(enabled);
            auto* vertical = new ZRScrollBar(Qt::Vertical, &page, preloadedSkinSets(file));
            vertical->setRange(0, 100);
            vertical->setValue(60);
            vertical->setGeometry(x + 190, y, vertical->skinExtent(), 80);
            vertical->setEnabled(enabled);
            page.addCaption(
                QStringLiteral("%1%2, %3 px")
                    .arg(QLatin1String(file), enabled ? QString() : QStringLiteral(", disabled"))
                    .arg(horizontal->skinExtent()),
                QPoint(x, y + 24), 9);
            x += 230;
        }
    }
    page.cursorY += 92;
}

// A dialog over the gallery window: a framed line edit with a default button, on its shadow
// over a copy of the screen taken as it appears. It lays its children out on its shadow's middle.
class GalleryDialog : public ZRDialog {
public:
    GalleryDialog() {
        m_frame = new ZRFrame(this);
        m_frame->setCaption(QStringLiteral("ZRDialog"));
        QDict<PSDLayerSet>* look = preloadedSkinSets("dialog_standard_button");
        m_ok = new ZRPushButton(QStringLiteral("OK"), look, m_frame);
        m_ok->setDefault(true);
        m_cancel = new ZRPushButton(QStringLiteral("Cancel"), look, m_frame);
        m_edit = new ZRLineEdit(m_frame);
        m_edit->setText(QStringLiteral("Shadow over the screen copy"));
        connect(m_ok, &QPushButton::clicked, this, &ZRDialog::accept);
        connect(m_cancel, &QPushButton::clicked, this, &ZRDialog::reject);
        resize(380, 190);
    }

protected:
    void resizeEvent(QResizeEvent* e) override {
        ZRDialog::resizeEvent(e);
        const QRect inner = innerRect();
        m_frame->setGeometry(inner);
        m_edit->setGeometry(16, 36, inner.width() - 32, 22);
        m_ok->setGeometry(inner.width() - 200, inner.height() - 44, 88, 28);
        m_cancel->setGeometry(inner.width() - 104, inner.height() - 44, 88, 28);
    }

private:
    ZRFrame* m_frame;
    ZRPushButton* m_ok;
    ZRPushButton* m_cancel;
    ZRLineEdit* m_edit;
};

// The page's text roles, light on its dark window colour.
void useLightText(QWidget* page) {
    QPalette p = page->palette();
    const QColor light(230, 232, 236);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(role, light);
        p.setColor(QPalette::Disabled, role, QColor(130, 134, 140));
    }
    p.setColor(QPalette::Base, QColor(30, 32, 36));
    p.setColor(QPalette::Button, QColor(60, 64, 70));
    page->setPalette(p);
}
} // namespace

// The position slider in its states, and both trimmers on a project of three clips cut from one
// generated DV clip (ffmpeg's test pattern), each using four seconds of it.
struct GeneratedProject {
    QTemporaryDir folder;
    IZRTimeline* timeline = nullptr;
    IZRObject* clips[3] = {};

    GeneratedProject() {
        const QString path = folder.filePath(QStringLiteral("pattern.avi"));
        if (QProcess::execute(QStringLiteral("ffmpeg"),
                              {"-v", "error", "-y", "-f", "lavfi", "-i",
                               "testsrc=size=720x576:rate=25:duration=20", "-c:v", "dvvideo",
                               "-pix_fmt", "yuv420p", "-f", "avi", path}) != 0)
            return;
        const QByteArray base = QCoreApplication::applicationDirPath().toUtf8() + '/';
        timeline = IZRCreateTimelineInstance(nullptr, base.constData(), 1);
        if (!timeline) return;
        timeline->settings()->setDoubleSetting("Framerate", 25.0);
        IZRObjectFactory* f = timeline->factory();
        for (int i = 0; i < 3; ++i) {
            clips[i] = f->createObject("Import", "DV-AVI", nullptr, path.toUtf8().constData());
            if (!clips[i]) return;
            IZRPos* in = f->createPosAt(0, 0, 2 + 5 * i, 0, 25.0);
            IZRPos* out = f->createPosAt(0, 0, 6 + 5 * i, 0, 25.0);
            IZRPos* at = f->createPosAt(0, 0, 4 * i, 0, 25.0);
            timeline->setObjectMarkIn(clips[i], in);
            timeline->setObjectMarkOut(clips[i], out);
            timeline->insertObject(i % 2 ? 3 : 1, at, clips[i]);
        }
        for (int i = 0; i < 3; ++i)
            clips[i]->setUserValue(intptr_t(new ZRVideoUserData(i, i > 0 ? clips[i - 1] : nullptr,
                                                                i < 2 ? clips[i + 1] : nullptr)));
    }
    ~GeneratedProject() {
        if (!timeline) return;
        for (IZRObject* clip : clips)
            if (clip) delete reinterpret_cast<ZRUserData*>(clip->getUserValue());
        for (IZRObject* clip : clips)
            if (clip) clip->setUserValue(0);
        IZRDeleteTimelineInstance(timeline);
    }
};

void addViews(GalleryPage& page, GeneratedProject& project) {
    page.addHeading(QStringLiteral("ZRSBPSlider"));
    QDict<PSDLayerSet>* skin = preloadedSkinSets("preview_panel");
    const struct {
        const char* caption;
        double position;
        int markInDrag;
        int markOutDrag;
        int state; // 0 plain, 1 hover over the knob, 2 Control held, 3 disabled after reset
    } sliders[] = {{"knob 0.3, no range", 0.3, 0, 0, 0},
                   {"range 80..300 px, knob 0.5, hover", 0.5, 80, -100, 1},
                   {"markers touching, Control held", 0.1, 200, -400, 2},
                   {"disabled after reset", 0.9, 0, 0, 3}};
    int x = kMargin;
    int y = page.cursorY;
    for (const auto& s : sliders) {
        auto* slider = new ZRSBPSlider(skin, &page);
        slider->move(x, y);
        slider->gotoPosition(s.position, nullptr);
        auto drag = [slider](const QPoint& from, int dx) {
            auto send = [slider](QEvent::Type type, const QPoint& at, Qt::MouseButtons held) {
                QMouseEvent e(type, at, slider->mapToGlobal(at),
                              type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                              Qt::ControlModifier);
                QCoreApplication::sendEvent(slider, &e);
            };
            send(QEvent::MouseButtonPress, from, Qt::LeftButton);
            send(QEvent::MouseMove, from + QPoint(dx, 0), Qt::LeftButton);
            send(QEvent::MouseButtonRelease, from + QPoint(dx, 0), Qt::NoButton);
        };
        if (s.markInDrag) drag(slider->markInRect().center(), s.markInDrag);
        if (s.markOutDrag) drag(slider->markOutRect().center(), s.markOutDrag);
        if (s.state == 1) {
            QMouseEvent e(QEvent::MouseMove, slider->knobRect().center(),
                          slider->mapToGlobal(slider->knobRect().center()), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(slider, &e);
        } else if (s.state == 2) {
            QKeyEvent e(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
            QCoreApplication::sendEvent(slider, &e);
        } else if (s.state == 3) {
            slider->setEnabled(false);
            slider->reset(0);
        }
        page.addCaption(QString::fromLatin1(s.caption), QPoint(x, y + slider->height() + 2), 9);
        if (x == kMargin) {
            x += slider->width() + 40;
        } else {
            x = kMargin;
            y += slider->height() + 24;
        }
    }
    page.cursorY = y + 8;

    page.addHeading(QStringLiteral("ZRSBTrimmer on a generated project (middle clip)"));
    if (!project.timeline || !project.clips[2]) {
        page.addCaption(QStringLiteral("no project: ffmpeg or the DV import module is missing"),
                        QPoint(kMargin, page.cursorY), 10);
        page.cursorY += 24;
        return;
    }
    for (int side = 0; side < 2; ++side) {
        auto* trimmer = new ZRSBTrimmer(side, &page);
        trimmer->move(kMargin + side * 150, page.cursorY);
        trimmer->setTimeline(project.timeline);
        trimmer->updateObject(project.clips[1], nullptr);
    }
    page.addCaption(QStringLiteral("left: the clip's in-point and the previous clip's end; "
                                   "right: its out-point and the next clip's start"),
                    QPoint(kMargin + 310, page.cursorY + 120), 10);
    page.cursorY += 256 + 16;
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser options;
    options.addHelpOption();
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Save the page to <file> and quit."),
                                        QStringLiteral("file"));
    options.addOption(screenshot);
    options.process(app);

    preloadSkins();
    QApplication::setStyle(new ZRSkinStyle);

    // Made before the window, so that it outlives the trimmers that show it.
    GeneratedProject project;
    QScrollArea window;
    window.setWindowTitle(QStringLiteral("Toolkit gallery"));
    auto* page = new GalleryPage(nullptr);
    useLightText(page);
    addSkinBoxes(*page);
    addStates(*page);
    addTextImages(*page);
    addControls(*page);
    addFrames(*page);
    addButtons(*page);
    addTransport(*page);
    addEditing(*page);
    addScrollBars(*page);
    addViews(*page, project);
    page->resize(kPageWidth, page->cursorY + kMargin);
    window.setWidget(page);
    window.resize(kPageWidth + 24, std::min(page->height() + 4, 900));
    window.show();

    GalleryDialog dialog;
    dialog.setPalette(page->palette());
    const auto showDialog = [&] {
        dialog.move(window.geometry().topLeft() + QPoint(300, 160));
        dialog.grabScreenBackground();
        dialog.show();
    };
    if (options.isSet(screenshot)) {
        // The page first, then the dialog as it floats over the window ("<name>-dialog.png").
        const QString path = options.value(screenshot);
        const QFileInfo file(path);
        const QString dialogPath =
            file.path() + QLatin1Char('/') + file.completeBaseName() + QStringLiteral("-dialog.") +
            (file.suffix().isEmpty() ? QStringLiteral("png") : file.suffix());
        QTimer::singleShot(1500, &app, [&, path, dialogPath] {
            if (!page->grab().save(path)) QApplication::exit(1);
            showDialog();
            QTimer::singleShot(500, &app, [&, dialogPath] {
                const QRect area = dialog.geometry().adjusted(-40, -40, 40, 40);
                QScreen* screen = dialog.screen();
                const bool saved =
                    screen && screen->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                                  .save(dialogPath);
                QApplication::exit(saved ? 0 : 1);
            });
        });
    } else {
        QTimer::singleShot(800, &app, showDialog);
    }
    const int result = QApplication::exec();
    releaseSkins();
    return result;
}
