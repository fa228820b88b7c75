#include "platform/cdwriter/MpegInfo.h"

#include <gtest/gtest.h>

// The disc kind goes by codec and picture size together.
TEST(MpegInfo, ProfilesDecideTheDiscKind) {
    using mpeginfo::MpegInfo;
    using mpeginfo::VcdKind;
    struct Case {
        MpegInfo info;
        std::optional<VcdKind> kind;
    };
    const Case cases[] = {
        {{false, 352, 288}, VcdKind::Vcd}, {{false, 352, 240}, VcdKind::Vcd},
        {{true, 480, 576}, VcdKind::Svcd}, {{true, 480, 480}, VcdKind::Svcd},
        {{true, 352, 288}, std::nullopt},  {{false, 480, 576}, std::nullopt},
        {{true, 720, 576}, std::nullopt},  {{false, 320, 240}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.info.mpeg2 << " " << c.info.width << "x" << c.info.height);
        EXPECT_EQ(mpeginfo::vcdKindOf(c.info), c.kind);
    }
    EXPECT_TRUE(mpeginfo::isNtsc({true, 480, 480}));
    EXPECT_FALSE(mpeginfo::isNtsc({false, 352, 288}));
}

TEST(MpegInfo, NoFileNoInfo) {
    EXPECT_FALSE(mpeginfo::read(QStringLiteral("/no/such/file.mpg")));
    EXPECT_FALSE(mpeginfo::read(QStringLiteral("/dev/null")));
}
