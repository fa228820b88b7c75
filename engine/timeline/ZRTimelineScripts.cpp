// Scripts and projects of a timeline: runs through the engine's script front end, and the
// project writer.
#include "ZRTimeline.h"

#include "script/host/ZRProjectWriter.h"
#include "script/host/ZRScriptFrontEnd.h"

#include <QSaveFile>

#include <cstdarg>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The largest script file read, as for `#include`.
constexpr int64_t kMaxScriptFile = 64ll << 20;

// A regular file's whole text with CR LF read as LF; false when it cannot be read.
bool readScriptFile(const char* path, std::string& text) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kMaxScriptFile;
    std::string raw;
    if (ok) {
        // The size is only a hint: the file may shrink or grow while it is read.
        raw.resize(size_t(info.st_size));
        size_t have = 0;
        while (have < raw.size()) {
            const ssize_t n = ::read(fd, raw.data() + have, raw.size() - have);
            if (n < 0) {
                ok = false;
                break;
            }
            if (n == 0) break;
            have += size_t(n);
        }
        raw.resize(have);
    }
    ::close(fd);
    if (!ok) return false;
    text.clear();
    text.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        text += raw[i];
    }
    return true;
}

} // namespace

bool ZRTimeline::runScript(char* text, bool redeclare) {
    if (!m_hostFunctionsDeclared || redeclare || zrscript::engine() == nullptr ||
        !zrscript::hostFunctionsAvailable()) {
        zrscript::declareHostFunctions(this);
        m_hostFunctionsDeclared = true;
    }
    if (!text) return false;
    suspendRenderer();
    const bool ok = zrscript::runText(this, text);
    resumeRenderer();
    return ok;
}

bool ZRTimeline::runScriptFile(const char* path, bool redeclare) {
    if (!m_hostFunctionsDeclared || redeclare || zrscript::engine() == nullptr ||
        !zrscript::hostFunctionsAvailable()) {
        zrscript::declareHostFunctions(this);
        m_hostFunctionsDeclared = true;
    }
    std::string text;
    if (!path || !readScriptFile(path, text)) return false;
    suspendRenderer();
    const bool ok = zrscript::runText(this, text);
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
    if (file.open(QIODevice::WriteOnly)) {
        const QByteArray text = writeProject(*this);
        ok = file.write(text) == text.size() && file.commit();
    }
    resumeRenderer();
    return ok;
}
