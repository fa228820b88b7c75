#pragma once

// What the titles tests share beyond the browser fixture: a settings file in a folder of its
// own, a 720 x 576 project, the main window's preview frame published in the state object, a
// colour dialog answered by script, and a panel holding the titles page and its browser.

#include "browser/ZRBrowserTitlesBrowser.h"
#include "browser/ZRBrowserTitlesView.h"
#include "browser/ZRTextPreview.h"
#include "browser/ZRTitleIconItem.h"
#include "classes/widgets/ZRTab.h"
#include "classes/widgets/ZRTabBar.h"
#include "common/config/QConfig.h"
#include "engine/api/IZRImage.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRObjectFactory.h"
#include "engine/api/IZRSettings.h"
#include "tests/browser/BrowserFixture.h"
#include "views/ZRSBPreviewFrame.h"
#include "views/ZRWindowServices.h"

#include <QFile>
#include <QTemporaryDir>

#include <optional>

namespace titlestest {

/// Answers the colour dialog with the colour set, or cancels (invalid colour).
class ScriptedColours : public ZRWindowServices {
public:
    QColor chooseColor(QWidget*, const QColor& initial) override {
        asked = initial;
        ++calls;
        return answer;
    }
    QColor answer;
    QColor asked;
    int calls = 0;
};

inline void releaseSettings(QConfig* settings) {
    delete settings;
}

class TitlesTest : public browsertest::BrowserTest {
protected:
    void SetUp() override {
        BrowserTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        iniPath = dir.filePath(QStringLiteral("clipstead.ini"));
        openSettings();
        timeline->settings()->setIntPairSetting("Video Dimensions", 720, 576);
        previous = ZRWindowServices::install(&colours);
    }

    void TearDown() override {
        page = nullptr;
        browser = nullptr;
        tabBar = nullptr;
        titlesPanel.reset();
        frameHost.reset();
        appState().previewFrame = nullptr;
        appState().setSettings(nullptr, nullptr);
        ZRWindowServices::install(previous);
        BrowserTest::TearDown();
    }

    void openSettings() {
        appState().setSettings(new QConfig(QConfig::Flavour::Program, iniPath), releaseSettings);
    }

    QConfig& settings() { return *appState().settings(); }

    /// Writes `text` as the whole settings file and reads it in.
    void writeSettings(const QByteArray& text) {
        appState().setSettings(nullptr, nullptr);
        QFile file(iniPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("# Config File\n" + text);
        file.close();
        openSettings();
    }

    /// A shown host with the main window's preview frame, published in the state object.
    ZRSBPreviewFrame* makePreviewFrame() {
        frameHost =
            std::make_unique<QSBWidget>(browsertest::panelBackground(QSize(420, 340)), false);
        frameHost->resize(420, 340);
        auto* frame = new ZRSBPreviewFrame(frameHost.get(), "Preview Frame");
        frame->move(5, 5);
        appState().previewFrame = frame;
        frameHost->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frameHost.get()));
        return frame;
    }

    /// The titles page and its browser on a shown panel, bound to the timeline.
    void makePage(bool attach = true) {
        if (!frameHost) makePreviewFrame();
        titlesPanel =
            std::make_unique<QSBWidget>(browsertest::panelBackground(QSize(330, 470)), false);
        titlesPanel->resize(330, 470);
        // The titles tab bar, wired as the browser panel wires it.
        tabBar = new ZRTabBar(preloadedSkinSets("text_browse_tab"), titlesPanel.get(), "tabs");
        tabBar->addTab(new ZRTab(QStringLiteral("Browse"), 0));
        tabBar->addTab(new ZRTab(QStringLiteral("Create"), 1));
        tabBar->setGeometry(0, 0, 330, 22);
        page = new ZRBrowserTitlesView(tabBar, titlesPanel.get());
        QObject::connect(tabBar, &ZRTabBar::selected, page,
                         &ZRBrowserTitlesView::browseTabBarSelected);
        page->setGeometry(0, 22, 330, 448);
        browser = page->titlesBrowser();
        browser->setGeometry(0, 22, 330, 448);
        page->hide();
        titlesPanel->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(titlesPanel.get()));
        if (attach) page->attachProject(timeline);
    }

    IZRObject* newTitle(const QString& markup) {
        return timeline->factory()->createObject("2D-Text", "ZR-Engine", nullptr,
                                                 markup.toUtf8().constData());
    }

    static IZRSettings* settingsOf(IZRObject* object) { return dynamic_cast<IZRSettings*>(object); }

    static QString markupOf(IZRObject* object) {
        const char16_t* text = nullptr;
        if (!settingsOf(object)->getUnicodeStringSetting("Text Text(U)", &text) || !text) return {};
        return QString::fromUtf16(text);
    }

    static int intOf(IZRObject* object, const char* key) {
        int value = -12345;
        settingsOf(object)->getIntSetting(key, &value);
        return value;
    }

    static QStringList labels(ZRIconView* view) {
        QStringList texts;
        for (ZRIconViewItem* i = view->firstItem(); i; i = i->nextItem())
            texts << i->text();
        return texts;
    }

    QStringList objectGroups() {
        QStringList groups;
        for (const QString& g : settings().groupList())
            if (g.startsWith(QLatin1String("TextObject"))) groups << g;
        return groups;
    }

    QTemporaryDir dir;
    QString iniPath;
    ScriptedColours colours;
    ZRWindowServices* previous = nullptr;
    std::unique_ptr<QSBWidget> frameHost;
    std::unique_ptr<QSBWidget> titlesPanel;
    ZRTabBar* tabBar = nullptr;
    ZRBrowserTitlesView* page = nullptr;
    ZRBrowserTitlesBrowser* browser = nullptr;
};

/// Rows holding a pixel of some alpha; -1 when none.
inline std::pair<int, int> inkRows(IZRImage* image) {
    int first = -1, last = -1;
    image->lock();
    for (int y = 0; y < image->height(); ++y) {
        const unsigned char* line = image->pixels() + ptrdiff_t(y) * image->stride();
        for (int x = 0; x < image->width(); ++x) {
            if (line[x * 4 + 3] > 128) {
                if (first < 0) first = y;
                last = y;
                break;
            }
        }
    }
    image->unlock();
    return {first, last};
}

} // namespace titlestest
