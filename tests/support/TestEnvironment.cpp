#include "tests/support/TestEnvironment.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

namespace {

// Set up before main() so that code under test never sees the real user's folders.
struct PrivateHome {
    std::unique_ptr<QTemporaryDir> dir = std::make_unique<QTemporaryDir>();

    PrivateHome() {
        const QByteArray root = QFile::encodeName(dir->path());
        setenv("HOME", root.constData(), 1);
        for (const char* sub : {"config", "cache", "runtime", "data"}) {
            QDir(dir->path()).mkpath(sub);
        }
        setenv("XDG_CONFIG_HOME", (root + "/config").constData(), 1);
        setenv("XDG_CACHE_HOME", (root + "/cache").constData(), 1);
        setenv("XDG_RUNTIME_DIR", (root + "/runtime").constData(), 1);
        setenv("XDG_DATA_HOME", (root + "/data").constData(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
};

PrivateHome& privateHome() {
    static PrivateHome home;
    return home;
}

[[maybe_unused]] const bool installed = (privateHome(), true);

} // namespace

QString testsupport::homeFolder() {
    return privateHome().dir->path();
}
