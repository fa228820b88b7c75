// Scripts and projects of a timeline: runs through the engine's script front end, and the
// project writer.
#include "engine/timeline/ZRTimeline.h"

#include "engine/script/ZRProjectWriter.h"
#include "engine/script/ZRScriptFrontEnd.h"
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

void ZRTimeline::declareHostFunctionsIfNeeded(bool redeclare) {
    if (!m_hostFunctionsDeclared || redeclare || zrscript::engine() == nullptr ||
        !zrscript::hostFunctionsAvailable()) {
        zrscript::declareHostFunctions(this, redeclare);
        m_hostFunctionsDeclared = true;
    }
}

bool ZRTimeline::runScript(char* text, bool redeclare) {
    declareHostFunctionsIfNeeded(redeclare);
    if (!text) return false;
    suspendRenderer();
    const bool ok = zrscript::runText(this, text);
    resumeRenderer();
    return ok;
}

bool ZRTimeline::runScriptFile(const char* path, bool redeclare) {
    declareHostFunctionsIfNeeded(redeclare);
    if (!path) return false;
    std::string text;
    const platform::FileRead read =
        platform::readWholeFile(path, uint64_t(zrscript::maxProjectBytes()), text);
    if (read.status == platform::FileRead::Status::TooLarge)
        m_host.scriptOutput(tooLargeMessage("cannot open", path, int64_t(read.size)).c_str());
    if (!read.ok()) return false;
    dropCarriageReturnsBeforeLineFeeds(text);
    suspendRenderer();
    const bool ok = zrscript::runText(this, text, zrscript::fileRunStepLimit(text.size()));
    resumeRenderer();
    return ok;
}

bool ZRTimeline::runScriptLine(const char* format, ...) {
    if (!format) return false;
    // A line declares nothing; it acts on the timeline that declared last, or on this one when
    // that timeline is gone and this one had declared.
    if (m_hostFunctionsDeclared && zrscript::engine() == nullptr)
        zrscript::declareHostFunctions(this);
    std::vector<char> buffer(65536);
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer.data(), buffer.size(), format, arguments);
    va_end(arguments);
    return zrscript::runText(this, buffer.data());
}

// Written through a temporary file that replaces the old project only when every byte is out.
bool ZRTimeline::saveProject(const char* fileName) {
    if (!fileName) return false;
    QString name = QString::fromLocal8Bit(fileName);
    if (!name.endsWith(QStringLiteral(".zrs"))) name += QStringLiteral(".zrs");
    suspendRenderer();
    bool ok = false;
    QSaveFile file(name);
    const QByteArray text = writeProject(*this);
    if (text.size() > zrscript::maxProjectBytes())
        m_host.debug(tooLargeMessage("cannot save", fileName, text.size()).c_str());
    else if (file.open(QIODevice::WriteOnly))
        ok = file.write(text) == text.size() && file.commit();
    resumeRenderer();
    return ok;
}
