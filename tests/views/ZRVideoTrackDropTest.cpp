#include "tests/views/TracksFixture.h"

#include "editor/ZRChainLinks.h"
#include "editor/ZREngineDrag.h"
#include "editor/ZRTitleDrag.h"
#include "editor/ZRVeskEditorDrag.h"

#include <QFile>
#include <QPaintEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <cmath>
#include <functional>
#include <limits>

using namespace viewstest;

namespace {

/// Collects the regions the view paints.
class PaintWatch : public QObject {
public:
    QRegion painted;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) painted |= static_cast<QPaintEvent*>(e)->region();
        return false;
    }
};

class ZRVideoTrackDropTest : public TracksTest {
protected:
    bool withRenderer() const override { return true; }

    QMimeData* files(const QStringList& names) { return urlData(mediaFiles(dir, names)); }
    QString nameAt(int i) { return QString::fromUtf8(editor->objectAt(i)->name()); }

    QTemporaryDir dir;
};

TEST_F(ZRVideoTrackDropTest, FilesOnAClipGoBeforeItAndBesideTheClipsAfterThem) {
    addClips(3);
    pausedOnChange.clear();
    EXPECT_TRUE(dropOnView(files({"a1.avi", "a2.avi"}), at(Video, 60)));
    ASSERT_EQ(editor->objectCount(), 5);
    EXPECT_TRUE(nameAt(1).endsWith("a1.avi"));
    EXPECT_TRUE(nameAt(2).endsWith("a2.avi"));
    EXPECT_TRUE(nameAt(3).endsWith("clip1.avi"));
    EXPECT_TRUE(dropOnView(files({"b1.avi"}), at(Video, 300)));
    ASSERT_EQ(editor->objectCount(), 6);
    EXPECT_TRUE(nameAt(5).endsWith("b1.avi"));
    EXPECT_EQ(video()->mouseState(), 0);
    expectPausedThroughout();
}

TEST_F(ZRVideoTrackDropTest, TitlesBecomeFullFrameClipsNamedByTheirFirstLine) {
    addClips(2);
    ZRTitleSettings title;
    title.text = QStringLiteral("<!b!>Opening night\nsecond line");
    title.duration = 3000.0;
    title.startX = 12;
    pausedOnChange.clear();
    EXPECT_TRUE(dropOnView(ZRTitleDrag::mimeData(title), at(Video, 60)));
    ASSERT_EQ(editor->objectCount(), 3);
    IZRObject* made = editor->objectAt(1);
    EXPECT_EQ(QString::fromUtf8(made->name()), QStringLiteral("Opening night"));
    EXPECT_EQ(made->duration()->toFrames(), 75);
    auto* s = dynamic_cast<IZRSettings*>(made);
    ASSERT_NE(s, nullptr);
    int value = -1;
    EXPECT_TRUE(s->getIntSetting("Overlay Mode", &value));
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(s->getIntSetting("Text StartX Pos", &value));
    EXPECT_EQ(value, 12);
    EXPECT_NE(chainlinks::clip(made), nullptr);
    expectPausedThroughout();

    // A duration that is no usable number of milliseconds makes nothing.
    for (double bad : {std::nan(""), 0.0, -40.0, 3e9, std::numeric_limits<double>::infinity()}) {
        title.duration = bad;
        dropOnView(ZRTitleDrag::mimeData(title), at(Video, 60));
        EXPECT_EQ(editor->objectCount(), 3) << bad;
    }
}

TEST_F(ZRVideoTrackDropTest, EffectsGoOnTheClipAndRepaintTheThreeLinkedTracks) {
    addClips(3);
    IZRObject* c1 = editor->objectAt(1);
    QSignalSpy changed(view.get(), &ZRTimelineView::objectChanged);
    PaintWatch watch;
    QCoreApplication::processEvents();
    view->installEventFilter(&watch);
    pausedOnChange.clear();
    dropOnView(ZREngineDrag::mimeData(1, "Video Effect", "Colour", "Test Invert"), at(Video, 75));
    ASSERT_NE(chainlinks::clip(c1)->effect, nullptr);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.first().at(0).value<IZRObject*>(), c1);
    QCoreApplication::processEvents();
    view->removeEventFilter(&watch);
    for (int track : {int(Transition), int(Video), int(Audio1)})
        EXPECT_TRUE(watch.painted.contains(at(track, 75))) << track;
    expectPausedThroughout();
    // Beside the clips an effect does nothing.
    dropOnView(ZREngineDrag::mimeData(1, "Video Effect", "Colour", "Test Invert"), at(Video, 400));
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(ZRVideoTrackDropTest, TransitionsGoBetweenTwoClipsOnly) {
    addClips(3); // 0..49, 50..99, 100..149
    pausedOnChange.clear();
    dropOnView(ZREngineDrag::mimeData(1, "Transition", "Basic", "Test Fade"), at(Video, 20));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(editor->transitionOf(i), nullptr) << "left of the first clip's middle";
    EXPECT_TRUE(pausedOnChange.empty());
    dropOnView(ZREngineDrag::mimeData(1, "Transition", "Basic", "Test Fade"), at(Video, 70));
    EXPECT_NE(editor->transitionOf(0), nullptr);
    EXPECT_EQ(editor->transitionOf(1), nullptr);
    expectPausedThroughout();
    EXPECT_EQ(video()->mouseState(), 0);
}

TEST_F(ZRVideoTrackDropTest, OnlyClipsOfThisTimelineMoveOntoTheVideoTrack) {
    addClips(2);
    IZRObject* sound = clip("sound.avi");
    sound->setUserValue(reinterpret_cast<intptr_t>(new ZRAudioUserData()));
    editor->insertAudioObject(pos(10), 10, sound);
    ASSERT_EQ(sound->trackNumber(false), 10);
    IZRObject* loose = clip("loose.avi"); // on no track of the timeline
    loose->setUserValue(reinterpret_cast<intptr_t>(new ZRVideoUserData()));

    struct Case {
        const char* what;
        IZRObject* object;
        bool taken;
    };
    const Case cases[] = {{"an audio object", sound, false},
                          {"an object on no track", loose, false},
                          {"a chained clip", editor->objectAt(1), true}};
    for (const Case& c : cases) {
        bool taken = false;
        whileDragging(c.object, [&](const QMimeData* data) {
            QDragEnterEvent enter(at(Video, 20), Qt::MoveAction, data, Qt::LeftButton,
                                  Qt::NoModifier);
            enter.ignore();
            video()->DragEnterEvent(&enter);
            taken = enter.isAccepted();
            QDragLeaveEvent leave;
            video()->DragLeaveEvent(&leave);
        });
        EXPECT_EQ(taken, c.taken) << c.what;
        EXPECT_EQ(video()->dropObject(), nullptr) << c.what;
    }
    factory()->destroyObject(loose);
}

TEST_F(ZRVideoTrackDropTest, PayloadsOfNoKnownKindChangeNothing) {
    addClips(2);
    auto* junk = new QMimeData;
    junk->setData(QStringLiteral("application/x-something"), "ZRTITLE$@@$x");
    EXPECT_FALSE(dropOnView(junk, at(Video, 20)));
    auto* image = new QMimeData;
    image->setImageData(QImage(4, 4, QImage::Format_ARGB32));
    EXPECT_TRUE(dropOnView(image, at(Video, 20)));
    auto* remote = new QMimeData;
    remote->setUrls({QUrl(QStringLiteral("https://example.invalid/a.avi"))});
    EXPECT_TRUE(dropOnView(remote, at(Video, 20)));
    EXPECT_EQ(editor->objectCount(), 2);
    EXPECT_EQ(video()->mouseState(), 0);
}

} // namespace
