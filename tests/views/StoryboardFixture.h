#pragma once

// A storyboard over a real editor and the counting clip, 800 px wide (cells 0..7 visible, cell
// 7 cut by the right edge), shown offscreen, with the fake hub following its signals as the
// main window would.

#include "editor/ZRUserData.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRPos.h"
#include "engine/api/IZRSettings.h"
#include "tests/views/ViewsFixture.h"
#include "views/ZRStoryboard.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace viewstest {

class StoryboardTest : public ViewsTest {
protected:
    static constexpr int kWidth = 800;

    void SetUp() override {
        ViewsTest::SetUp();
        // Transitions, effects and titles need the module tree and the engine's fonts.
        if (withModules()) useModuleTree();
        if (HasFatalFailure()) return;
        qRegisterMetaType<IZRObject*>();
        qRegisterMetaType<IZRPos*>();
        editor = std::make_unique<ZRVeskEditor>();
        editor->setTimeline(timeline);
        appState().editor = editor.get();
        board = new ZRStoryboard();
        board->resize(kWidth, 189);
        board->setEditor(editor.get());
        QObject::connect(board, &ZRStoryboard::objectChanged, board,
                         [this](IZRObject* o, QWidget*) { hub.current = o; });
        board->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(board));
    }

    /// True to run on the module tree (transitions, effects, titles) instead of the counting
    /// clip's alone.
    virtual bool withModules() const { return false; }

    void TearDown() override {
        delete board;
        editor.reset();
        appState().editor = nullptr;
        ViewsTest::TearDown();
    }

    /// Appends `n` two-second counting clips and lays the storyboard out again.
    void addClips(int n, const char* name = "clip.avi") {
        for (int i = 0; i < n; ++i)
            ASSERT_TRUE(editor->insertClip(clip(name), editor->objectCount()));
        board->updateLayout();
        board->slotUpdateContents(nullptr);
    }

    /// The middle of cell i on screen (unscrolled).
    static QPoint cellPoint(int i) { return QPoint(167 + 80 * i + 34, 49 + 25); }

    ZRVideoUserData* record(int i) {
        return dynamic_cast<ZRVideoUserData*>(ZRUserData::of(editor->objectAt(i)));
    }

    std::vector<int> selected() {
        std::vector<int> out;
        for (int i = 0; i < editor->objectCount(); ++i)
            if (editor->isSelected(i)) out.push_back(i);
        return out;
    }

    QImage shot() {
        QCoreApplication::processEvents();
        return board->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    }

    std::unique_ptr<ZRVeskEditor> editor;
    ZRStoryboard* board = nullptr;
};

} // namespace viewstest
