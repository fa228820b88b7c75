#include "ZRScriptBridge.h"

#include "timeline/ZRTimeline.h"

#include "script/ZRProjectWriter.h"
#include "script/ZRScriptFrontEnd.h"
#include "worker/ZRTimelineWorker.h"

#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

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
    std::string text;
    int64_t size = 0;
    if (!path) return false;
    switch (readScriptFile(path, text, size)) {
    case ScriptFileRead::Ok:
        break;
    case ScriptFileRead::Unreadable:
        return false;
    case ScriptFileRead::TooLarge:
        m_timeline.host().scriptOutput(tooLargeMessage("cannot open", path, size).c_str());
        return false;
    }
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
    else if (file.open(QIODevice::WriteOnly))
        ok = file.write(text) == text.size() && file.commit();
    m_renderer.suspend(false);
    return ok;
}
