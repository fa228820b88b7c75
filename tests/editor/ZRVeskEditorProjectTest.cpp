// Projects through the editor: saving, loading what was saved and what other writers made,
// starting empty, importing files, and the format a project publishes.
#include "editor/ZRNotifier.h"
#include "engine/api/ZREffect.h"
#include "engine/api/ZREffectList.h"
#include "tests/editor/EditorFixture.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <string>

using editorfixture::frames;

namespace {

// "hh:mm:ss.ff" at 30 frames a second.
std::string timeText(int frames) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%02d", frames / 108000, frames / 1800 % 60,
                  frames / 30 % 60, frames % 30);
    return text;
}

/// One object of a project script: a solid clip or, with `fadeTransition`, a transition.
std::string objectText(int n, int track, int at, int length, const std::string& editorData,
                       bool fadeTransition = false) {
    const std::string name = "object" + std::to_string(n);
    std::string text = "integer " + name + "=zrObjectFactory( " +
                       (fadeTransition ? "\"Transition\", \"Basic\", \"Test Fade\", \"\" );\n"
                                       : "\"Solid Color\", \"RGB(10,20,30)\", \"\", \"\" );\n");
    text += "zrSetObjectMarkOut( " + name + ", \"" + timeText(length) + "\" );\n";
    if (!editorData.empty())
        text += "zrObjectAppConfigString( " + name + ", \"<ZR_EDITOR_DATA>$@@$" + editorData +
                "$@@$\" );\n";
    text += "zrInsertObject( " + name + ", " + std::to_string(track) + ", \"" + timeText(at) +
            "\" );\n";
    return text;
}

class RecordingNotifier : public ZRNotifier {
public:
    void critical(const QString& caption, const QString& text) override {
        messages.append(caption + " / " + text);
    }
    QStringList messages;
};

} // namespace

class ZRVeskEditorProject : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        before = ZRNotifier::install(&notifier);
        ASSERT_TRUE(folder.isValid());
        QObject::connect(editor.get(), &ZRVeskEditor::projectLoaded, [this] { ++loads; });
        QObject::connect(editor.get(), &ZRVeskEditor::allObjectsToBeDeleted, [this] { ++clears; });
    }
    void TearDown() override {
        ZRNotifier::install(before);
        EditorTest::TearDown();
    }

    QString path(const QString& name) { return folder.filePath(name); }

    /// Writes a project script and loads it.
    bool loadScript(const std::string& text) {
        const QString file = path("written.zrs");
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(text.data(), qint64(text.size()));
        out.close();
        return editor->loadProject(file);
    }

    IZRObject* fade() {
        return factory()->createObject("Transition", "Basic", "Test Fade", nullptr);
    }

    int length(IZRObject* clip) {
        IZRPos* p = chainlinks::clip(clip)->linkedPosition;
        return p ? frames(p) : 0;
    }

    RecordingNotifier notifier;
    ZRNotifier* before = nullptr;
    QTemporaryDir folder;
    int loads = 0;
    int clears = 0;
};

TEST_F(ZRVeskEditorProject, SavedProjectsLoadBackWithChainTransitionsAndEffects) {
    settings()->setIntPairSetting("Video Dimensions", 720, 576);
    settings()->setIntTripleSetting("Audio Settings", 48000, 16, 2);
    const std::vector<IZRObject*> clips = chainOf({100, 60, 100, 40});
    ASSERT_TRUE(editor->setTransition(0, fade()));
    ASSERT_TRUE(editor->setTransition(2, fade()));
    editor->setTransitionLength(editor->transitionOf(2), pos(0), pos(19));
    ZREffect* effect = factory()->createEffect("Video Effect", "Colour", "Test Invert");
    if (effect) {
        ASSERT_TRUE(editor->setEffect(1, effect));
    }
    IZRObject* caption = title(30);
    ASSERT_TRUE(editor->insertTitle(pos(10), caption));
    const int end = endPosition();
    ASSERT_TRUE(editor->saveProject(path("round.zrs")));

    appState().clipLoadWarnings = 3;
    changes = 0;
    ASSERT_TRUE(editor->loadProject(path("round.zrs")));
    EXPECT_TRUE(notifier.messages.isEmpty());
    EXPECT_EQ(appState().clipLoadWarnings, 0) << "re-armed";
    EXPECT_EQ(changes, 0) << "loading is no change";
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(clears, 1);
    const std::vector<IZRObject*> loaded = chain();
    ASSERT_EQ(loaded.size(), 4u);
    const int durations[] = {100, 60, 100, 40};
    const int transitions[] = {30, 0, 20, 0};
    for (size_t i = 0; i < loaded.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(frames(loaded[i]->duration()), durations[i]);
        EXPECT_EQ(length(loaded[i]), transitions[i]);
        if (transitions[i]) {
            ZRTransitionUserData* link =
                chainlinks::transition(chainlinks::clip(loaded[i])->linkedObject);
            ASSERT_NE(link, nullptr);
            EXPECT_EQ(link->owner, loaded[i]);
            EXPECT_EQ(link->number, int(i));
        }
        EXPECT_FALSE(chainlinks::clip(loaded[i])->largeFirstFrame.isNull()) << "thumbnails";
    }
    if (effect) {
        ZREffect* reloaded = chainlinks::clip(loaded[1])->effect;
        ASSERT_NE(reloaded, nullptr);
        EXPECT_EQ(loaded[1]->effectList()->find(reloaded), 0);
    }
    EXPECT_EQ(count(4, true), 1);
    EXPECT_EQ(endPosition(), end);
    EXPECT_EQ(editor->objectAt(3), loaded[3]);
}

TEST_F(ZRVeskEditorProject, ProjectsFromOtherWritersLoadIntoASoundChain) {
    struct Case {
        const char* what;
        std::string script;
        std::vector<int> transitions; // per clip: the transition's length, 0 for none
        int unclaimed;                // objects left unattached on track 2
    };
    const std::string fadeAt70 = objectText(9, 2, 70, 30, "TRANS$@@$-1$@@$", true);
    const Case cases[] = {
        {"no editor data",
         objectText(1, 1, 0, 100, "") + objectText(2, 3, 100, 100, "") +
             objectText(3, 1, 200, 50, ""),
         {0, 0, 0},
         0},
        {"track 3 empty",
         objectText(1, 1, 0, 100, "VIDEO$@@$0$@@$0") +
             objectText(2, 1, 100, 100, "VIDEO$@@$1$@@$0") +
             objectText(3, 1, 200, 100, "VIDEO$@@$2$@@$0"),
         {0, 0, 0},
         0},
        {"records of other kinds on the clip tracks",
         objectText(1, 1, 0, 100, "TITLE$@@$-1$@@$") +
             objectText(2, 3, 100, 100, "AUDIO$@@$-1$@@$"),
         {0, 0},
         0},
        {"a transition index past track 2",
         objectText(1, 1, 0, 100, "VIDEO$@@$0$@@$5") +
             objectText(2, 3, 70, 100, "VIDEO$@@$1$@@$0") + fadeAt70,
         {0, 0},
         1},
        {"a transition index at a clip",
         objectText(1, 1, 0, 100, "VIDEO$@@$0$@@$1") +
             objectText(2, 3, 70, 100, "VIDEO$@@$1$@@$0") +
             objectText(3, 2, 70, 30, "VIDEO$@@$7$@@$0"),
         {0, 0},
         1},
        {"one transition claimed twice",
         objectText(1, 1, 0, 100, "VIDEO$@@$0$@@$1") +
             objectText(2, 3, 70, 100, "VIDEO$@@$1$@@$1") +
             objectText(3, 1, 170, 100, "VIDEO$@@$2$@@$0") + fadeAt70,
         {30, 0, 0},
         0},
        {"a transition after the last clip",
         objectText(1, 1, 0, 100, "VIDEO$@@$0$@@$0") +
             objectText(2, 3, 100, 100, "VIDEO$@@$1$@@$1") +
             objectText(9, 2, 170, 30, "TRANS$@@$-1$@@$", true),
         {0, 0},
         0},
        {"a transition too long for the next clip",
         objectText(1, 1, 0, 100, "VIDEO$@@$0$@@$1") + objectText(2, 3, 50, 20, "VIDEO$@@$1$@@$0") +
             objectText(9, 2, 50, 50, "TRANS$@@$-1$@@$", true),
         {20, 0},
         0},
        {"two clips at one start",
         objectText(1, 3, 0, 40, "VIDEO$@@$0$@@$0") + objectText(2, 1, 0, 50, "VIDEO$@@$0$@@$0"),
         {0, 0},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(loadScript(c.script));
        const std::vector<IZRObject*> clips = chain();
        ASSERT_EQ(clips.size(), c.transitions.size());
        for (size_t i = 0; i < clips.size(); ++i)
            EXPECT_EQ(length(clips[i]), c.transitions[i]) << "clip " << i;
        int unclaimed = 0;
        ZRGuardedList* track2 = timeline->track(2, true);
        for (unsigned i = 0; track2 && i < track2->count(); ++i) {
            ZRTransitionUserData* link =
                chainlinks::transition(static_cast<IZRObject*>(track2->at(i)));
            unclaimed += link && !link->owner ? 1 : 0;
        }
        EXPECT_EQ(unclaimed, c.unclaimed);
        expectChain(c.what);
    }
    EXPECT_TRUE(notifier.messages.isEmpty());
}

TEST_F(ZRVeskEditorProject, AnUnclaimedTransitionIsTrimmedLikeATrackObject) {
    ASSERT_TRUE(loadScript(objectText(1, 1, 0, 100, "VIDEO$@@$0$@@$0") +
                           objectText(2, 3, 100, 100, "VIDEO$@@$1$@@$0") +
                           objectText(9, 2, 70, 30, "", true)));
    IZRObject* loose = editor->transitionAt(pos(80));
    ASSERT_NE(loose, nullptr);
    ASSERT_NE(chainlinks::transition(loose), nullptr);
    changes = 0;
    editor->setTransitionLength(loose, pos(70), pos(79));
    EXPECT_EQ(changes, 0);
    editor->trimTrackObject(loose, pos(70), pos(79));
    EXPECT_EQ(frames(loose->duration()), 10);
    EXPECT_EQ(start(editor->objectAt(1)), 100);
}

TEST_F(ZRVeskEditorProject, TheFormatFollowsSizeSoundAndRate) {
    struct Case {
        int width, height, rate;
        double fps;
        int format;
        bool ntsc;
    };
    const Case cases[] = {
        {720, 576, 48000, 25.0, 0, false}, {720, 480, 48000, 29.97, 0, true},
        {720, 576, 44100, 25.0, 3, false}, {720, 480, 44100, 29.97, 3, true},
        {352, 288, 44100, 25.0, 1, false}, {352, 240, 44100, 29.97, 1, true},
        {480, 576, 44100, 25.0, 2, false}, {640, 480, 44100, 25.0, 4, false},
        {640, 480, 44100, 29.97, 4, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " " +
                     std::to_string(c.rate) + " " + std::to_string(c.fps));
        editor->newProject();
        settings()->setIntPairSetting("Video Dimensions", c.width, c.height);
        settings()->setIntTripleSetting("Audio Settings", c.rate, 16, 2);
        settings()->setDoubleSetting("Framerate", c.fps);
        ASSERT_TRUE(editor->saveProject(path("format.zrs")));
        settings()->setIntPairSetting("Video Dimensions", 1, 1);
        ASSERT_TRUE(editor->loadProject(path("format.zrs")));
        ZRAppState& state = appState();
        EXPECT_EQ(state.formatIndex, c.format);
        EXPECT_EQ(state.ntsc, c.ntsc);
        EXPECT_EQ(state.frameWidth, c.width);
        EXPECT_EQ(state.frameHeight, c.height);
        EXPECT_NEAR(state.frameRate, c.fps, 1e-6);
        int forced = -1;
        settings()->getIntSetting("Force Background Rendering Video Format", &forced);
        EXPECT_EQ(forced, c.format == 0 ? 1 : 0);
    }
}

TEST_F(ZRVeskEditorProject, AMissingFileKeepsTheProjectARejectedOneEmptiesIt) {
    const std::vector<IZRObject*> clips = chainOf({50, 50});
    for (int i = 0; i < 2; ++i)
        EXPECT_FALSE(editor->loadProject(path("missing.zrs")));
    EXPECT_EQ(notifier.messages,
              QStringList({"Load error / File not found", "Load error / File not found"}));
    EXPECT_EQ(chain(), clips);
    EXPECT_EQ(clears, 0);
    EXPECT_FALSE(editor->loadProject(QString()));
    // A name whose bytes were no text (decoded with replacement characters, as a file dialog
    // gives it) is said to be unusable, not missing.
    notifier.messages.clear();
    EXPECT_FALSE(editor->loadProject(path("caf") + QChar::ReplacementCharacter + ".zrs"));
    ASSERT_EQ(notifier.messages.size(), 1);
    EXPECT_TRUE(
        notifier.messages[0].startsWith("Load error / The project's file name is not valid"))
        << notifier.messages[0].toStdString();
    EXPECT_EQ(chain(), clips);

    notifier.messages.clear();
    changes = 0;
    EXPECT_FALSE(
        loadScript("integer object1=zrObjectFactory( \"Solid Color\", \"\", \"\", \"\" );\n"
                   "zrInsertObject( object1, 1, \"00:00:00.00\" );\nthis is no script (\n"));
    EXPECT_EQ(notifier.messages,
              QStringList({"Load error / An error occured during load process..."}));
    EXPECT_TRUE(editor->isEmpty());
    EXPECT_EQ(count(1, true), 0);
    EXPECT_EQ(endPosition(), 0);
    EXPECT_EQ(loads, 0);
    EXPECT_EQ(changes, 0);

    EXPECT_FALSE(editor->loadProject(folder.path())) << "a folder";
    EXPECT_EQ(notifier.messages.size(), 2);
}

TEST_F(ZRVeskEditorProject, LongPathsAndMissingFolders) {
    // Each name at most 255 bytes; the whole path over 600.
    QString nested = folder.path();
    for (int i = 0; i < 3; ++i)
        nested += "/" + QString(200, QChar('a' + i));
    ASSERT_TRUE(QDir().mkpath(nested));
    const QString file = nested + "/project.zrs";
    ASSERT_GT(QFile::encodeName(file).size(), 600);
    chainOf({40, 60});
    ASSERT_TRUE(editor->saveProject(file));
    EXPECT_TRUE(QFile::exists(file));
    editor->newProject();
    ASSERT_TRUE(editor->loadProject(file));
    EXPECT_EQ(editor->objectCount(), 2);
    EXPECT_EQ(endPosition(), 100);

    EXPECT_FALSE(editor->saveProject(path("no such folder/project.zrs")));
    EXPECT_FALSE(editor->saveProject(QString()));
}

TEST_F(ZRVeskEditorProject, NewProjectsAndImports) {
    chainOf({40, 60});
    changes = 0;
    editor->newProject();
    EXPECT_EQ(clears, 1);
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(editor->isEmpty());
    EXPECT_EQ(endPosition(), 0);
    EXPECT_EQ(editor->objectAt(0), nullptr);

    EXPECT_EQ(editor->importFile(path("missing.avi")), nullptr);
    EXPECT_EQ(editor->importFile(folder.path()), nullptr);
    QFile still(path("still.bmp"));
    ASSERT_TRUE(still.open(QIODevice::WriteOnly));
    QImage(8, 8, QImage::Format_RGB32).save(&still, "BMP");
    still.close();
    IZRObject* imported = editor->importFile(folder.path() + "/./still.bmp");
    ASSERT_NE(imported, nullptr);
    EXPECT_EQ(imported->trackNumber(true), 0) << "on no track";
    EXPECT_TRUE(editor->insertClip(imported, 0));
}
