#include "tests/views/StoryboardFixture.h"

#include "editor/ZREngineDrag.h"
#include "editor/ZRTitleDrag.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRTimeline.h"
#include "engine/api/ZRGuardedList.h"

#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>

#include <cmath>
#include <limits>
#include <memory>

using namespace viewstest;

namespace {

class ZRStoryboardDropTest : public StoryboardTest {
protected:
    bool withModules() const override { return true; }

    void drop(QMimeData* data, QPoint at) {
        std::unique_ptr<QMimeData> owned(data);
        QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(board, &enter);
        accepted = enter.isAccepted();
        QDropEvent e(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(board, &e);
    }

    QList<QUrl> files(const QStringList& names) { return mediaFiles(dir, names); }

    unsigned trackCount(int track) {
        ZRGuardedList* list = timeline->track(track, true);
        return list ? list->count() : 0;
    }

    QString nameAt(int i) { return QString::fromUtf8(editor->objectAt(i)->name()); }

    QTemporaryDir dir;
    bool accepted = false;
};

TEST_F(ZRStoryboardDropTest, FilesOnACellLandThereInOrder) {
    addClips(4);
    drop(urlData(files({"a1.avi", "a2.avi", "a3.avi"})), cellPoint(2));
    EXPECT_TRUE(accepted);
    ASSERT_EQ(editor->objectCount(), 7);
    EXPECT_TRUE(nameAt(2).endsWith("a1.avi"));
    EXPECT_TRUE(nameAt(3).endsWith("a2.avi"));
    EXPECT_TRUE(nameAt(4).endsWith("a3.avi"));
    // Right of the last cell: appended.
    drop(urlData(files({"b1.avi", "b2.avi"})), cellPoint(7) + QPoint(40, 0));
    ASSERT_EQ(editor->objectCount(), 9);
    EXPECT_TRUE(nameAt(7).endsWith("b1.avi"));
    EXPECT_TRUE(nameAt(8).endsWith("b2.avi"));
}

TEST_F(ZRStoryboardDropTest, FilesIntoAnEmptyProjectPutTheCursorOnCellZero) {
    drop(urlData(files({"first.avi"})), cellPoint(3));
    ASSERT_EQ(editor->objectCount(), 1);
    EXPECT_FALSE(board->projectEmpty());
    EXPECT_EQ(board->currentCell(), 0);
    EXPECT_DOUBLE_EQ(board->currentFraction(), 0.0);
    EXPECT_EQ(hub.current, editor->objectAt(0));
}

TEST_F(ZRStoryboardDropTest, FilesThatCannotBecomeClipsLeaveNothing) {
    addClips(1);
    QSignalSpy status(board, &ZRStoryboard::status_message);
    QList<QUrl> urls = files({"missing.avi"});
    urls.append(QUrl::fromLocalFile(dir.filePath("not-there.avi")));
    urls.append(QUrl(QStringLiteral("http://example.invalid/remote.avi")));
    drop(urlData(urls), cellPoint(0));
    EXPECT_EQ(editor->objectCount(), 1);
    EXPECT_EQ(trackCount(1) + trackCount(3), 1u);
    ASSERT_GE(status.count(), 1);
    // The first refused file is named with its reason.
    EXPECT_TRUE(status.last().at(0).toString().startsWith(
        "Error: no objects inserted ('missing.avi': not a video, picture or sound file"));
    EXPECT_FALSE(board->insertFileAt(dir.filePath("a.avi"), 5)); // beyond the end
}

TEST_F(ZRStoryboardDropTest, ARefusedFileIsNamedWithItsReason) {
    addClips(1);
    // The test modules refuse any name holding "missing".
    QFile text(dir.filePath(QStringLiteral("missing-notes.txt")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("shopping list\n");
    text.close();
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.avi")));
    const struct {
        const char* name;
        const char* reason;
    } cases[] = {
        {"missing-notes.txt", "not a video, picture or sound file that can be read"},
        {"folder.avi", "not a regular file"},
        {"gone.avi", "the file does not exist"},
    };
    for (const auto& c : cases) {
        QSignalSpy status(board, &ZRStoryboard::status_message);
        const QString path = dir.filePath(QString::fromUtf8(c.name));
        // Twice: the same refusal is told again.
        for (int i = 0; i < 2; ++i) {
            drop(urlData({QUrl::fromLocalFile(path)}), cellPoint(0));
            ASSERT_EQ(status.count(), i + 1) << c.name;
            EXPECT_EQ(status.last().at(0).toString(),
                      QStringLiteral("Error: no objects inserted ('%1': %2)")
                          .arg(QString::fromUtf8(c.name), QString::fromUtf8(c.reason)))
                << c.name;
        }
        EXPECT_EQ(editor->objectCount(), 1) << c.name;
    }
    // With one good file among them, the refused one is still named.
    QSignalSpy status(board, &ZRStoryboard::status_message);
    QList<QUrl> urls = files({"good.avi"});
    urls.append(QUrl::fromLocalFile(dir.filePath(QStringLiteral("missing-notes.txt"))));
    drop(urlData(urls), cellPoint(0));
    ASSERT_EQ(editor->objectCount(), 2);
    ASSERT_GE(status.count(), 1);
    EXPECT_TRUE(status.last().at(0).toString().startsWith("Not inserted ('missing-notes.txt': "));
}

TEST_F(ZRStoryboardDropTest, TitleIsNamedByItsFirstLineWithoutTags) {
    addClips(2);
    ZRTitleSettings title;
    title.text = QStringLiteral("<!font=sans!>Hello there\nsecond line");
    title.duration = 3000;
    title.safeFrameSize = 0.1;
    drop(ZRTitleDrag::mimeData(title), QPoint(120, 80)); // on no cell: appended
    ASSERT_EQ(editor->objectCount(), 3);
    EXPECT_EQ(nameAt(2), "Hello there");
    EXPECT_EQ(int(std::lround(editor->objectAt(2)->duration()->toMilliseconds())), 3000);
}

TEST_F(ZRStoryboardDropTest, TitlesWithImpossibleDurationsAreRefused) {
    addClips(1);
    const double bad[] = {0.0, -5.0, std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity(), 1e12};
    for (double d : bad) {
        ZRTitleSettings title;
        title.text = QStringLiteral("T");
        title.duration = d;
        drop(ZRTitleDrag::mimeData(title), cellPoint(0));
    }
    EXPECT_EQ(editor->objectCount(), 1);
}

TEST_F(ZRStoryboardDropTest, TransitionsGoAfterTheInsertionIndex) {
    addClips(5);
    // The right half of cell 3: after clip 3.
    drop(ZREngineDrag::mimeData(1, "Transition", "Basic", "Test Fade"),
         cellPoint(3) + QPoint(10, 0));
    EXPECT_NE(editor->transitionOf(3), nullptr);
    EXPECT_EQ(editor->transitionOf(2), nullptr);
    const unsigned placed = trackCount(2);
    // The right half of the last cell: the last clip takes none, and nothing stays behind.
    drop(ZREngineDrag::mimeData(1, "Transition", "Basic", "Test Fade"),
         cellPoint(4) + QPoint(10, 0));
    EXPECT_EQ(editor->transitionOf(4), nullptr);
    EXPECT_EQ(trackCount(2), placed);
    // Left of the first cell's middle: no insertion index.
    drop(ZREngineDrag::mimeData(1, "Transition", "Basic", "Test Fade"),
         cellPoint(0) - QPoint(10, 0));
    EXPECT_EQ(editor->transitionOf(0), nullptr);
}

TEST_F(ZRStoryboardDropTest, EffectsLandOnCellsOnly) {
    addClips(2);
    drop(ZREngineDrag::mimeData(1, "Video Effect", "Colour", "Test Invert"), cellPoint(1));
    EXPECT_NE(record(1)->effect, nullptr);
    EXPECT_EQ(record(0)->effect, nullptr);
    // In the gap, and on an empty slot: nothing.
    drop(ZREngineDrag::mimeData(1, "Video Effect", "Colour", "Test Invert"), QPoint(167 + 70, 60));
    drop(ZREngineDrag::mimeData(1, "Video Effect", "Colour", "Test Invert"), cellPoint(4));
    EXPECT_EQ(record(0)->effect, nullptr);
}

TEST_F(ZRStoryboardDropTest, ImagesAreAcceptedButInsertNothing) {
    addClips(1);
    auto* data = new QMimeData;
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(Qt::red);
    data->setImageData(image);
    drop(data, cellPoint(0));
    EXPECT_TRUE(accepted);
    EXPECT_EQ(editor->objectCount(), 1);
    board->setEnabled(false);
    drop(urlData(files({"x.avi"})), cellPoint(0));
    EXPECT_FALSE(accepted);
}

} // namespace

namespace {

// Every part at once: transitions (one selected), an effect, a selection, a trimmed clip and the
// time cursor. With CLIPSTEAD_LOOK_DIR set the picture is also written there to be looked at.
TEST_F(ZRStoryboardDropTest, AFullSceneShowsTransitionIcons) {
    addClips(6);
    const QImage plain = shot();
    drop(ZREngineDrag::mimeData(1, "Transition", "Basic", "Test Fade"),
         cellPoint(1) + QPoint(20, 0));
    drop(ZREngineDrag::mimeData(1, "Transition", "Basic", "Test Fade"),
         cellPoint(3) + QPoint(20, 0));
    drop(ZREngineDrag::mimeData(1, "Video Effect", "Colour", "Test Invert"), cellPoint(4));
    ASSERT_NE(editor->transitionOf(1), nullptr);
    ZRUserData::of(editor->transitionOf(3))->setSelected(true);
    timeline->setObjectMarkIn(editor->objectAt(5), pos(10));
    timeline->setObjectMarkOut(editor->objectAt(5), pos(40));
    board->selectCells(4, 5, true);
    board->setCursorPosition(2, 0.5);
    board->update();
    const QImage image = shot();
    const QPoint box1 = QPoint(307 + 12, 64 + 12);
    EXPECT_NE(image.pixel(box1), plain.pixel(box1));
    EXPECT_EQ(image.pixel(QPoint(227 + 12, 64 + 12)), plain.pixel(QPoint(227 + 12, 64 + 12)));
    EXPECT_NE(image.pixel(QPoint(467 + 12, 64 + 12)), image.pixel(box1)); // selected look
    if (const QByteArray dir = qgetenv("CLIPSTEAD_LOOK_DIR"); !dir.isEmpty())
        image.save(QString::fromLocal8Bit(dir) + "/storyboard.png");
}

} // namespace
