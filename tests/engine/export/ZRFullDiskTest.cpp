#include "tests/engine/export/ExportFixture.h"

#include "common/config/QConfig.h"
#include "tests/support/FullDisk.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <functional>
#include <string>

using namespace exportfixture;

namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

// Every file the user owns is written whole or not at all: on a disk that fills up during the
// write (files limited to `limit` bytes in a child process), the save answers a failure and the
// earlier file is left as it was, with nothing else left in its folder. The project and the
// settings fit the file buffer, so only a checked flush sees the full disk.
TEST(FullDisk, FailedSavesKeepTheEarlierFile) {
    struct Case {
        const char* file;
        long limit;
        std::function<bool(const std::string& path)> save; ///< true when the save succeeded
    };
    const Case cases[] = {
        {"project.zrs", 64,
         [](const std::string& path) {
             auto t = makeTimeline(12);
             return t->saveProject(path.c_str());
         }},
        // Past the size of the lock file the settings file takes while it is written.
        {"clipstead.ini", 1024,
         [](const std::string& path) {
             QConfig settings(QConfig::Flavour::Program, QString::fromStdString(path));
             settings.setGroup(QStringLiteral("General"));
             settings.writeEntry(QStringLiteral("Recent"), QString(4096, QLatin1Char('x')));
             return settings.writeFile();
         }},
        {"movie.avi", 64 << 10,
         [](const std::string& path) {
             auto t = makeTimeline(200, 25.0, 160, 120);
             t->setExportCodecName("AVI", true, "Motion JPEG");
             return t->exportProject(path.c_str(), "AVI", nullptr, nullptr, 0, 0, 0.0) == 0;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QString dir = testsupport::homeFolder() + QStringLiteral("/fulldisk");
        QDir(dir).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(dir));
        const QString path = dir + QLatin1Char('/') + QLatin1String(c.file);
        {
            QFile earlier(path);
            ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
            earlier.write("earlier");
        }
        const std::string target = path.toStdString();
        EXPECT_TRUE(testsupport::onFullDisk(c.limit, [&] { return !c.save(target); }))
            << "the save must answer the failure";
        EXPECT_EQ(contents(path), "earlier");
        EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden).join(' '), QLatin1String(c.file));
    }
}
