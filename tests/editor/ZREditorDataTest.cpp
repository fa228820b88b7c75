#include "editor/ZREditorData.h"
#include "editor/ZRUserData.h"
#include "engine/api/ZREffectList.h"
#include "tests/editor/AppFixture.h"

#include <QDir>
#include <QTemporaryDir>

#include <string>

namespace {

IZRObject* solid(IZRObjectFactory* factory) {
    return factory->createObject("Solid Color", "RGB(1,2,3)", "", "");
}

class EditorDataTest : public AppTest {
protected:
    // A placed clip; the timeline destroys it.
    IZRObject* clipOnTrack(int track, int second) {
        IZRObject* object = solid(factory());
        IZRPos* at = factory()->createPosHMSF(0, 0, second, 0);
        timeline->insertObject(track, at, object);
        factory()->destroyPos(at);
        return object;
    }
};

struct ParseCase {
    const char* text;
    int kind;    // 0: nothing created
    int number;  // expected number when created
    int pending; // video: the pending transition index
};

TEST_F(EditorDataTest, ParsesTheRecordTheTextNames) {
    const ParseCase cases[] = {
        {"<ZR_EDITOR_DATA>$@@$VIDEO$@@$3$@@$1$@@$", 1, 3, 1},
        {"<ZR_EDITOR_DATA>$@@$VIDEO$@@$5", 1, 5, 0},
        {"<ZR_EDITOR_DATA>$@@$VIDEO$@@$5$@@$0$@@$", 1, 5, 0},
        {"<ZR_EDITOR_DATA>$@@$VIDEO$@@$5$@@$-4$@@$", 1, 5, 0},
        {"<ZR_EDITOR_DATA>$@@$VIDEO$@@$", 1, -1, 0},
        {"<ZR_EDITOR_DATA>$@@$VIDEO$@@$x7$@@$y$@@$", 1, 0, 0},
        // Empty fields are dropped, so the numbers move up.
        {"<ZR_EDITOR_DATA>$@@$$@@$VIDEO$@@$$@@$4$@@$2$@@$", 1, 4, 2},
        // A field after the second number resets it; the counter's later header is not read.
        {"<ZR_EDITOR_DATA>$@@$VIDEO$@@$3$@@$1$@@$extra", 1, 3, 0},
        {"<ZR_EDITOR_DATA>$@@$VIDEO$@@$3$@@$1$@@$x$@@$TITLE$@@$", 4, -1, 0},
        {"<ZR_EDITOR_DATA>$@@$AUDIO$@@$-1$@@$$@@$", 2, -1, 0},
        {"<ZR_EDITOR_DATA>$@@$TRANS$@@$-1$@@$$@@$", 3, -1, 0},
        {"<ZR_EDITOR_DATA>$@@$TITLE$@@$-1$@@$$@@$", 4, -1, 0},
        {"<ZR_EDITOR_DATA>$@@$video$@@$3$@@$", 0, 0, 0},
        {"VIDEO$@@$3$@@$1$@@$", 0, 0, 0},
        {"<ZR_EDITOR_DATA>x$@@$VIDEO$@@$3$@@$", 0, 0, 0},
        {"<ZR_EDITOR_DATA>$@@$", 0, 0, 0},
        {"<ZR_EDITOR_DATA>$@@$VIDEO$@@$1$@@$2$@@$x$@@$BOGUS$@@$", 0, 0, 0},
        {"", 0, 0, 0},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.text);
        IZRObject* object = solid(factory());
        ZRUserData* made = editordata::parse(timeline, object, c.text);
        EXPECT_EQ(made, ZRUserData::of(object));
        if (c.kind == 0) {
            EXPECT_EQ(made, nullptr);
        } else {
            ASSERT_NE(made, nullptr);
            EXPECT_EQ(made->kind, c.kind);
            EXPECT_EQ(made->number, c.number);
            EXPECT_EQ(made->flags, 0);
            if (c.kind == ZRUserData::Video) {
                auto* clip = static_cast<ZRVideoUserData*>(made);
                EXPECT_EQ(clip->pendingTransition, c.pending);
                EXPECT_EQ(clip->linkedObject, nullptr);
                EXPECT_TRUE(clip->dictionaryAutoDelete);
            }
        }
        factory()->destroyObject(object);
    }
}

TEST_F(EditorDataTest, NothingWithoutTimelineOrObject) {
    IZRObject* object = solid(factory());
    const char* text = "<ZR_EDITOR_DATA>$@@$AUDIO$@@$-1$@@$$@@$";
    EXPECT_EQ(editordata::parse(nullptr, object, text), nullptr);
    EXPECT_EQ(editordata::parse(timeline, nullptr, text), nullptr);
    EXPECT_EQ(object->getUserValue(), 0);
    EXPECT_TRUE(editordata::write(timeline, object).isNull());
    object->setUserValue(reinterpret_cast<intptr_t>(new ZRTitleUserData));
    EXPECT_TRUE(editordata::write(nullptr, object).isNull());
    EXPECT_TRUE(editordata::write(timeline, nullptr).isNull());
    // The callbacks reach the same code through the process-wide timeline.
    appState().timeline = nullptr;
    EXPECT_EQ(callbacks.appConfigString(object), nullptr);
    appState().timeline = timeline;
    EXPECT_STREQ(callbacks.appConfigString(object), "<ZR_EDITOR_DATA>$@@$TITLE$@@$-1$@@$$@@$");
}

TEST_F(EditorDataTest, WrittenTextParsesToTheSameKind) {
    ZRUserData* records[] = {new ZRVideoUserData(7, nullptr, nullptr), new ZRAudioUserData,
                             new ZRTransitionUserData, new ZRTitleUserData};
    const char* texts[] = {
        "<ZR_EDITOR_DATA>$@@$VIDEO$@@$7$@@$0$@@$", "<ZR_EDITOR_DATA>$@@$AUDIO$@@$-1$@@$$@@$",
        "<ZR_EDITOR_DATA>$@@$TRANS$@@$-1$@@$$@@$", "<ZR_EDITOR_DATA>$@@$TITLE$@@$-1$@@$$@@$"};
    for (int i = 0; i < 4; ++i) {
        IZRObject* source = solid(factory());
        source->setUserValue(reinterpret_cast<intptr_t>(records[i]));
        const QByteArray text = editordata::write(timeline, source);
        EXPECT_EQ(text, texts[i]);
        IZRObject* copy = solid(factory());
        ZRUserData* parsed = editordata::parse(timeline, copy, text.constData());
        ASSERT_NE(parsed, nullptr);
        EXPECT_EQ(parsed->kind, records[i]->kind);
        EXPECT_EQ(parsed->number, records[i]->number);
    }
}

TEST_F(EditorDataTest, VideoClipWritesItsTransitionsPlaceOnTrackTwo) {
    for (int i = 0; i < 3; ++i)
        clipOnTrack(2, 40 * i);
    ZRGuardedList* track = timeline->track(2, true);
    ASSERT_NE(track, nullptr);
    ASSERT_EQ(track->count(), 3u);
    IZRObject* transitions[3];
    for (unsigned i = 0; i < 3; ++i)
        transitions[i] = static_cast<IZRObject*>(track->at(i));
    IZRObject* clip = clipOnTrack(1, 0);
    auto* record = new ZRVideoUserData(4, nullptr, nullptr);
    clip->setUserValue(reinterpret_cast<intptr_t>(record));
    EXPECT_EQ(editordata::write(timeline, clip).toStdString(),
              "<ZR_EDITOR_DATA>$@@$VIDEO$@@$4$@@$0$@@$");
    record->linkedObject = transitions[2];
    EXPECT_EQ(editordata::write(timeline, clip).toStdString(),
              "<ZR_EDITOR_DATA>$@@$VIDEO$@@$4$@@$3$@@$");
    record->linkedObject = transitions[0];
    EXPECT_EQ(editordata::write(timeline, clip).toStdString(),
              "<ZR_EDITOR_DATA>$@@$VIDEO$@@$4$@@$1$@@$");
    {
        // A save maps the track once; the places stay the same.
        editordata::SaveScope scope(timeline);
        record->linkedObject = transitions[1];
        EXPECT_EQ(editordata::write(timeline, clip).toStdString(),
                  "<ZR_EDITOR_DATA>$@@$VIDEO$@@$4$@@$2$@@$");
        record->linkedObject = transitions[2];
        EXPECT_EQ(editordata::write(timeline, clip).toStdString(),
                  "<ZR_EDITOR_DATA>$@@$VIDEO$@@$4$@@$3$@@$");
        record->linkedObject = clip; // not on track 2
        EXPECT_EQ(editordata::write(timeline, clip).toStdString(),
                  "<ZR_EDITOR_DATA>$@@$VIDEO$@@$4$@@$0$@@$");
    }
    // A loaded clip whose transition is not resolved yet keeps its index.
    record->linkedObject = nullptr;
    record->pendingTransition = 2;
    EXPECT_EQ(editordata::write(timeline, clip).toStdString(),
              "<ZR_EDITOR_DATA>$@@$VIDEO$@@$4$@@$2$@@$");
}

TEST_F(EditorDataTest, UnknownKindWritesEmptyFieldsAndIsNotDeleted) {
    struct Odd : ZRUserData {
        Odd() : ZRUserData(-1, 9) {}
    } odd;
    IZRObject* object = solid(factory());
    object->setUserValue(reinterpret_cast<intptr_t>(&odd));
    EXPECT_EQ(editordata::write(timeline, object), "<ZR_EDITOR_DATA>$@@$$@@$$@@$$@@$");
    // Released without being deleted (it lives on this stack).
    factory()->destroyObject(object);
}

TEST_F(EditorDataTest, ParsingAgainKeepsTheClipsEffect) {
    IZRObject* clip = clipOnTrack(1, 0);
    ZREffect* effect = factory()->createEffect("Mask", "", "");
    ASSERT_NE(effect, nullptr);
    ASSERT_TRUE(clip->addEffect(effect));
    const char* text = "<ZR_EDITOR_DATA>$@@$VIDEO$@@$0$@@$0$@@$";
    auto* first = static_cast<ZRVideoUserData*>(editordata::parse(timeline, clip, text));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->effect, effect);
    first->linkedPosition = factory()->createPos();
    auto* second = static_cast<ZRVideoUserData*>(editordata::parse(timeline, clip, text));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->effect, effect);
    ASSERT_NE(clip->effectList(), nullptr);
    EXPECT_EQ(clip->effectList()->first(), effect);
    // Replaced by an audio record, the effect stays on the clip.
    ASSERT_NE(editordata::parse(timeline, clip, "<ZR_EDITOR_DATA>$@@$AUDIO$@@$"), nullptr);
    ASSERT_NE(clip->effectList(), nullptr);
    EXPECT_EQ(clip->effectList()->first(), effect);
}

// Run under the address sanitizer: every record is freed once, every effect destroyed once.
TEST_F(EditorDataTest, DestroyingClipsReleasesTheirRecordsOnce) {
    for (int i = 0; i < 6; ++i) {
        IZRObject* clip = clipOnTrack(1, 2 * i);
        auto* record = new ZRVideoUserData(i, nullptr, nullptr);
        record->linkedObject = clipOnTrack(2, 2 * i);
        record->linkedObject->setUserValue(reinterpret_cast<intptr_t>(new ZRTransitionUserData));
        record->linkedPosition = factory()->createPosHMSF(0, 0, 1, 0);
        record->effect = factory()->createEffect("Mask", "", "");
        ASSERT_TRUE(clip->addEffect(record->effect));
        clip->setUserValue(reinterpret_cast<intptr_t>(record));
        // Half go now, the rest with the timeline.
        if (i % 2) factory()->destroyObject(clip);
    }
    IZRObject* other = clipOnTrack(3, 0);
    other->setUserValue(reinterpret_cast<intptr_t>(new ZRAudioUserData));
    IZRDeleteTimelineInstance(timeline);
    timeline = nullptr;
}

TEST_F(EditorDataTest, ProjectCarriesEditorDataThroughSaveAndLoad) {
    IZRObject* transition = clipOnTrack(2, 0);
    transition->setUserValue(reinterpret_cast<intptr_t>(new ZRTransitionUserData));
    IZRObject* clip = clipOnTrack(1, 0);
    auto* record = new ZRVideoUserData(0, nullptr, nullptr);
    record->linkedObject = transition;
    clip->setUserValue(reinterpret_cast<intptr_t>(record));
    IZRObject* audio = clipOnTrack(3, 0);
    audio->setUserValue(reinterpret_cast<intptr_t>(new ZRAudioUserData));

    QTemporaryDir dir;
    const std::string path = QDir(dir.path()).filePath("p.zrs").toStdString();
    {
        editordata::SaveScope scope(timeline);
        ASSERT_TRUE(timeline->saveProject(path.c_str()));
    }
    timeline->clear();
    ASSERT_TRUE(timeline->runScriptFile(path.c_str(), false));

    auto first = [&](int track) {
        ZRGuardedList* list = timeline->track(track, true);
        return list ? static_cast<IZRObject*>(list->first()) : nullptr;
    };
    auto* loaded = static_cast<ZRVideoUserData*>(ZRUserData::of(first(1)));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->kind, ZRUserData::Video);
    EXPECT_EQ(loaded->number, 0);
    EXPECT_EQ(loaded->pendingTransition, 1);
    ASSERT_NE(ZRUserData::of(first(2)), nullptr);
    EXPECT_EQ(ZRUserData::of(first(2))->kind, ZRUserData::Transition);
    ASSERT_NE(ZRUserData::of(first(3)), nullptr);
    EXPECT_EQ(ZRUserData::of(first(3))->kind, ZRUserData::Audio);
}

} // namespace
