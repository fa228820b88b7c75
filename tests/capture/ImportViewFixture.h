#pragma once

// A capture page on a settings file of its own, devices of a simulated backend, fake paths for
// every kind, an injected clock and free space, and services and a hub that answer by script.

#include "capture/ZRGraphFactory.h"
#include "capture/ZRImportView.h"
#include "classes/widgets/ZRComboBox.h"
#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"
#include "tests/app/ShellSkin.h"
#include "tests/capture/SimulatedDevices.h"
#include "views/ZRWindowServices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace importtest {

/// What the fake paths offer and did; one per test.
struct PathScript {
    std::map<long, ZRAVProp> props;
    ZRVideoResolutions sizes;
    ZRAudioResolutions formats;
    QStringList setCalls;
    int writerReason = 0;
    bool writeOnCapture = true;
    std::optional<long> dvFormat;
};
inline PathScript* gScript = nullptr;

/// A path that writes what a capture of its kind leaves when its capture streams start: the
/// single segment of a list (".ovl" -> ".avi", ".mvl" -> ".mpg"), else the file itself.
class PagePath : public ZRFilterPathBase, public IZRFactoryPath {
public:
    PagePath(ZRGraphBase* graph, long kind) : ZRFilterPathBase(graph, "page path"), kind(kind) {
        graph->addFilter(std::make_unique<ZRGraphNode>("device"), QStringLiteral("device"),
                         &m_captureDevice);
    }
    bool runPath(long capture, long) override {
        if (capture != 1 || !gScript || !gScript->writeOnCapture) return true;
        QString out = text(5);
        if (out.endsWith(".ovl")) out.replace(out.size() - 3, 3, "avi");
        if (out.endsWith(".mvl")) out.replace(out.size() - 3, 3, "mpg");
        QFile f(out);
        if (f.open(QIODevice::WriteOnly)) f.write("captured");
        return true;
    }
    bool getAVProp(long code, ZRAVProp* out) override {
        if (!gScript) return false;
        auto it = gScript->props.find(code);
        if (it == gScript->props.end()) return false;
        *out = it->second;
        return true;
    }
    bool setAVProp(long code, long value) override {
        if (gScript) gScript->setCalls << QStringLiteral("%1=%2").arg(code).arg(value);
        return true;
    }
    bool setAVPropName(long code, const QString& name) override {
        if (gScript) gScript->setCalls << QStringLiteral("%1=%2").arg(code).arg(name);
        return true;
    }
    std::optional<ZRVideoResolutions> videoSizeList() override {
        return gScript ? std::optional(gScript->sizes) : std::nullopt;
    }
    std::optional<ZRAudioResolutions> audioFormatList() override {
        return gScript ? std::optional(gScript->formats) : std::nullopt;
    }
    bool videoSize(int w, int h) override {
        if (gScript) gScript->setCalls << QStringLiteral("size %1x%2").arg(w).arg(h);
        return true;
    }
    std::optional<long> dvVideoFormat() const override {
        return gScript ? gScript->dvFormat : std::nullopt;
    }
    int writerStopReason() const override { return gScript ? gScript->writerReason : 0; }
    long kind;
};

/// The main window's side: browser files and status texts.
class FakeHub : public ZRAppState::Hub {
public:
    QStringList captured;
    QStringList messages;
    IZRObject* currentObject() override { return nullptr; }
    IZRPos* currentPosition() override { return nullptr; }
    void message(const QString& text, int) override { messages << text; }
    void setMenuItemEnabled(int, bool) override {}
    void setMenuItemChecked(int, bool) override {}
    void addBrowserFile(const QString& folder, const QString& path, int) override {
        captured << folder + ":" + QFileInfo(path).fileName();
    }
};

class ScriptedServices : public ZRWindowServices {
public:
    QList<int> answers; ///< buttons of the questions, in order; none: escape
    QStringList questions;
    QStringList informations;
    WarningAnswer wren80;
    int wren80Asked = 0;
    int question(QWidget*, const QString&, const QString& text, const QStringList&, int,
                 int escape) override {
        questions << text;
        return answers.isEmpty() ? escape : answers.takeFirst();
    }
    void information(QWidget*, const QString&, const QString& text) override {
        informations << text;
    }
    WarningAnswer runWren80Warning(QWidget*) override {
        ++wren80Asked;
        return wren80;
    }
};

class ImportViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        useShellSkin();
        gScript = &script;
        for (long kind : ZRGraphFactory::kSlotKinds)
            ZRGraphFactory::registerPathMaker(kind, [kind](ZRGraphBase* graph) {
                return std::make_unique<PagePath>(graph, kind);
            });
        appState().setSettings(
            new QConfig(QConfig::Flavour::Program, dir.filePath(QStringLiteral("clipstead.ini"))),
            [](QConfig* c) { delete c; });
        settings().setGroup(QStringLiteral("General Settings"));
        settings().writeEntry(QStringLiteral("MediaFolder"), dir.path());
        appState().hub = &hub;
        appState().formatIndex = 0;
        appState().ntsc = false;
        appState().sceneDetection = false;
        ZRWindowServices::install(&services);
        backend.backend->add(ZRDeviceCategory::VideoInput,
                             capturetest::device("@card", "Lumen WDM Card"));
        backend.backend->add(ZRDeviceCategory::VideoInput,
                             capturetest::device("@dv", "Sony DV Camcorder"));
        backend.backend->add(ZRDeviceCategory::VideoInput,
                             capturetest::device("@k200", "Kestrel Studio 200"));
        backend.backend->add(ZRDeviceCategory::VideoInput,
                             capturetest::device("@k250", "Kestrel Studio 250"));
        backend.backend->add(ZRDeviceCategory::VideoInput,
                             capturetest::device("@wren", "Wren 80 Capture"));
        backend.backend->add(ZRDeviceCategory::VideoInput,
                             capturetest::device("@plm", "USB-PLM2 Box"));
        backend.backend->add(ZRDeviceCategory::AudioInput, capturetest::device("@mic", "Line In"));
    }
    void TearDown() override {
        page.reset();
        ZRWindowServices::install(nullptr);
        appState().hub = nullptr;
        appState().setSettings(nullptr, nullptr);
        for (long kind : ZRGraphFactory::kSlotKinds)
            ZRGraphFactory::registerPathMaker(kind, {});
        gScript = nullptr;
    }
    QConfig& settings() {
        appState().settings()->setGroup(QStringLiteral("General Settings"));
        return *appState().settings();
    }
    /// A page made and shown, on the clock and free space of the fixture.
    ZRImportView& shown() {
        page = std::make_unique<ZRImportView>(nullptr, "ZRImportView");
        page->setClock([this] { return clock; });
        page->setFreeSpaceQuery([this](const QString&) { return freeSpace; });
        page->setWait([](int) {});
        page->resize(800, 560);
        page->show();
        return *page;
    }
    /// Selects the video device listed at `row` (1 = the first device).
    void select(int row) {
        page->videoDeviceCombo()->setCurrentIndex(row);
        page->slotVideoDeviceSelected(row);
    }
    int rowOf(const char* listText) const {
        return page->videoDeviceCombo()->findText(QString::fromUtf8(listText));
    }
    QString file(const QString& name) const { return dir.filePath(name); }
    void touch(const QString& name) {
        QFile f(file(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }

    QTemporaryDir dir;
    PathScript script;
    FakeHub hub;
    ScriptedServices services;
    capturetest::RegisteredBackend backend;
    int64_t clock = 1000;
    std::optional<int64_t> freeSpace = int64_t(50) * 1000 * 1000 * 1000;
    std::unique_ptr<ZRImportView> page;
};

} // namespace importtest
