// The icon view on the skin's icon-view panel with 30 items, in the states worth a look: the
// current item with its focus frame beside a selection and a shortened caption ("items"), that
// caption's tool tip ("tooltip"), a rubber band being dragged ("band") and the outlines of an icon
// list dragged over the view ("drop"). Then the browser panel on clips it makes with ffmpeg, beside
// a preview: the top level with its fixed folders ("panel-top"), the folder "Captured" with three
// video thumbnails and a sound clip ("panel-folder"), the header band enlarged ("panel-header") and
// a clip playing in the preview after a double-click ("panel-preview"), then the effects and
// transitions pages: their groups ("effects-top"), a group's entries animating, twice 150 ms apart
// ("effects-group-a", "effects-group-b"), and an entry selected ("effects-selected"); the same for
// "transitions". `browsershot --screenshot <prefix>` saves <prefix>-<state>.png for each state and
// quits (for xvfb-run); without it the first state stays on screen.

#include "browser/ZRBrowserEffectsView.h"
#include "browser/ZRBrowserIconView.h"
#include "browser/ZRBrowserIconViewItem.h"
#include "browser/ZRBrowserTransView.h"
#include "browser/ZRIconView.h"
#include "browser/ZRIconViewItem.h"
#include "browser/ZRSBBrowser.h"
#include "capture/ZRDSFilePreview.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/QSBWidget.h"
#include "classes/widgets/ZRSkinBox.h"
#include "classes/widgets/ZRSkinStyle.h"
#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"
#include "editor/ZRCallbacks.h"
#include "editor/ZRIconDrag.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRSBPSlider.h"
#include "views/ZRSBPreview.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDragEnterEvent>
#include <QEventLoop>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <QToolTip>
#include <string>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

// Runs the event loop for `ms` milliseconds.
void wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The panel the icon views of the program stand on: the skin's icon-view frame, whose light
// ground the items' black captions are drawn on.
QImage panelSkin(const QSize& size) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    ZRSkinBox box(preloadedSkinSetLayers("text_inner_frame", "inner_frame"));
    box.draw(p, image.rect());
    return image;
}

QImage itemIcon(int i) {
    QImage image(48, 36, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor::fromHsv((i * 37) % 360, 140, 220, 220));
    p.setPen(QColor(20, 20, 20));
    p.drawRoundedRect(QRectF(1, 1, 46, 34), 4, 4);
    return image;
}

/// A 4-second 320 x 240 clip of an ffmpeg source (a sound when `audio`); empty on failure.
QString makeClip(const QTemporaryDir& dir, const QString& name, const QString& source, bool audio) {
    const QString path = dir.filePath(name);
    QStringList args{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"),
                     QStringLiteral("lavfi"), QStringLiteral("-i")};
    if (audio)
        args << QStringLiteral("sine=frequency=440") << QStringLiteral("-c:a")
             << QStringLiteral("pcm_s16le");
    else
        args << source + QStringLiteral("=size=320x240:rate=25") << QStringLiteral("-c:v")
             << QStringLiteral("mjpeg") << QStringLiteral("-q:v") << QStringLiteral("3");
    args << QStringLiteral("-t") << QStringLiteral("4") << QStringLiteral("-y") << path;
    return QProcess::execute(QStringLiteral("ffmpeg"), args) == 0 ? path : QString();
}

void mouse(ZRIconView* view, QEvent::Type type, const QPoint& at, Qt::MouseButtons held) {
    QMouseEvent e(type, at, view->viewport()->mapToGlobal(at),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &e);
}

} // namespace

/// The titles page's states, in TitlesShots.cpp.
void saveTitleShots(const std::function<void(const char*, const QImage&)>& save);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption shot(QStringLiteral("screenshot"),
                                  QStringLiteral("Save <prefix>-<state>.png for each state."),
                                  QStringLiteral("prefix"));
    parser.addOption(shot);
    parser.process(app);
    preloadSkins();
    auto* style = new ZRSkinStyle;
    app.setStyle(style);

    const QSize size(460, 340);
    QSBWidget panel(panelSkin(size), false);
    panel.resize(size);
    auto* view = new ZRIconView(&panel, "icons");
    view->setGeometry(8, 8, size.width() - 16, size.height() - 16);
    view->setSelectionMode(ZRIconView::Extended);
    view->setWordWrapIconText(false);
    view->setMaxItemWidth(70);
    panel.show();
    wait(200);
    for (int i = 0; i < 30; ++i) {
        const QString name = i == 4 ? QStringLiteral("holiday at the seaside.avi")
                                    : QStringLiteral("clip %1.avi").arg(i + 1);
        new ZRIconViewItem(view, name, itemIcon(i));
    }
    ZRIconViewItem* items[30];
    int n = 0;
    for (ZRIconViewItem* i = view->firstItem(); i; i = i->nextItem())
        items[n++] = i;
    panel.activateWindow();
    view->setFocus();
    wait(100);
    view->setCurrentItem(items[7]);
    items[1]->setSelected(true, true);
    items[2]->setSelected(true, true);
    items[7]->setSelected(true, true);
    QCoreApplication::processEvents();

    const QString prefix = parser.value(shot);
    const auto save = [&](const char* state, const QImage& image) {
        if (prefix.isEmpty()) return;
        const QString file = prefix + QLatin1Char('-') + QLatin1String(state) + ".png";
        if (!image.save(file)) std::fprintf(stderr, "could not write %s\n", qPrintable(file));
    };
    const auto grabPanel = [&] {
        QCoreApplication::processEvents();
        return panel.grab().toImage();
    };
    save("items", grabPanel());
    if (prefix.isEmpty()) return app.exec();

    // The shortened caption's tool tip, shot from the screen with the panel.
    const QPoint tipAt = view->contentsToViewport(items[4]->textRect(false).center());
    QHelpEvent help(QEvent::ToolTip, tipAt, view->viewport()->mapToGlobal(tipAt));
    QCoreApplication::sendEvent(view->viewport(), &help);
    wait(300);
    const QRect area(panel.mapToGlobal(QPoint(0, 0)), size + QSize(120, 60));
    save("tooltip",
         panel.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage());
    QToolTip::hideText();

    // A rubber band from empty space below the items up over two rows.
    const QPoint from(view->visibleWidth() - 20, view->visibleHeight() - 10);
    mouse(view, QEvent::MouseButtonPress, from, Qt::LeftButton);
    mouse(view, QEvent::MouseMove, QPoint(from.x() - 150, from.y() - 120), Qt::LeftButton);
    save("band", grabPanel());
    mouse(view, QEvent::MouseButtonRelease, QPoint(from.x() - 150, from.y() - 120), Qt::NoButton);

    // Three icons dragged in from another view, over an item.
    ZRIconDrag data;
    for (int i = 0; i < 3; ++i)
        data.append(ZRIconDragItem(), QRect(-24 + 60 * i, -20, 50, 38),
                    QRect(-30 + 60 * i, 20, 62, 14));
    const QPoint over = view->contentsToViewport(items[12]->pixmapRect(false).center());
    QDragEnterEvent enter(over - QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &enter);
    QDragMoveEvent move(over, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &move);
    save("drop", grabPanel());
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(view->viewport(), &leave);
    panel.hide();

    // The browser panel with its settings in a folder of its own.
    QTemporaryDir dir;
    IZRCallbacks callbacks{};
    fillCallbacks(callbacks);
    IZRTimeline* timeline = IZRCreateTimelineInstance(&callbacks, nullptr, 0);
    ZRBrowserIconView::setThumbnailEngine(&IZRCreateTimelineInstance, &IZRDeleteTimelineInstance);
    ZRAppState& state = appState();
    state.timeline = timeline;
    state.setSettings(
        new QConfig(QConfig::Flavour::Program, dir.filePath(QStringLiteral("clipstead.ini"))),
        [](QConfig* settings) { delete settings; });
    QStringList clips;
    const struct {
        const char* name;
        const char* source;
        bool audio;
    } made[] = {{"bars.avi", "smptebars", false},
                {"test pattern.avi", "testsrc", false},
                {"colours.avi", "rgbtestsrc", false},
                {"music.wav", "", true}};
    for (const auto& m : made) {
        const QString path = makeClip(dir, QLatin1String(m.name), QLatin1String(m.source), m.audio);
        if (path.isEmpty()) std::fprintf(stderr, "ffmpeg could not make %s\n", m.name);
        clips.append(path);
    }

    QWidget window;
    window.resize(820, 420);
    auto* browser = new ZRSBBrowser(&window, "Browser");
    browser->setGeometry(0, 0, 440, 420);
    auto* preview = new ZRSBPreview(&window, "preview");
    preview->setGeometry(450, 10, 360, 270);
    auto* slider = new ZRSBPSlider(preloadedSkinSets("preview_panel"), &window, "slider");
    slider->setGeometry(450, 290, 360, 24);
    preview->setPositionSlider(slider);
    preview->setTimeline(timeline);
    preview->setFilePlayerFactory([](QWidget* parent) -> ZRFilePlayer* {
        return new ZRDSFilePreview(parent, "DirectShow File Preview");
    });
    state.preview = preview;
    browser->setEngineOptions(timeline);
    window.show();
    wait(200);
    const auto grabWindow = [&] {
        QCoreApplication::processEvents();
        return window.grab().toImage();
    };
    save("panel-top", grabWindow());

    ZRBrowserIconView* page = browser->clipView();
    for (const QString& clip : clips)
        if (!clip.isEmpty()) page->addFile(QStringLiteral("Captured"), clip, 0);
    for (int i = 0; i < 100 && page->pendingThumbnails() > 0; ++i)
        wait(50);
    if (ZRIconViewItem* first = page->firstItem()) page->setSelected(first, true);
    save("panel-folder", grabWindow());
    const QImage whole = grabWindow();
    save("panel-header", whole.copy(0, 0, 440, 80)
                             .scaled(880, 160, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));

    if (ZRIconViewItem* first = page->firstItem()) page->itemDoubleClicked(first);
    wait(1200);
    save("panel-preview", grabWindow());
    if (ZRFilePlayer* player = preview->filePreview()) player->stop_and_close();
    wait(200);

    // The effects and transitions pages: the groups, a group's entries animating (two shots
    // 150 ms apart), then an entry selected.
    const struct {
        int tab;
        ZRBrowserEngineView* page;
        const char* name;
    } enginePages[] = {{ZRSBBrowser::EffectsTab, browser->effectsView(), "effects"},
                       {ZRSBBrowser::TransitionsTab, browser->transView(), "transitions"}};
    for (const auto& e : enginePages) {
        const std::string name(e.name);
        browser->selectTab(e.tab);
        wait(200);
        save((name + "-top").c_str(), grabWindow());
        e.page->folderClicked(e.page->firstItem());
        e.page->startAnimation();
        wait(300);
        save((name + "-group-a").c_str(), grabWindow());
        wait(150);
        save((name + "-group-b").c_str(), grabWindow());
        if (ZRIconViewItem* first = e.page->firstItem()) e.page->setSelected(first, true);
        wait(200);
        save((name + "-selected").c_str(), grabWindow());
    }
    delete browser;
    delete preview;
    state.preview = nullptr;
    state.timeline = nullptr;
    state.setSettings(nullptr, nullptr);
    IZRDeleteTimelineInstance(timeline);
    saveTitleShots(save);
    return 0;
}
