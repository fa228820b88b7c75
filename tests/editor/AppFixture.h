#pragma once

#include "editor/ZRAppState.h"
#include "editor/ZRCallbacks.h"
#include "engine/api/IZRTimeline.h"
#include "tests/support/GuiApplication.h"

#include <QEvent>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <utility>

/// A widget that keeps a copy of the type of every event it gets from the engine's range.
class RecordingWidget : public QWidget {
public:
    using QWidget::QWidget;
    std::function<void(QEvent*)> onEngineEvent;
    QVector<int> types;

protected:
    bool event(QEvent* e) override {
        if (e->type() >= 3000 && e->type() < 3100) {
            types.append(e->type());
            if (onEngineEvent) onEngineEvent(e);
            return true;
        }
        return QWidget::event(e);
    }
};

/// A main window's answers, recorded.
class FakeHub : public ZRAppState::Hub {
public:
    IZRObject* current = nullptr;
    QVector<std::pair<QString, int>> messages;
    QVector<std::pair<int, bool>> enabledItems;
    QStringList browserFiles;
    QString selectedFile;
    int progressCalls = 0;
    /// Called with each export progress.
    std::function<void()> onProgress;

    IZRObject* currentObject() override { return current; }
    IZRPos* currentPosition() override { return nullptr; }
    void message(const QString& text, int ms) override { messages.append({text, ms}); }
    void setMenuItemEnabled(int id, bool on) override { enabledItems.append({id, on}); }
    void setMenuItemChecked(int, bool) override {}
    void addBrowserFile(const QString& folder, const QString& path, int kind) override {
        browserFiles.append(folder + QLatin1Char('|') + path + QLatin1Char('|') +
                            QString::number(kind));
    }
    QString selectedBrowserFile() override { return selectedFile; }
    void exportProgress(IZRPos*, bool) override {
        ++progressCalls;
        if (onProgress) onProgress();
    }
};

/// Gives each test a GUI application, a timeline with the program's callbacks published in the
/// state object, and leaves the state object as it found it.
class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::guiApplication();
        fillCallbacks(callbacks);
        // Fonts, titles and effect modules are not needed here.
        timeline = IZRCreateTimelineInstance(&callbacks, nullptr, 1);
        ASSERT_NE(timeline, nullptr);
        appState().timeline = timeline;
    }

    void TearDown() override {
        if (timeline) IZRDeleteTimelineInstance(timeline);
        ZRAppState& state = appState();
        state.timeline = nullptr;
        state.hub = nullptr;
        state.stopRequested = false;
        state.modified = false;
        QCoreApplication::removePostedEvents(nullptr);
    }

    IZRObjectFactory* factory() { return timeline->factory(); }

    IZRCallbacks callbacks{};
    IZRTimeline* timeline = nullptr;
};
