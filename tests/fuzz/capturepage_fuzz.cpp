// The capture page reads its folder, file name, format choices and warning flag from
// "clipstead.ini", which may hold anything: the page must come up and refresh on any values,
// and a file name that its pattern accepts must keep the capture inside the capture folder.
// The input is split at line feeds into the eight keys, then names to try.
#include "capture/ZRImportView.h"
#include "capture/ZRImportViewFiles.h"
#include "classes/widgets/ZRComboBox.h"
#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

const char* const kKeys[] = {"lastVResX",     "lastVResY",       "lastASamplerate",
                             "lastAChannels", "lastASampleSize", "Wren80CheckBox",
                             "MediaFolder",   "MediaFile"};

QApplication& application() {
    static int argc = 1;
    static char name[] = "capturepage_fuzz";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

} // namespace

// The page's text loads Qt's font database, whose fontconfig state lives as long as the process
// (as tests/lsan.supp says for the test programs).
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    application();
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList parts = text.split(u'\n');

    auto* config = new QConfig(QConfig::Flavour::Program, QString());
    config->setGroup(QStringLiteral("General Settings"));
    for (int i = 0; i < 8 && i < parts.size(); ++i)
        config->writeEntry(QLatin1String(kKeys[i]), parts[i]);
    appState().setSettings(config, [](QConfig* c) { delete c; });

    {
        ZRImportView page(nullptr, "ZRImportView");
        page.refresh();
        const QString folder = QDir::fromNativeSeparators(page.folderCombo()->currentText());
        for (qsizetype i = 8; i < parts.size(); ++i) {
            const QString& name = parts[i];
            if (!capturefiles::acceptsBaseName(name)) continue;
            const QFileInfo target(QDir(folder).absoluteFilePath(name + QStringLiteral(".avi")));
            if (QDir(target.absolutePath()) != QDir(folder)) std::abort();
            if (target.fileName() != name + QStringLiteral(".avi")) std::abort();
        }
        if (!capturefiles::acceptsBaseName(page.fileNameCombo()->currentText())) std::abort();
    }
    appState().setSettings(nullptr, nullptr);
    return 0;
}
