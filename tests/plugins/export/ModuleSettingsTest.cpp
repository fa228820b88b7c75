// The export modules' settings reader reads "tmp_modules.ini" as the configuration class does.
#include "plugins/export/common/ModuleSettings.h"

#include "tests/support/TestEnvironment.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <sys/stat.h>

using exportmodule::ModuleSettings;

namespace {

std::string writeSettings(const QTemporaryDir& dir, const QByteArray& text) {
    const QString path = dir.filePath("tmp_modules.ini");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    return path.toStdString();
}

} // namespace

TEST(ModuleSettings, ReadsItsGroupWithTheConfigurationFileRules) {
    const QByteArray text = "# Marvesto Config File\r\n"
                            "Profile=before any group\r\n"
                            "[Export::MPEG] written by hand\r\n"
                            "Profile = SVCD \r\n"
                            "#Threads=8\r\n"
                            " #hash=kept\r\n"
                            "Folder=C:\\temp\\x\r\n"
                            "Number=12\r\n"
                            "Number=13\r\n"
                            "Bad=12abc\r\n"
                            "  [Other]\r\n"
                            "stays=in MPEG\r\n"
                            "[other]\r\n"
                            "Profile=DVD\r\n"
                            "[EXPORT::mpeg]\r\n"
                            "CAF\xc3\x89=au lait\r\n";
    struct Case {
        const char* key;
        std::optional<std::string> value;
    };
    const Case cases[] = {
        {"profile", "SVCD"},        {"Threads", std::nullopt}, {"#HASH", "kept"},
        {"folder", "C:\temp\\x"},   {"number", "13"},          {"stays", "in MPEG"},
        {"caf\xc3\xa9", "au lait"}, {"missing", std::nullopt},
    };
    QTemporaryDir dir(testsupport::homeFolder() + "/settingsXXXXXX");
    std::string error = "stale";
    const auto settings = ModuleSettings::read(writeSettings(dir, text), "export::MPEG", error);
    ASSERT_TRUE(settings);
    EXPECT_TRUE(error.empty());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(settings->text(c.key), c.value);
    }
    EXPECT_EQ(settings->integer("Number"), 13);
    EXPECT_EQ(settings->integer("Bad"), std::nullopt);
}

// A missing file means the defaults; one that is there but cannot be read is an error.
TEST(ModuleSettings, FilesThatCannotBeReadAreErrors) {
    QTemporaryDir dir(testsupport::homeFolder() + "/settingsXXXXXX");
    const std::string fifo = dir.filePath("fifo").toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        std::string path;
        const char* error; // null: read, empty
    };
    const Case cases[] = {
        {dir.filePath("missing").toStdString(), nullptr},
        {dir.path().toStdString(), "not a regular file"},
        {fifo, "not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::string error;
        const auto settings = ModuleSettings::read(c.path, "Export::MPEG", error);
        EXPECT_EQ(settings.has_value(), c.error == nullptr);
        if (c.error) {
            EXPECT_EQ(error, c.path + ": " + c.error);
        } else {
            EXPECT_EQ(settings->text("Profile"), std::nullopt);
        }
    }
}
