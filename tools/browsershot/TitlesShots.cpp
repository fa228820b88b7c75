// The titles page's states for browsershot: the create tab with a still title and its safe
// area over the preview frame, the same title scrolling half-way, and the browse tab with one
// of two stored titles selected.
#include "browser/ZRBrowserTitlesBrowser.h"
#include "browser/ZRBrowserTitlesView.h"
#include "browser/ZRTextPreview.h"
#include "browser/ZRTitleIconItem.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRTab.h"
#include "classes/widgets/ZRTabBar.h"
#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRObjectFactory.h"
#include "engine/api/IZRPos.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRSBPreviewFrame.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextEdit>

#include <functional>

namespace {

void releaseShotSettings(QConfig* settings) {
    delete settings;
}

void settle(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

QImage backgroundOf(const QSize& size) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(qRgba(58, 62, 70, 255));
    return image;
}

} // namespace

void saveTitleShots(const std::function<void(const char*, const QImage&)>& save) {
    QTemporaryDir dir;
    appState().setSettings(
        new QConfig(QConfig::Flavour::Program, dir.filePath(QStringLiteral("clipstead.ini"))),
        releaseShotSettings);
    IZRTimeline* timeline = IZRCreateTimelineInstance(nullptr, nullptr, 0);
    if (!timeline) return;
    timeline->settings()->setIntPairSetting("Video Dimensions", 720, 576);
    {
        const QSize size(780, 500);
        QSBWidget window(backgroundOf(size), false);
        window.resize(size);
        auto* frame = new ZRSBPreviewFrame(&window, "Preview Frame");
        frame->move(8, 8);
        appState().previewFrame = frame;
        auto* tabs = new ZRTabBar(preloadedSkinSets("text_browse_tab"), &window, "titles tabs");
        tabs->addTab(new ZRTab(QStringLiteral("Browse"), 0));
        tabs->addTab(new ZRTab(QStringLiteral("Create"), 1));
        tabs->setTabToolTip(1, QStringLiteral("Create Titles"));
        tabs->setGeometry(430, 8, 330, 22);
        auto* page = new ZRBrowserTitlesView(tabs, &window);
        QObject::connect(tabs, &ZRTabBar::selected, page,
                         &ZRBrowserTitlesView::browseTabBarSelected);
        page->setGeometry(430, 30, 330, 462);
        page->titlesBrowser()->setGeometry(430, 30, 330, 462);
        page->hide();
        window.show();
        page->attachProject(timeline);
        settle(200);

        tabs->setCurrentTab(1);
        page->textEdit()->setPlainText(QStringLiteral("Happy Birthday!\nfrom all of us"));
        settle(100);
        save("titles-create", window.grab().toImage());

        auto* scroll =
            static_cast<QAbstractButton*>(page->control(ZRBrowserTitlesView::ScrollToggle));
        scroll->setChecked(true);
        page->previewClicked();
        const double frames = page->editedObject()->duration()->toFrames();
        while (page->isPreviewRunning() && page->previewPosition()->toFrames() < frames / 2)
            page->preview();
        settle(50);
        save("titles-scroll", window.grab().toImage());
        if (page->isPreviewRunning()) page->previewClicked();
        scroll->setChecked(false);

        page->confirmClicked();
        tabs->setCurrentTab(1);
        page->textEdit()->setPlainText(QStringLiteral("The End"));
        page->confirmClicked();
        ZRBrowserTitlesBrowser* titles = page->titlesBrowser();
        titles->clearSelection();
        titles->setSelected(titles->firstItem(), true, false);
        titles->setCurrentItem(titles->firstItem());
        page->browserItemClicked(titles->firstItem());
        // The selection shows in full while the view holds the focus.
        window.activateWindow();
        titles->setFocus();
        settle(100);
        save("titles-browse", window.grab().toImage());
    }
    appState().previewFrame = nullptr;
    appState().setSettings(nullptr, nullptr);
    IZRDeleteTimelineInstance(timeline);
}
