#include "output/ZRModuleSettings.h"
#include "common/config/QConfig.h"
#include "output/ExportProfile.h"
#include "tests/support/FullDisk.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The module file's groups as the modules see them: key=value lines per group.
QString groupText(const QString& path, const char* group) {
    QConfig config(QConfig::Flavour::Engine, path);
    auto it = config.entryIterator(QLatin1String(group));
    if (!it) return QStringLiteral("<none>");
    QString text;
    for (; !it->atEnd(); it->next())
        text += it->current().key + QLatin1Char('=') + it->current().value + QLatin1Char(';');
    return text;
}

TEST(ModuleSettings, EachFormatWritesItsGroupAndKeepsTheRest) {
    struct Case {
        int formatId;
        int split;
        const char* dv;
        const char* mpeg;
    };
    const Case cases[] = {
        {exportformat::kAviDvMultifile, 5000000, "Splitsize=2096000;", "<none>"},
        {exportformat::kAviDvMultifile, 1000, "Splitsize=1000;", "<none>"},
        {exportformat::kMpegVcd, 5000000, "<none>", "Format=VCD;Splitsize=5000000;"},
        {exportformat::kMpegSvcd, 3784704, "<none>", "Format=SVCD;Splitsize=3784704;"},
        {exportformat::kMpegDvd, 5000000, "<none>",
         "Format=DVD;Splitsize=5000000;MaxBitrate=9000000;AvgBitrate=4200000;"},
        {exportformat::kAvi, 5000000, "<none>", "<none>"},
        {2, 5000000, "<none>", "<none>"},
        {4, 5000000, "<none>", "<none>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.formatId);
        QTemporaryDir dir;
        const QString path = dir.filePath(QLatin1String(modulesettings::kFileName));
        {
            // What the engine's module cache keeps in the same file.
            QConfig cache(QConfig::Flavour::Engine, path);
            cache.setGroup(QStringLiteral("Module Cache"));
            cache.writeEntry(QStringLiteral("exports/mpeg"), QStringLiteral("MPEG"));
        }
        modulesettings::Values values;
        values.splitSize = c.split;
        values.maxBitrate = QStringLiteral("9000000");
        values.avgBitrate = QStringLiteral("4200000");
        EXPECT_TRUE(modulesettings::write(path, c.formatId, values));
        EXPECT_EQ(groupText(path, modulesettings::kDvGroup), QLatin1String(c.dv));
        EXPECT_EQ(groupText(path, modulesettings::kMpegGroup), QLatin1String(c.mpeg));
        EXPECT_EQ(groupText(path, "Module Cache"), QStringLiteral("exports/mpeg=MPEG;"));
    }
}

TEST(ModuleSettings, AFileThatCannotBeWrittenIsReported) {
    QTemporaryDir dir;
    // A folder that cannot exist: its parent is a plain file.
    QFile blocker(dir.filePath(QStringLiteral("state")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString inside = dir.filePath(QStringLiteral("state/tmp_modules.ini"));
    EXPECT_FALSE(modulesettings::write(inside, exportformat::kMpegVcd, {5000, {}, {}}));
    // Ids without module settings touch no file.
    EXPECT_TRUE(modulesettings::write(inside, exportformat::kAvi, {5000, {}, {}}));

    // A full disk keeps the last render's settings and says so.
    const QString path = dir.filePath(QStringLiteral("tmp_modules.ini"));
    ASSERT_TRUE(
        modulesettings::write(path, exportformat::kMpegDvd,
                              {5000, QStringLiteral("8000000"), QStringLiteral("6000000")}));
    const QString before = groupText(path, modulesettings::kMpegGroup);
    EXPECT_TRUE(testsupport::onFullDisk(10, [&] {
        return !modulesettings::write(path, exportformat::kMpegVcd, {5000, {}, {}});
    }));
    EXPECT_EQ(groupText(path, modulesettings::kMpegGroup), before);
}

} // namespace
