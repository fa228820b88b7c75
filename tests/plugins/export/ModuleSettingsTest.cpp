#include "common/ModuleSettings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include <QTemporaryDir>

namespace {

// Group and key names match in any letter case; a key given twice keeps its later value.
TEST(ModuleSettings, GroupsAndKeysMatchInAnyCase) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath("tmp_modules.ini").toStdString();
    std::ofstream(path) << "[Export::DV]\nFormat=DV\n"
                           "[export::mpeg]\nFORMAT = vcd\nSplitSize=3\nsplitsize=4\n";
    std::string error;
    const auto settings = exportmodule::ModuleSettings::read(path, "Export::MPEG", error);
    ASSERT_TRUE(settings) << error;
    EXPECT_EQ(settings->text("Format").value_or(""), "vcd");
    EXPECT_EQ(settings->integer("SPLITSIZE").value_or(0), 4);
    EXPECT_FALSE(settings->text("Splitsize2"));
}

} // namespace
