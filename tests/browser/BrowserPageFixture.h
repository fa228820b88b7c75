#pragma once

// The media folders page's tests: a settings file of their own in a temporary folder, clip files
// made by code (the counting import reads any name; "missing" in a name makes its open fail),
// and window services that answer questions from a script.

#include "browser/ZRBrowserIconView.h"
#include "browser/ZRBrowserIconViewItem.h"
#include "common/config/QConfig.h"
#include "tests/browser/BrowserFixture.h"
#include "views/ZRWindowServices.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

namespace browsertest {

/// Questions answered from a script; file dialogs from a list.
class ScriptedServices : public ZRWindowServices {
public:
    QList<int> answers;       ///< buttons pressed, in order; none left: escape
    QStringList questions;    ///< texts asked
    QList<QStringList> files; ///< answers of the multi-file dialogs
    QString startPath;        ///< where the last file dialog started
    QString filter;           ///< the last file dialog's filter

    int question(QWidget*, const QString&, const QString& text, const QStringList&, int,
                 int escapeButton) override {
        questions.append(text);
        return answers.isEmpty() ? escapeButton : answers.takeFirst();
    }
    QStringList fileNames(QWidget*, const QString&, const QString& start,
                          const QString& filterText) override {
        startPath = start;
        filter = filterText;
        return files.isEmpty() ? QStringList() : files.takeFirst();
    }
};

class BrowserPageTest : public BrowserTest {
protected:
    void SetUp() override {
        BrowserTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        previousServices = ZRWindowServices::install(&services);
        static const int anchor = 0;
        ZRBrowserIconView::setThumbnailEngine(&IZRCreateTimelineInstance,
                                              &IZRDeleteTimelineInstance);
        ZRBrowserIconView::setThumbnailBaseFolder(
            (platform::folderOfAddress(&anchor) + QStringLiteral("modulefixture/")).toUtf8());
        openSettings();
    }

    void TearDown() override {
        page = nullptr;
        panel.reset();
        appState().setSettings(nullptr, nullptr);
        ZRWindowServices::install(previousServices);
        BrowserTest::TearDown();
    }

    /// A settings object over "clipstead.ini" in the temporary folder, holding `text`.
    void openSettings(const QByteArray& text = "# Config File\n") {
        appState().setSettings(nullptr, nullptr);
        QFile file(dir.filePath(QStringLiteral("clipstead.ini")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        appState().setSettings(new QConfig(QConfig::Flavour::Program, file.fileName()),
                               [](QConfig* settings) { delete settings; });
    }

    QConfig& settings() { return *appState().settings(); }

    QString read(const QString& group, const QString& key) {
        settings().setGroup(group);
        return settings().hasKey(key) ? settings().readEntry(key) : QStringLiteral("<none>");
    }

    /// A shown page over a skinned panel, refilled at the top level.
    ZRBrowserIconView* makePage() {
        panel = std::make_unique<QSBWidget>(panelBackground(QSize(420, 300)), false);
        panel->resize(420, 300);
        page = new ZRBrowserIconView(panel.get(), "clip view");
        page->setGeometry(5, 5, 410, 290);
        page->setThumbnailSize(QSize(60, 40));
        page->refill();
        panel->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
        return page;
    }

    /// Lets the page's thumbnail answers arrive (at most ten seconds).
    static void settle(ZRBrowserIconView* view) {
        QElapsedTimer waited;
        waited.start();
        while (view->pendingThumbnails() > 0 && waited.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_EQ(view->pendingThumbnails(), 0);
    }
    void settle() { settle(page); }

    /// A file of a few bytes in the temporary folder.
    QString clip(const QString& name) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("clip");
        return QDir::toNativeSeparators(path);
    }

    /// The shown texts in view order.
    QStringList shown() const {
        QStringList texts;
        for (ZRIconViewItem* item = page->firstItem(); item; item = item->nextItem())
            texts.append(item->text());
        return texts;
    }

    ZRBrowserIconViewItem* item(const QString& text) const {
        for (ZRIconViewItem* i = page->firstItem(); i; i = i->nextItem())
            if (i->text() == text) return static_cast<ZRBrowserIconViewItem*>(i);
        return nullptr;
    }

    void selectOnly(std::initializer_list<QString> texts) {
        page->clearSelection();
        for (const QString& text : texts)
            if (ZRBrowserIconViewItem* i = item(text)) page->setSelected(i, true, true);
    }

    QTemporaryDir dir;
    ScriptedServices services;
    ZRWindowServices* previousServices = nullptr;
    ZRBrowserIconView* page = nullptr;
};

} // namespace browsertest
