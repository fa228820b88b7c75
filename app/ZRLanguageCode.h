#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QLocale;

/// The short code of the interface language, which names the translator files ("qt_" + code,
/// "trans_" + code). Empty: no translation.

/// The code for the user's locale: simplified Chinese (China) "chs", traditional Chinese (Taiwan)
/// "cht", Chinese of any other territory none; German "de", Spanish "es", French "fr", Italian
/// "it", Japanese "jp"; any other language the locale's name ("en_US").
QString localeLanguageCode(const QLocale& locale);

/// The code the program uses: the locale's; replaced by the text after "LOCALEID=", lower-cased,
/// when `arguments` (those after the program name) is exactly one argument starting so; then
/// replaced by the installed language when one is given and known ("ENGLISH" gives none,
/// "GERMAN" "de", "ITALIAN" "it", "SPANISH" "es", "FRENCH" "fr", "JAPANESE" "jp",
/// "SIMPLIFIED CHINESE" "chs"; another value leaves the code as it was).
QString chooseLanguageCode(const QLocale& locale, const QStringList& arguments,
                           const std::optional<QString>& installedLanguage);

/// The installer's "LanguageInstalled" value under the product's key in the registry; nothing
/// when the key or the value is missing.
std::optional<QString> installedLanguage();

class QCoreApplication;

/// Installs the translators of `code` (none when it is empty): "qt_" + code from
/// `programFolder`, else from Qt's translations, then "trans_" + code from `programFolder`. The
/// translators belong to `application`. Answers how many files loaded; a missing file is no
/// error.
int installTranslators(QCoreApplication& application, const QString& code,
                       const QString& programFolder);
