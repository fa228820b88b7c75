#include "app/ZRProjectArgument.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A folder with projects and look-alikes; the start folder is either it or its "sub" folder.
class ProjectArgument : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        QDir(root.path()).mkpath(QStringLiteral("sub"));
        QDir(root.path()).mkpath(QStringLiteral("folder.zrs"));
        for (const char* name : {"a.zrs", "b.ZRS", "c.zrs.bak", "d.txt", "a.b.zrs", "sub/f.zrs"}) {
            QFile file(root.filePath(QString::fromLatin1(name)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
    }
    QString at(const char* name) const { return root.filePath(QString::fromLatin1(name)); }

    QTemporaryDir root;
};

} // namespace

TEST_F(ProjectArgument, TheFirstExistingProjectFileResolvedAgainstTheStartFolder) {
    const QString sub = at("sub");
    struct Case {
        QStringList arguments;
        QString start;
        QString expected;
    };
    const Case cases[] = {
        {{QStringLiteral("a.zrs"), QStringLiteral("b.ZRS")}, root.path(), at("a.zrs")},
        {{QStringLiteral("missing.zrs"), QStringLiteral("b.ZRS")}, root.path(), at("b.ZRS")},
        {{QStringLiteral("c.zrs.bak"), QStringLiteral("d.txt")}, root.path(), QString()},
        {{QStringLiteral("folder.zrs")}, root.path(), QString()},
        {{QStringLiteral("a.b.zrs")}, root.path(), at("a.b.zrs")},
        {{QStringLiteral("LOCALEID=de"), QStringLiteral("a.zrs")}, root.path(), at("a.zrs")},
        // Relative to the folder the program was started in, not to the current one.
        {{QStringLiteral("../a.zrs")}, sub, at("a.zrs")},
        {{QStringLiteral("f.zrs")}, sub, at("sub/f.zrs")},
        {{QStringLiteral("f.zrs")}, root.path(), QString()},
        {{at("sub/f.zrs")}, root.path(), at("sub/f.zrs")},
        {{QString(), QStringLiteral("./a.zrs")}, root.path(), at("a.zrs")},
        {{}, root.path(), QString()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(projectArgument(c.arguments, c.start), QDir::cleanPath(c.expected))
            << c.arguments.join(' ').toStdString() << " from " << c.start.toStdString();
    }
}

TEST(CommandLineProject, KeepsWhatTheStartUpFound) {
    EXPECT_TRUE(commandLineProject().isEmpty());
    setCommandLineProject(QStringLiteral("/films/a.zrs"));
    EXPECT_EQ(commandLineProject(), QStringLiteral("/films/a.zrs"));
    setCommandLineProject(QString());
}
