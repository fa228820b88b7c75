#include "plugins/export/common/ModuleSettings.h"

#include "platform/file/ReadWholeFile.h"
#include "platform/ini/IniSyntax.h"
#include "platform/system/SystemPaths.h"

#include <QBuffer>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace exportmodule {

namespace {

// Settings files are small; anything larger is not one.
constexpr uint64_t kMaxFileBytes = 64 << 20;

std::string failure(const std::string& path, const platform::FileRead& read) {
    switch (read.status) {
    case platform::FileRead::Status::NotRegular:
        return path + ": not a regular file";
    case platform::FileRead::Status::TooLarge:
        return path + ": too large";
    default:
        return path + ": " + std::strerror(read.error);
    }
}

} // namespace

// Keeps the entries of the wanted group; those before any header belong to no group a module
// asks for.
class GroupCollector final : public platform::ini::Visitor {
public:
    GroupCollector(ModuleSettings& settings, QString wanted)
        : m_settings(settings), m_wanted(std::move(wanted)) {}
    void group(QStringView name) override { m_inGroup = platform::ini::sameName(name, m_wanted); }
    void entry(QStringView key, QStringView text) override {
        if (m_inGroup)
            m_settings.m_values.insert_or_assign(key.toString(),
                                                 platform::ini::unescapedValue(text));
    }

private:
    ModuleSettings& m_settings;
    QString m_wanted;
    bool m_inGroup = false;
};

std::optional<ModuleSettings> ModuleSettings::read(const std::string& path, const char* group,
                                                   std::string& error) {
    ModuleSettings settings;
    error.clear();
    std::string content;
    const platform::FileRead read = platform::readWholeFile(path.c_str(), kMaxFileBytes, content);
    if (read.status == platform::FileRead::Status::OpenFailed && read.error == ENOENT)
        return settings;
    if (!read.ok()) {
        error = failure(path, read);
        return std::nullopt;
    }
    if (!group) return settings;

    QByteArray bytes = QByteArray::fromRawData(content.data(), qsizetype(content.size()));
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    GroupCollector collector(settings, QString::fromUtf8(group));
    platform::ini::read(device, platform::ini::Encoding::Utf8, collector);
    return settings;
}

std::optional<ModuleSettings> ModuleSettings::readDefault(const char* group) {
    const QString path = platform::stateFolder() + "/tmp_modules.ini";
    std::string error;
    auto settings = read(path.toLocal8Bit().toStdString(), group, error);
    if (!settings)
        std::fprintf(stderr, "export refused: cannot read the export settings %s\n", error.c_str());
    return settings;
}

size_t ModuleSettings::NameHash::operator()(const QString& name) const {
    return size_t(platform::ini::nameHash(name));
}

bool ModuleSettings::SameName::operator()(const QString& a, const QString& b) const {
    return platform::ini::sameName(a, b);
}

std::optional<std::string> ModuleSettings::text(const char* key) const {
    const auto found = m_values.find(QString::fromUtf8(key));
    if (found == m_values.end()) return std::nullopt;
    return found->second.toStdString();
}

std::optional<long long> ModuleSettings::integer(const char* key) const {
    const auto value = text(key);
    if (!value) return std::nullopt;
    long long number = 0;
    const char* end = value->data() + value->size();
    const auto [rest, error] = std::from_chars(value->data(), end, number);
    if (error != std::errc() || rest != end) return std::nullopt;
    return number;
}

} // namespace exportmodule
