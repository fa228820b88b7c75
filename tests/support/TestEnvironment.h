#pragma once

#include <QString>

namespace testsupport {

/// The private folder that stands for the user's home in this test process: HOME,
/// XDG_CONFIG_HOME, XDG_CACHE_HOME and XDG_RUNTIME_DIR point below it. Removed at exit.
QString homeFolder();

} // namespace testsupport
