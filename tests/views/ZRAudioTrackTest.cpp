#include "tests/views/TracksFixture.h"

#include "editor/ZRUserData.h"
#include "platform/system/SystemPaths.h"

#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <dlfcn.h>

using namespace viewstest;

namespace {

class ZRAudioTrackTest : public TracksTest {
protected:
    bool muted(int track) {
        int value = -1;
        EXPECT_TRUE(settings()->getIntPairSetting("Mute Track", &track, &value));
        return value != 0;
    }
    double level(int track) {
        double value = -9.0;
        EXPECT_TRUE(settings()->getIndexedDoubleSetting("Track Audio Level", &track, &value));
        return value;
    }
    void click(ZRAudioTrack* t, QPoint p) {
        press(t, p);
        release(t, p);
    }
    QMimeData* urls(const QStringList& names) { return urlData(mediaFiles(dir, names)); }

    /// How many files the module tree's counting module holds open now.
    static int openSources() {
        static const int anchor = 0;
        static void* library =
            dlopen((platform::folderOfAddress(&anchor) + "modulefixture/PlugIns/import/counting.so")
                       .toUtf8()
                       .constData(),
                   RTLD_NOW);
        using Function = void (*)(int*, int*);
        static auto read =
            library ? reinterpret_cast<Function>(dlsym(library, "countingSessions")) : nullptr;
        int opened = 0, live = -1;
        if (read) read(&opened, &live);
        return live;
    }

    QTemporaryDir dir;
};

TEST_F(ZRAudioTrackTest, TheSwitchOpensAndClosesTheRow) {
    ZRAudioTrack* a2 = audio(Audio2);
    EXPECT_EQ(a2->sizeHint().height(), ZRAudioTrack::kClosedHeight);
    const int below = view->trackAt(Audio3)->trackRect().top();
    click(a2, a2->switchArea().center());
    EXPECT_TRUE(a2->isOpen());
    EXPECT_EQ(a2->sizeHint().height(), ZRAudioTrack::kOpenHeight);
    EXPECT_EQ(a2->trackRect().height(), ZRAudioTrack::kOpenHeight);
    EXPECT_EQ(a2->headerRect().height(), ZRAudioTrack::kOpenHeight);
    EXPECT_EQ(view->trackAt(Audio3)->trackRect().top(), below + 20);
    click(a2, a2->switchArea().center());
    EXPECT_FALSE(a2->isOpen());
    EXPECT_EQ(view->trackAt(Audio3)->trackRect().top(), below);
}

TEST_F(ZRAudioTrackTest, TheKnobStopsAtBothEndsAndWritesTheLevel) {
    struct Case {
        const char* name;
        int index;
        std::vector<int> tracks;
    };
    const Case cases[] = {{"AUDIO1", Audio1, {1, 3}}, {"AUDIO2", Audio2, {10}}};
    for (const Case& c : cases) {
        ZRAudioTrack* t = audio(c.index);
        click(t, t->switchArea().center());
        ASSERT_TRUE(t->isOpen()) << c.name;
        const QRect slider = t->sliderArea();
        const QPoint knob = t->knobArea().center();
        EXPECT_EQ(knob.x(), slider.left() + slider.width() / 2) << "0.0 is the middle";
        press(t, knob);
        move(t, QPoint(slider.left() - 50, knob.y()));
        EXPECT_DOUBLE_EQ(t->level(), -1.0) << c.name;
        for (int track : c.tracks)
            EXPECT_DOUBLE_EQ(level(track), -1.0) << c.name << track;
        move(t, QPoint(slider.right() + 50, knob.y()));
        EXPECT_DOUBLE_EQ(t->level(), 1.0) << c.name;
        move(t, knob);
        EXPECT_DOUBLE_EQ(t->level(), 0.0) << c.name;
        release(t, knob);
        // Released: moving on no longer drags.
        move(t, QPoint(slider.right() + 50, knob.y()), Qt::NoButton);
        EXPECT_DOUBLE_EQ(t->level(), 0.0) << c.name;
        for (int track : c.tracks)
            EXPECT_DOUBLE_EQ(level(track), 0.0) << c.name << track;
    }
    EXPECT_DOUBLE_EQ(level(11), 0.0);
}

TEST_F(ZRAudioTrackTest, TheSpeakerMutesTheTracksItSpeaksFor) {
    struct Case {
        const char* name;
        int index;
        std::vector<int> muted, untouched;
    };
    const Case cases[] = {{"AUDIO1", Audio1, {1, 3}, {10, 11}},
                          {"AUDIO2", Audio2, {10}, {1, 3, 11}}};
    for (const Case& c : cases) {
        ZRAudioTrack* t = audio(c.index);
        click(t, t->speakerArea().center());
        EXPECT_TRUE(t->isMuted()) << c.name;
        for (int track : c.muted)
            EXPECT_TRUE(muted(track)) << c.name << track;
        for (int track : c.untouched)
            EXPECT_FALSE(muted(track)) << c.name << track;
        click(t, t->speakerArea().center());
        EXPECT_FALSE(t->isMuted()) << c.name;
        for (int track : c.muted)
            EXPECT_FALSE(muted(track)) << c.name << track;
    }
}

TEST_F(ZRAudioTrackTest, SettingsAreReadFromTheEngineForANewProject) {
    settings()->setIndexedDoubleSetting("Track Audio Level", 11, 0.5);
    settings()->setIntPairSetting("Mute Track", 11, 1);
    settings()->setIntPairSetting("Mute Track", 1, 1);
    view->slotNewProject();
    EXPECT_DOUBLE_EQ(audio(Audio3)->level(), 0.5);
    EXPECT_TRUE(audio(Audio3)->isMuted());
    EXPECT_TRUE(audio(Audio1)->isMuted());
    EXPECT_FALSE(audio(Audio2)->isMuted());
}

TEST_F(ZRAudioTrackTest, TheClipAudioTrackShowsTheChainsSoundOnly) {
    addClips(1);
    addClips(1, "silent");
    addClips(1);
    ZRAudioTrack* a1 = audio(Audio1);
    EXPECT_EQ(a1->objectAt(at(Audio1, 25), nullptr), editor->objectAt(0));
    // A clip without sound leaves a gap, though the video track shows it.
    EXPECT_EQ(a1->objectAt(at(Audio1, 75), nullptr), nullptr);
    EXPECT_EQ(video()->objectAt(at(Video, 75), nullptr), editor->objectAt(1));
    EXPECT_EQ(a1->objectAt(at(Audio1, 125), nullptr), editor->objectAt(2));
    EXPECT_EQ(a1->firstObject(), editor->objectAt(0));
    EXPECT_EQ(a1->nextObject(), editor->objectAt(1));
    EXPECT_EQ(a1->indexOfObject(editor->objectAt(2)), 2);
    // Selecting through the clip-audio track selects the clip.
    a1->setObjectSelected(editor->objectAt(2), true);
    EXPECT_TRUE(video()->isObjectSelected(editor->objectAt(2)));
    (void)view->grab();
}

TEST_F(ZRAudioTrackTest, AudioFilesEnterFreeTracksOnlyWithSound) {
    addClips(3);
    ZRAudioTrack* a2 = audio(Audio2);
    const int open = openSources();
    ASSERT_GE(open, 3);
    {
        const std::unique_ptr<QMimeData> data(urls({"music.avi"}));
        QDragEnterEvent enter(at(Audio2, 10), Qt::CopyAction, data.get(), Qt::LeftButton,
                              Qt::NoModifier);
        a2->DragEnterEvent(&enter);
        EXPECT_TRUE(enter.isAccepted());
        EXPECT_EQ(a2->mouseState(), 6);
        ASSERT_NE(a2->dropObject(), nullptr);
        ZRUserData* record = ZRUserData::of(a2->dropObject());
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->kind, ZRUserData::Audio);
        EXPECT_EQ(openSources(), open + 1);
        QDragLeaveEvent leave;
        a2->DragLeaveEvent(&leave);
        EXPECT_EQ(openSources(), open) << "the object the drag made goes with it";
    }
    {
        const std::unique_ptr<QMimeData> data(urls({"speech silent.avi"}));
        QDragEnterEvent enter(at(Audio2, 10), Qt::CopyAction, data.get(), Qt::LeftButton,
                              Qt::NoModifier);
        a2->DragEnterEvent(&enter);
        EXPECT_FALSE(enter.isAccepted()) << "no sound";
        EXPECT_EQ(a2->dropObject(), nullptr);
        EXPECT_EQ(openSources(), open) << "its object is destroyed";
        EXPECT_EQ(a2->mouseState(), 0);
    }
    {
        // The clip-audio track takes no drags at all.
        const std::unique_ptr<QMimeData> data(urls({"more.avi"}));
        QDragEnterEvent enter(at(Audio1, 10), Qt::CopyAction, data.get(), Qt::LeftButton,
                              Qt::NoModifier);
        audio(Audio1)->DragEnterEvent(&enter);
        EXPECT_FALSE(enter.isAccepted());
        EXPECT_EQ(audio(Audio1)->dropObject(), nullptr);
    }
}

TEST_F(ZRAudioTrackTest, HoverFollowsThePointerAndEndsWithTheLeave) {
    ZRAudioTrack* a3 = audio(Audio3);
    click(a3, a3->switchArea().center());
    const QImage plain = view->grab().toImage();
    move(a3, a3->speakerArea().center(), Qt::NoButton);
    const QImage hovered = view->grab().toImage();
    EXPECT_NE(hovered.copy(a3->speakerArea()), plain.copy(a3->speakerArea()));
    QEvent leave(QEvent::Leave);
    a3->leaveEvent(&leave);
    EXPECT_EQ(view->grab().toImage().copy(a3->speakerArea()), plain.copy(a3->speakerArea()));
}

} // namespace
