#include "tests/engine/script/HostFixture.h"

#include "engine/script/ZRScriptFrontEnd.h"
#include "tests/support/TestEnvironment.h"

#include <cstdio>

namespace {

HostRecord gRecord;

void onOutput(const char* text) {
    gRecord.output.emplace_back(text ? text : "(null)");
}
void onDebug(const char* text) {
    gRecord.debug.emplace_back(text ? text : "(null)");
}
void onEvent(int code, const char* text) {
    gRecord.events.emplace_back(code, text ? text : "(null)");
}
void onInserted(int track) {
    gRecord.inserted.push_back(track);
}
void onInfo(void* record) {
    auto* info = static_cast<ZRScriptInfo*>(record);
    auto text = [](const char* t) { return std::string(t ? t : "(null)"); };
    char version[32];
    std::snprintf(version, sizeof version, "%g", double(info->version));
    gRecord.infos.push_back(text(info->name) + "|" + text(info->type) + "|" +
                            text(info->description) + "|" + text(info->author) + "|" + version);
}
void onSetAppConfig(IZRObject*, const char* text) {
    gRecord.appConfig.emplace_back(text ? text : "(null)");
}
const char* onAppConfig(IZRObject* object) {
    if (gRecord.onEditorData) gRecord.onEditorData(object);
    return gRecord.editorData;
}

} // namespace

HostRecord& hostRecord() {
    return gRecord;
}

IZRCallbacks* recordingCallbacks(bool withEditorData) {
    static IZRCallbacks plain{};
    static IZRCallbacks editor{};
    for (IZRCallbacks* table : {&plain, &editor}) {
        table->debug = onDebug;
        table->scriptOutput = onOutput;
        table->objectInserted = onInserted;
        table->scriptInfo = onInfo;
        table->setAppConfigString = onSetAppConfig;
        table->event = onEvent;
    }
    editor.appConfigString = onAppConfig;
    return withEditorData ? &editor : &plain;
}

std::unique_ptr<ZRTimeline> makeTimeline(bool withEditorData) {
    ZRPos::setDefaultFrameRate(30.0);
    return std::make_unique<ZRTimeline>(recordingCallbacks(withEditorData), nullptr, 0);
}

bool run(ZRTimeline& timeline, const std::string& text) {
    std::string copy = text;
    return timeline.runScript(copy.data(), false);
}

std::string tempPath(const std::string& name) {
    return (testsupport::homeFolder() + "/" + QString::fromStdString(name)).toStdString();
}
