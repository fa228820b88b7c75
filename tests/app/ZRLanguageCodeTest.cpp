#include "app/ZRLanguageCode.h"
#include "platform/system/SystemPaths.h"
#include "tests/support/GuiApplication.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct LanguageCase {
    const char* locale;
    QStringList arguments;
    std::optional<QString> installed;
    const char* expected;
};

} // namespace

TEST(LanguageCode, LocaleThenArgumentThenInstalledLanguage) {
    const QString kFr = QStringLiteral("LOCALEID=FR");
    const LanguageCase cases[] = {
        // The locale alone.
        LanguageCase{"de_DE", {}, std::nullopt, "de"},
        LanguageCase{"de_AT", {}, std::nullopt, "de"},
        LanguageCase{"es_ES", {}, std::nullopt, "es"},
        LanguageCase{"fr_CA", {}, std::nullopt, "fr"},
        LanguageCase{"it_IT", {}, std::nullopt, "it"},
        LanguageCase{"ja_JP", {}, std::nullopt, "jp"},
        LanguageCase{"en_US", {}, std::nullopt, "en_US"},
        LanguageCase{"pt_BR", {}, std::nullopt, "pt_BR"},
        LanguageCase{"zh_CN", {}, std::nullopt, "chs"},
        LanguageCase{"zh_TW", {}, std::nullopt, "cht"},
        LanguageCase{"zh_SG", {}, std::nullopt, ""},
        LanguageCase{"zh_HK", {}, std::nullopt, ""},
        // The argument, only when it is the only one and spelt as such.
        LanguageCase{"en_US", {kFr}, std::nullopt, "fr"},
        LanguageCase{"de_DE", {QStringLiteral("LOCALEID=")}, std::nullopt, ""},
        LanguageCase{"en_US", {kFr, QStringLiteral("film.zrs")}, std::nullopt, "en_US"},
        LanguageCase{"en_US", {QStringLiteral("localeid=fr")}, std::nullopt, "en_US"},
        LanguageCase{"en_US", {QStringLiteral("film.zrs")}, std::nullopt, "en_US"},
        // The installed language has the last word when it is a known one.
        LanguageCase{"en_US", {kFr}, QStringLiteral("ENGLISH"), ""},
        LanguageCase{"en_US", {kFr}, QStringLiteral("GERMAN"), "de"},
        LanguageCase{"zh_HK", {}, QStringLiteral("SIMPLIFIED CHINESE"), "chs"},
        LanguageCase{"de_DE", {}, QStringLiteral("JAPANESE"), "jp"},
        LanguageCase{"de_DE", {}, QStringLiteral("SPANISH"), "es"},
        LanguageCase{"de_DE", {}, QStringLiteral("ITALIAN"), "it"},
        LanguageCase{"de_DE", {}, QStringLiteral("FRENCH"), "fr"},
        LanguageCase{"en_US", {kFr}, QStringLiteral("KLINGON"), "fr"},
        LanguageCase{"de_DE", {}, QStringLiteral("english"), "de"},
        LanguageCase{"de_DE", {}, QString(), "de"},
    };
    for (const LanguageCase& c : cases) {
        EXPECT_EQ(
            chooseLanguageCode(QLocale(QString::fromLatin1(c.locale)), c.arguments, c.installed),
            QString::fromLatin1(c.expected))
            << c.locale << " " << c.arguments.join(' ').toStdString() << " "
            << (c.installed ? c.installed->toStdString() : "(no value)");
    }
}

TEST(InstalledLanguage, ComesFromTheProductsRegistryKey) {
    const QString path = platform::stateFolder() + QStringLiteral("/registry.ini");
    QFile::remove(path);
    EXPECT_FALSE(installedLanguage());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvand Multimedia\\Clipstead5]\n"
               "LanguageInstalled=ENGLISH\n");
    file.close();
    EXPECT_EQ(installedLanguage(), QStringLiteral("ENGLISH"));
    QFile::remove(path);
}

TEST(Translators, LoadFromTheProgramFolderByCode) {
    QApplication& application = testsupport::guiApplication();
    QTemporaryDir folder;
    // The smallest translation file: the header alone.
    const QByteArray empty = QByteArray::fromHex("3cb86418caef9c95cd211cbf60a1bddd");
    auto write = [&](const char* name) {
        QFile file(folder.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(empty);
    };
    EXPECT_EQ(installTranslators(application, QString(), folder.path()), 0);
    EXPECT_EQ(installTranslators(application, QStringLiteral("zz"), folder.path()), 0);
    write("trans_zz.qm");
    EXPECT_EQ(installTranslators(application, QStringLiteral("zz"), folder.path()), 1);
    write("qt_zz.qm");
    EXPECT_EQ(installTranslators(application, QStringLiteral("zz"), folder.path()), 2);
    EXPECT_EQ(installTranslators(application, QStringLiteral("yy"), folder.path()), 0);
}
