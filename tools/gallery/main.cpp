// The toolkit gallery: every skinned widget of the toolkit on the default skin, in its states,
// on one page. `gallery --screenshot file.png` saves the page and quits (for xvfb-run).

#include "painting/ZRImagePainting.h"
#include "skins/ZRSkinPreload.h"
#include "text/ZRTextImage.h"
#include "widgets/QSBWidget.h"
#include "widgets/ZRSkinBox.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QScrollArea>
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

} // namespace

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

    QScrollArea window;
    window.setWindowTitle(QStringLiteral("Toolkit gallery"));
    auto* page = new GalleryPage(nullptr);
    addSkinBoxes(*page);
    addStates(*page);
    addTextImages(*page);
    page->resize(kPageWidth, page->cursorY + kMargin);
    window.setWidget(page);
    window.resize(kPageWidth + 24, std::min(page->height() + 4, 900));
    window.show();

    if (options.isSet(screenshot)) {
        const QString path = options.value(screenshot);
        QTimer::singleShot(500, &app, [&] {
            const bool saved = page->grab().save(path);
            QApplication::exit(saved ? 0 : 1);
        });
    }
    const int result = QApplication::exec();
    releaseSkins();
    return result;
}
