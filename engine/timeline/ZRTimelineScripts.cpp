// Scripts and projects of a timeline: runs through the engine's script front end, and the
// project writer.
#include "engine/timeline/ZRTimeline.h"

#include "engine/script/ZRProjectWriter.h"
#include "engine/script/ZRScriptFrontEnd.h"

#include <QSaveFile>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

enum class ScriptFileRead { Ok, Unreadable, TooLarge };

// A regular file's whole text with CR LF read as LF. Opened without blocking, so that a FIFO
// or a device named as a project is refused instead of waiting for a writer.
ScriptFileRead readScriptFile(const char* path, std::string& text, int64_t& size) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return ScriptFileRead::Unreadable;
    struct stat info {};
    ScriptFileRead result = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)
                                ? ScriptFileRead::Ok
                                : ScriptFileRead::Unreadable;
    size = info.st_size;
    if (result == ScriptFileRead::Ok && info.st_size > zrscript::maxProjectBytes())
        result = ScriptFileRead::TooLarge;
    std::string raw;
    if (result == ScriptFileRead::Ok) {
        // The size is only a hint: the file may shrink or grow while it is read.
        raw.resize(size_t(info.st_size));
        size_t have = 0;
        while (have < raw.size()) {
            const ssize_t n = ::read(fd, raw.data() + have, raw.size() - have);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                result = ScriptFileRead::Unreadable;
                break;
            }
            if (n == 0) break;
            have += size_t(n);
        }
        raw.resize(have);
    }
    ::close(fd);
    if (result != ScriptFileRead::Ok) return result;
    text.clear();
    text.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        text += raw[i];
    }
    return ScriptFileRead::Ok;
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
    std::string text;
    int64_t size = 0;
    if (!path) return false;
    switch (readScriptFile(path, text, size)) {
    case ScriptFileRead::Ok:
        break;
    case ScriptFileRead::Unreadable:
        return false;
    case ScriptFileRead::TooLarge:
        m_host.scriptOutput(tooLargeMessage("cannot open", path, size).c_str());
        return false;
    }
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
