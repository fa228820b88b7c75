// The files a render through the produce page writes beside the one the user named.
#include "tests/output/RenderFixture.h"

#include "platform/segments/ZRSegmentList.h"

#include <QFile>

using namespace rendertest;

namespace {

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::vector<std::string> segmentNames(const QString& listPath) {
    std::string error;
    const auto list = segments::ZRSegmentList::read(listPath.toStdString(), &error);
    std::vector<std::string> names;
    if (list)
        for (const segments::ZRSegmentList::Entry& entry : list->entries())
            names.push_back(entry.name);
    return names;
}

} // namespace

// A DV render asks about its list only. Its segment takes a free name beside the user's file
// of the segment's name; rendered again over its own list (asked and agreed), it replaces that
// list's segment and leaves nothing else behind.
TEST_F(RenderTest, ADvRenderKeepsTheUsersFileUnderASegmentName) {
    {
        QFile mine(path("dv01.avi"));
        ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
        mine.write("mine");
    }
    const QStringList expected{QStringLiteral("dv.ovl"), QStringLiteral("dv01 (2).avi"),
                               QStringLiteral("dv01.avi")};
    for (const int render : {1, 2}) {
        SCOPED_TRACE(render);
        makeProject(25, 1);
        services.file = path("dv");
        hub.produced.clear();
        view->slotRenderClicked();
        EXPECT_EQ(services.overwriteAsked, render - 1);
        ASSERT_EQ(hub.produced.size(), 1u);
        EXPECT_EQ(QFileInfo(hub.produced[0]).absoluteFilePath(), path("dv.ovl"));
        EXPECT_EQ(contentOf(path("dv01.avi")), QByteArray("mine"));
        EXPECT_EQ(segmentNames(path("dv.ovl")), std::vector<std::string>{"dv01 (2).avi"});
        EXPECT_EQ(QDir(dir.path())
                      .entryList(QDir::Files | QDir::Hidden, QDir::Name)
                      .filter(QStringLiteral("dv")),
                  expected);
        expectIdle();
    }
}
