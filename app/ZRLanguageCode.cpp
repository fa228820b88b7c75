#include "app/ZRLanguageCode.h"

#include "platform/system/RegistryFile.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

const char kLocaleArgument[] = "LOCALEID=";

struct InstalledLanguage {
    const char* value;
    const char* code;
};

constexpr InstalledLanguage kInstalledLanguages[] = {
    {"ENGLISH", ""},
    {"GERMAN", "de"},
    {"ITALIAN", "it"},
    {"SPANISH", "es"},
    {"FRENCH", "fr"},
    {"JAPANESE", "jp"},
    {"SIMPLIFIED CHINESE", "chs"},
};

} // namespace

QString localeLanguageCode(const QLocale& locale) {
    switch (locale.language()) {
    case QLocale::Chinese:
        if (locale.territory() == QLocale::China) return QStringLiteral("chs");
        if (locale.territory() == QLocale::Taiwan) return QStringLiteral("cht");
        return QString();
    case QLocale::German:
        return QStringLiteral("de");
    case QLocale::Spanish:
        return QStringLiteral("es");
    case QLocale::French:
        return QStringLiteral("fr");
    case QLocale::Italian:
        return QStringLiteral("it");
    case QLocale::Japanese:
        return QStringLiteral("jp");
    default:
        return locale.name();
    }
}

QString chooseLanguageCode(const QLocale& locale, const QStringList& arguments,
                           const std::optional<QString>& installedLanguage) {
    QString code = localeLanguageCode(locale);
    const QLatin1String prefix(kLocaleArgument);
    if (arguments.size() == 1 && arguments.first().startsWith(prefix))
        code = arguments.first().mid(prefix.size()).toLower();
    if (installedLanguage) {
        for (const InstalledLanguage& known : kInstalledLanguages) {
            if (*installedLanguage == QLatin1String(known.value)) {
                code = QLatin1String(known.code);
                break;
            }
        }
    }
    return code;
}

std::optional<QString> installedLanguage() {
    return platform::registryValue(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvand Multimedia\\Clipstead5",
                                   u"LanguageInstalled");
}

int installTranslators(QCoreApplication& application, const QString& code,
                       const QString& programFolder) {
    if (code.isEmpty()) return 0;
    int loaded = 0;
    auto* qt = new QTranslator(&application);
    const QString qtName = QStringLiteral("qt_") + code;
    if (qt->load(qtName, programFolder) ||
        qt->load(qtName, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        ++loaded;
    QCoreApplication::installTranslator(qt);
    auto* own = new QTranslator(&application);
    if (own->load(QStringLiteral("trans_") + code, programFolder)) ++loaded;
    QCoreApplication::installTranslator(own);
    return loaded;
}
