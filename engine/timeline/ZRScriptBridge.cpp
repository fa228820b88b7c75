// Scripts and projects of a timeline: runs through the engine's script front end, and the
// project writer.
#include "engine/timeline/ZRScriptBridge.h"

#include "engine/timeline/ZRTimeline.h"

#include "engine/script/ZRProjectWriter.h"
#include "engine/script/ZRScriptFrontEnd.h"
#include "engine/worker/ZRTimelineWorker.h"
#include "platform/file/ReadWholeFile.h"

#include <QSaveFile>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// CR LF read as LF, in place.
void dropCarriageReturnsBeforeLineFeeds(std::string& text) {
    size_t kept = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        text[kept++] = text[i];
    }
    text.resize(kept);
}

std::string tooLargeMessage(const char* what, const char* path, int64_t size) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "%s '%s': %lld bytes is more than the %lld bytes a project may have", what, path,
                  static_cast<long long>(size),
                  static_cast<long long>(zrscript::maxProjectBytes()));
    return text;
}

} // namespace

void ZRScriptBridge::declareIfNeeded(bool redeclare) {
    if (!m_declared || redeclare || zrscript::engine() == nullptr ||
        !zrscript::hostFunctionsAvailable()) {
        zrscript::declareHostFunctions(&m_timeline, redeclare);
        m_declared = true;
    }
}

bool ZRScriptBridge::runText(char* text, bool redeclare) {
    declareIfNeeded(redeclare);
    if (!text) return false;
    m_renderer.suspend(true);
    const bool ok = zrscript::runText(&m_timeline, text);
    m_renderer.suspend(false);
    return ok;
}

bool ZRScriptBridge::runFile(const char* path, bool redeclare) {
    declareIfNeeded(redeclare);
    if (!path) return false;
    std::string text;
    const platform::FileRead read =
        platform::readWholeFile(path, uint64_t(zrscript::maxProjectBytes()), text);
    if (read.status == platform::FileRead::Status::TooLarge)
        m_timeline.host().scriptOutput(
            tooLargeMessage("cannot open", path, int64_t(read.size)).c_str());
    if (!read.ok()) return false;
    dropCarriageReturnsBeforeLineFeeds(text);
    m_renderer.suspend(true);
    const bool ok = zrscript::runText(&m_timeline, text, zrscript::fileRunStepLimit(text.size()));
    m_renderer.suspend(false);
    return ok;
}

bool ZRScriptBridge::runLine(const char* line) {
    if (m_declared && zrscript::engine() == nullptr) zrscript::declareHostFunctions(&m_timeline);
    return zrscript::runText(&m_timeline, line);
}

bool ZRScriptBridge::saveProject(const char* fileName) {
    if (!fileName) return false;
    QString name = QString::fromLocal8Bit(fileName);
    if (!name.endsWith(QStringLiteral(".zrs"))) name += QStringLiteral(".zrs");
    m_renderer.suspend(true);
    bool ok = false;
    QSaveFile file(name);
    const QByteArray text = writeProject(m_timeline);
    if (text.size() > zrscript::maxProjectBytes())
        m_timeline.host().debug(tooLargeMessage("cannot save", fileName, text.size()).c_str());
    // A project that fits the device's buffer fails on a full disk only in the flush, which
    // commit() would ignore while renaming the empty temporary over the saved project.
    else if (file.open(QIODevice::WriteOnly))
        ok = file.write(text) == text.size() && file.flush() && file.commit();
    m_renderer.suspend(false);
    return ok;
}
