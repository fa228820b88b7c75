// Any settings file loads its stored titles without harm: the titles browser reads the
// "TextList" and "TextObject" groups of arbitrary "clipstead.ini" text, makes the titles and
// their icons, and saves them back.
#include "browser/ZRBrowserTitlesBrowser.h"
#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

QTemporaryDir* folder;
IZRTimeline* timeline;
ZRBrowserTitlesBrowser* browser;

void release(QConfig* settings) {
    delete settings;
}

} // namespace

// Qt's font database keeps its fontconfig state for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Kept to the end of the process: Qt's objects must not be torn down by exit handlers.
    static QApplication* app = new QApplication(*argc, *argv);
    (void)app;
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    folder = new QTemporaryDir;
    timeline = IZRCreateTimelineInstance(nullptr, nullptr, 0);
    if (!timeline) std::abort();
    timeline->settings()->setIntPairSetting("Video Dimensions", 720, 576);
    browser = new ZRBrowserTitlesBrowser(nullptr, "titles");
    browser->setEngine(timeline);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = folder->filePath(QStringLiteral("clipstead.ini"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
        file.write("# Config File\n");
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    appState().setSettings(new QConfig(QConfig::Flavour::Program, path), release);
    browser->clear();
    browser->loadTitles();
    browser->saveTitles();
    browser->clear();
    appState().setSettings(nullptr, nullptr);
    return 0;
}
