#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringView>

#include <optional>

/// Registry values as this system keeps them.
namespace platform {

/// The registry values the program reads, from "registry.ini" in the state folder: one group per
/// key, named by its whole path as the registry spells it, and one "Name=value" line per value:
///
///     [HKEY_LOCAL_MACHINE\SOFTWARE\Maker\Product]
///     LanguageInstalled=GERMAN
///
/// Key paths and value names compare without regard to case, as the registry's do; blanks around
/// names and values are dropped; lines starting with ";" or "#" are comments; lines outside a
/// group or without "=" are skipped; a later line of the same name replaces an earlier one. The
/// program only reads the file. A value is immutable once read: any thread may read it.
class RegistryFile {
public:
    /// Files larger than this are not read: a registry of a few keys never comes near it.
    static constexpr qint64 kMaximumBytes = 1 << 20;

    /// "registry.ini" of the state folder; no values when it is missing, unreadable, too large
    /// or no regular file (a FIFO or device is never waited on).
    static RegistryFile open();
    /// The file at `path`, with the same rules.
    static RegistryFile read(const QString& path);
    /// Reads the values of the UTF-8 text `text`.
    static RegistryFile parse(QByteArrayView text);

    /// The value `name` of the key `keyPath` ("HKEY_LOCAL_MACHINE\SOFTWARE\Maker\Product");
    /// nothing when the key or the value does not exist.
    std::optional<QString> value(QStringView keyPath, QStringView name) const;
    /// True when the file has a group for `keyPath`.
    bool hasKey(QStringView keyPath) const;

private:
    QHash<QString, QHash<QString, QString>> m_keys;
};

/// One value of "registry.ini" in the state folder, read afresh.
std::optional<QString> registryValue(QStringView keyPath, QStringView name);

} // namespace platform
