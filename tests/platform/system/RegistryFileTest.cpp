#include "platform/system/RegistryFile.h"
#include "platform/system/SystemPaths.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <sys/stat.h>

using platform::RegistryFile;

namespace {

const char kProduct[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvand Multimedia\\Clipstead5";

struct Lookup {
    const char* text;
    const char* key;
    const char* name;
    std::optional<QString> expected;
};

} // namespace

TEST(RegistryFile, FindsValuesByKeyPathAndName) {
    const Lookup cases[] = {
        Lookup{"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvand Multimedia\\Clipstead5]\n"
               "LanguageInstalled=GERMAN\n",
               kProduct, "LanguageInstalled", QStringLiteral("GERMAN")},
        // Names and key paths without regard to case, blanks and CR line ends dropped.
        Lookup{"  [hkey_local_machine\\software\\orvand multimedia\\clipstead5]  \r\n"
               "  languageinstalled =  SIMPLIFIED CHINESE \r\n",
               kProduct, "LanguageInstalled", QStringLiteral("SIMPLIFIED CHINESE")},
        // A value may hold "=" and may be empty; a later line replaces an earlier one.
        Lookup{"[K]\nA=x=y\n", "K", "a", QStringLiteral("x=y")},
        Lookup{"[K]\nA=\n", "K", "A", QString()},
        Lookup{"[K]\nA=1\nA=2\n", "K", "A", QStringLiteral("2")},
        // Comments, lines outside a group and lines without a name are not values.
        Lookup{"A=1\n[K]\n", "K", "A", std::nullopt},
        Lookup{"[K]\n;A=1\n#A=2\n=3\nA\n", "K", "A", std::nullopt},
        Lookup{"[K]\nA=1\n", "K", ";A", std::nullopt},
        // The value belongs to its own key only; a broken group header starts no key.
        Lookup{"[K]\nA=1\n[L]\nB=2\n", "K", "B", std::nullopt},
        Lookup{"[K]\nA=1\n[L\nB=2\n", "K", "B", std::nullopt},
        Lookup{"[K\\Sub]\nA=1\n", "K", "A", std::nullopt},
        Lookup{"", "K", "A", std::nullopt},
        // A file saved with a byte-order mark, values in UTF-8.
        Lookup{"\xef\xbb\xbf[K]\nA=\xc3\xa9\n", "K", "A", QStringLiteral("\u00e9")},
    };
    for (const Lookup& c : cases) {
        const RegistryFile registry = RegistryFile::parse(QByteArrayView(c.text));
        EXPECT_EQ(registry.value(QString::fromUtf8(c.key), QString::fromUtf8(c.name)), c.expected)
            << c.text;
    }
}

TEST(RegistryFile, ReadsTheStateFoldersFileAndNothingElse) {
    const QString path = platform::stateFolder() + QStringLiteral("/registry.ini");
    QFile::remove(path);
    EXPECT_FALSE(platform::registryValue(QString::fromUtf8(kProduct), u"LanguageInstalled"));

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[HKEY_LOCAL_MACHINE\\Software\\Orvand Multimedia\\Patchwell\\App]\n"
               "PatchwellDirectory=/opt/patchwell/\n");
    file.close();
    EXPECT_EQ(
        platform::registryValue(u"HKEY_LOCAL_MACHINE\\Software\\Orvand Multimedia\\Patchwell\\App",
                                u"PatchwellDirectory"),
        QStringLiteral("/opt/patchwell/"));
    EXPECT_TRUE(RegistryFile::open().hasKey(
        u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvand Multimedia\\Patchwell\\App"));
    QFile::remove(path);
}

TEST(RegistryFile, RefusesFilesTooLargeForARegistry) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("registry.ini"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[K]\nA=1\n");
    file.write(QByteArray(RegistryFile::kMaximumBytes, ' '));
    file.close();
    EXPECT_FALSE(RegistryFile::read(path).hasKey(u"K"));
    EXPECT_FALSE(RegistryFile::read(folder.filePath(QStringLiteral("missing.ini"))).hasKey(u"K"));
    // A FIFO in the file's place is not waited on.
    const QString fifo = folder.filePath(QStringLiteral("fifo.ini"));
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    EXPECT_FALSE(RegistryFile::read(fifo).hasKey(u"K"));
}
