#include "platform/v4l2/ZRV4l2Query.h"
#include "platform/v4l2/ZRV4l2SimDevice.h"

#include <cstring>
#include <functional>
#include <map>

#include <gtest/gtest.h>

using namespace zrv4l2;

namespace {

// A node whose replies a test writes: each request has a function that fills the structure.
class ScriptedNode final : public IZRV4l2Io {
public:
    std::map<unsigned long, std::function<int(void*)>> replies;
    int ioctl(unsigned long request, void* arg) override {
        auto it = replies.find(request);
        return it == replies.end() ? -ENOTTY : it->second(arg);
    }
    ssize_t read(void*, size_t) override { return -EINVAL; }
    ssize_t write(const void*, size_t) override { return -EINVAL; }
    void* map(size_t, long) override { return nullptr; }
    void unmap(void*, size_t) override {}
};

void name(uint8_t* field, size_t size, const char* text) {
    std::memset(field, 0, size);
    std::strncpy(reinterpret_cast<char*>(field), text, size - 1);
}

} // namespace

TEST(V4l2Query, MalformedControlsCountAsAbsent) {
    struct Row {
        const char* what;
        int32_t minimum, maximum;
        uint32_t type, flags;
        bool terminated;
        int menuEntries;
        bool present;
    };
    const Row rows[] = {
        {"good integer", 0, 255, V4L2_CTRL_TYPE_INTEGER, 0, true, 0, true},
        {"minimum above maximum", 10, 5, V4L2_CTRL_TYPE_INTEGER, 0, true, 0, false},
        {"unterminated name", 0, 255, V4L2_CTRL_TYPE_INTEGER, 0, false, 0, false},
        {"disabled", 0, 255, V4L2_CTRL_TYPE_INTEGER, V4L2_CTRL_FLAG_DISABLED, true, 0, false},
        {"menu with entries", 0, 2, V4L2_CTRL_TYPE_MENU, 0, true, 2, true},
        {"menu without entries", 0, 2, V4L2_CTRL_TYPE_MENU, 0, true, 0, false},
        {"menu from a negative index", -1, 2, V4L2_CTRL_TYPE_MENU, 0, true, 3, false},
        // Every index of a huge range failing ends after a bounded number of queries.
        {"huge menu, no entries", 0, 2000000000, V4L2_CTRL_TYPE_MENU, 0, true, 0, false},
    };
    for (const Row& r : rows) {
        ScriptedNode node;
        node.replies[VIDIOC_QUERYCTRL] = [&](void* arg) {
            auto* q = static_cast<v4l2_queryctrl*>(arg);
            q->type = r.type;
            q->minimum = r.minimum;
            q->maximum = r.maximum;
            q->flags = r.flags;
            if (r.terminated)
                name(q->name, sizeof q->name, "Brightness");
            else
                std::memset(q->name, 'x', sizeof q->name);
            return 0;
        };
        node.replies[VIDIOC_QUERYMENU] = [&](void* arg) {
            auto* m = static_cast<v4l2_querymenu*>(arg);
            if (int(m->index) >= r.menuEntries) return -EINVAL;
            name(m->name, sizeof m->name, "Entry");
            return 0;
        };
        const auto c = queryControl(node, V4L2_CID_BRIGHTNESS);
        EXPECT_EQ(c.has_value(), r.present) << r.what;
        if (c && r.type == V4L2_CTRL_TYPE_MENU) {
            EXPECT_EQ(int(c->menu.size()), r.menuEntries);
        }
    }
}

TEST(V4l2Query, ListsSkipBadEntriesAndStayBounded) {
    ScriptedNode node;
    node.replies[VIDIOC_ENUMINPUT] = [](void* arg) {
        auto* in = static_cast<v4l2_input*>(arg);
        if (in->index >= 3) return -EINVAL;
        if (in->index == 1)
            std::memset(in->name, 'A', sizeof in->name); // no terminating zero
        else
            name(in->name, sizeof in->name, in->index == 0 ? "Composite" : "S-Video");
        return 0;
    };
    // A node that never stops answering gives at most the bound.
    node.replies[VIDIOC_ENUMSTD] = [](void* arg) {
        auto* s = static_cast<v4l2_standard*>(arg);
        s->id = V4L2_STD_PAL;
        name(s->name, sizeof s->name, "PAL");
        return 0;
    };
    const auto inputs = enumInputs(node);
    ASSERT_EQ(inputs.size(), 2u);
    EXPECT_EQ(inputs[0].name, "Composite");
    EXPECT_EQ(inputs[1].name, "S-Video");
    EXPECT_EQ(inputs[1].index, 2u);
    EXPECT_EQ(enumStandards(node).size(), size_t(kMaxListEntries));
}

TEST(V4l2Query, FormatTheDriverAgreedToIsUsed) {
    SimConfig config = SimConfig::captureCard("Card");
    config.adjustWidth[720] = 704;
    SimDevice device(config);
    PixFormat agreed;
    ASSERT_EQ(setFormat(device, V4L2_BUF_TYPE_VIDEO_CAPTURE, 720, 576, V4L2_PIX_FMT_YUYV, &agreed),
              0);
    EXPECT_EQ(agreed.width, 704u);
    EXPECT_EQ(agreed.height, 576u);
    EXPECT_EQ(agreed.bytesPerLine, 704u * 2);
    EXPECT_EQ(device.format().width, 704u);

    struct Row {
        const char* what;
        uint32_t width, height, bytesPerLine, imageSize;
        bool accepted;
    };
    const Row rows[] = {{"whole", 352, 288, 704, 704 * 288, true},
                        {"zero width", 0, 288, 0, 1000, false},
                        {"zero height", 352, 0, 704, 1000, false},
                        {"image short of its lines", 352, 288, 704, 704 * 287, false},
                        {"lines short of the width", 352, 288, 600, 600 * 288, false}};
    for (const Row& r : rows) {
        ScriptedNode node;
        node.replies[VIDIOC_G_FMT] = [](void*) { return 0; };
        node.replies[VIDIOC_S_FMT] = [&](void* arg) {
            auto* f = static_cast<v4l2_format*>(arg);
            f->fmt.pix.width = r.width;
            f->fmt.pix.height = r.height;
            f->fmt.pix.bytesperline = r.bytesPerLine;
            f->fmt.pix.sizeimage = r.imageSize;
            return 0;
        };
        PixFormat out{1, 1, 1, 1, 1};
        EXPECT_EQ(setFormat(node, V4L2_BUF_TYPE_VIDEO_CAPTURE, 352, 288, V4L2_PIX_FMT_YUYV, &out) ==
                      0,
                  r.accepted)
            << r.what;
        if (!r.accepted) {
            EXPECT_EQ(out.width, 0u) << r.what;
        }
    }
}

TEST(V4l2Query, SimulatedNodeAnswersTheRequests) {
    SimDevice device(SimConfig::mpegEncoder("Encoder"));
    Capabilities caps;
    ASSERT_EQ(queryCapabilities(device, &caps), 0);
    EXPECT_EQ(caps.card, "Encoder");
    EXPECT_TRUE(caps.caps & V4L2_CAP_TUNER);
    const auto formats = enumFormats(device, V4L2_BUF_TYPE_VIDEO_CAPTURE);
    ASSERT_EQ(formats.size(), 1u);
    EXPECT_TRUE(formats[0].compressed);
    EXPECT_EQ(formats[0].pixelFormat, uint32_t(V4L2_PIX_FMT_MPEG));
    const auto type = queryControl(device, V4L2_CID_MPEG_STREAM_TYPE);
    ASSERT_TRUE(type);
    EXPECT_TRUE(type->hasMenuEntry(V4L2_MPEG_STREAM_TYPE_MPEG2_DVD));
    ASSERT_EQ(setControls(device,
                          {{V4L2_CID_MPEG_VIDEO_GOP_SIZE, 15}, {V4L2_CID_MPEG_VIDEO_B_FRAMES, 2}}),
              0);
    EXPECT_EQ(device.controlsReceived().size(), 2u);
    int32_t value = 0;
    ASSERT_EQ(getControl(device, V4L2_CID_MPEG_VIDEO_GOP_SIZE, &value), 0);
    EXPECT_EQ(value, 15);
    // An unknown control is refused and leaves its output cleared.
    value = 7;
    EXPECT_LT(getControl(device, 0x12345678, &value), 0);
    EXPECT_EQ(value, 0);
}
