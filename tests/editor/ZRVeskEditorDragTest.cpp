// The drag that moves an object already on the timeline, and how a drop finds that object.
#include "editor/ZRVeskEditorDrag.h"
#include "tests/editor/EditorFixture.h"

#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QThread>
#include <QWidget>

#include <cstring>
#include <functional>
#include <memory>

namespace {

uintptr_t thisThread() {
    return reinterpret_cast<uintptr_t>(QThread::currentThread());
}

std::unique_ptr<QMimeData> dataOf(const QByteArray& bytes) {
    auto data = std::make_unique<QMimeData>();
    data->setData(ZRVeskEditorDrag::kMimeType, bytes);
    return data;
}

} // namespace

TEST(ZRVeskEditorDragFormat, EncodesThreadAndObjectOnly) {
    ZRVeskEditorDrag drag(nullptr, "Moving Editor Object");
    EXPECT_EQ(drag.object(), 0u);
    drag.setPayload(1234, 5678, 9);
    const QByteArray bytes = drag.encodedData(ZRVeskEditorDrag::kMimeType);
    EXPECT_EQ(bytes.size(), 33);
    EXPECT_EQ(QByteArray(bytes.constData()), QByteArray("ZRVESKEDITOR$@@$1234$@@$5678$@@$"));
    EXPECT_EQ(bytes.back(), '\0');
    EXPECT_STREQ(drag.format(0), "application/x-zrveskeditorobject");
    EXPECT_EQ(drag.format(1), nullptr);
    EXPECT_TRUE(drag.encodedData("text/plain").isEmpty());
    EXPECT_TRUE(drag.encodedData(nullptr).isEmpty());
}

TEST(ZRVeskEditorDragFormat, DecodesWhatItCanAndLeavesTheRest) {
    struct Case {
        const char* what;
        QByteArray bytes;
        bool decodes;
        uintptr_t thread, object; // 7 and 8 stand for "left as it was"
    };
    const Case cases[] = {
        {"the whole payload", QByteArray("ZRVESKEDITOR$@@$12$@@$34$@@$\0", 29), true, 12, 34},
        {"another header", "ZRVESKEDITOX$@@$12$@@$34$@@$", false, 7, 8},
        {"the header alone", "ZRVESKEDITOR$@@$", true, 7, 8},
        {"the thread alone", "ZRVESKEDITOR$@@$12", true, 12, 8},
        {"no number", "ZRVESKEDITOR$@@$-3$@@$x$@@$", true, 0, 0},
        {"too large a number", "ZRVESKEDITOR$@@$99999999999999999999999$@@$1", true, 0, 1},
        {"a second round", "ZRVESKEDITOR$@@$1$@@$2$@@$tag$@@$3$@@$4", true, 3, 4},
        {"empty fields dropped", "ZRVESKEDITOR$@@$$@@$5$@@$6", true, 5, 6},
        {"nothing before the zero", QByteArray("\0ZRVESKEDITOR$@@$1", 18), false, 7, 8},
        {"empty", "", false, 7, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto data = dataOf(c.bytes);
        uintptr_t thread = 7, object = 8;
        EXPECT_EQ(ZRVeskEditorDrag::decode(data.get(), &thread, &object), c.decodes);
        EXPECT_EQ(thread, c.thread);
        EXPECT_EQ(object, c.object);
    }
    QMimeData other;
    other.setText("ZRVESKEDITOR$@@$1$@@$2");
    uintptr_t thread = 7, object = 8;
    EXPECT_FALSE(ZRVeskEditorDrag::canDecode(&other));
    EXPECT_FALSE(ZRVeskEditorDrag::decode(&other, &thread, &object));
    EXPECT_FALSE(ZRVeskEditorDrag::decode(nullptr, &thread, &object));
    EXPECT_TRUE(ZRVeskEditorDrag::canDecode(dataOf("x").get()));
}

TEST(ZRVeskEditorDragFormat, PointersAbove32BitsRoundTrip) {
    const uintptr_t high = (uintptr_t(1) << 40) + 0x12345678u;
    ZRVeskEditorDrag drag(nullptr, "Moving Editor Object");
    drag.setPayload(high + 1, high, 0);
    const std::unique_ptr<QMimeData> data(drag.mimeData());
    EXPECT_EQ(data->formats(), QStringList{ZRVeskEditorDrag::kMimeType});
    uintptr_t thread = 0, object = 0;
    ASSERT_TRUE(ZRVeskEditorDrag::decode(data.get(), &thread, &object));
    EXPECT_EQ(thread, high + 1);
    EXPECT_EQ(object, high);
}

/// A drag whose drop is played by the test while it runs.
class PlayedDrag : public ZRVeskEditorDrag {
public:
    using ZRVeskEditorDrag::ZRVeskEditorDrag;
    std::function<void()> during;
    Qt::DropAction answer = Qt::IgnoreAction;
    QDrag* ran = nullptr;

protected:
    Qt::DropAction execute(QDrag& drag) override {
        ran = &drag;
        if (during) during();
        return answer;
    }
};

class ZRVeskEditorDropping : public EditorTest {
protected:
    IZRObject* drop(const QByteArray& bytes) {
        const auto data = dataOf(bytes);
        QDropEvent event(QPointF(1, 1), Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        return editor->droppedObject(&event);
    }

    QByteArray payload(uintptr_t thread, const void* object) {
        ZRVeskEditorDrag drag(nullptr, "Moving Editor Object");
        drag.setPayload(thread, reinterpret_cast<uintptr_t>(object), 0);
        return drag.encodedData(ZRVeskEditorDrag::kMimeType);
    }
};

TEST_F(ZRVeskEditorDropping, OnlyARunningDragOfThisThreadNamesAnObjectOnTheTracks) {
    const std::vector<IZRObject*> clips = chainOf({50, 50});
    IZRObject* caption = title(20);
    ASSERT_TRUE(editor->insertTitle(pos(5), caption));
    IZRObject* offTrack = solid(10);

    EXPECT_EQ(drop(payload(thisThread(), clips[1])), nullptr) << "no drag is running";

    QWidget source;
    PlayedDrag drag(&source, "Moving Editor Object");
    drag.setPayload(thisThread(), reinterpret_cast<uintptr_t>(clips[1]), 1);
    drag.during = [&] {
        EXPECT_EQ(ZRVeskEditorDrag::running(), &drag);
        EXPECT_EQ(drag.ran->mimeData()->data(ZRVeskEditorDrag::kMimeType),
                  payload(thisThread(), clips[1]));
        EXPECT_EQ(drop(payload(thisThread(), clips[1])), clips[1]);
        EXPECT_EQ(drop(payload(thisThread(), caption)), caption);
        EXPECT_EQ(drop(payload(thisThread() + 8, clips[1])), nullptr) << "another thread";
        EXPECT_EQ(drop(payload(thisThread(), offTrack)), nullptr) << "on no track";
        EXPECT_EQ(drop(payload(thisThread(), &source)), nullptr) << "no engine object";
        EXPECT_EQ(drop("ZRVESKEDITOR$@@$1$@@$"), nullptr);
        EXPECT_EQ(editor->droppedObject(nullptr), nullptr);
    };
    EXPECT_FALSE(drag.dragCopyOrMove()) << "ignored";
    ASSERT_NE(drag.ran, nullptr);
    drag.during = nullptr;
    drag.answer = Qt::MoveAction;
    EXPECT_TRUE(drag.dragCopyOrMove()) << "a move";
    drag.answer = Qt::CopyAction;
    EXPECT_FALSE(drag.dragCopyOrMove()) << "a copy";
    EXPECT_EQ(ZRVeskEditorDrag::running(), nullptr);
    EXPECT_EQ(drop(payload(thisThread(), clips[1])), nullptr) << "the drag is over";
}
