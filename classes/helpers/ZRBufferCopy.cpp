#include "classes/helpers/ZRBufferCopy.h"

#include <QDebug>
#include <QLoggingCategory>

#include <algorithm>
#include <cstring>

namespace {

// Debug traces, off unless QT_LOGGING_RULES turns them on.
Q_LOGGING_CATEGORY(lcCopy, "clipstead.classes.copy", QtInfoMsg)

} // namespace

QString qstringFromWide(const char16_t* text) {
    if (!text) return QString();
    return QString::fromUtf16(text);
}

char16_t* swzCopyString(char16_t* dst, unsigned count, const QString& text) {
    if (!dst) {
        qCDebug(lcCopy, "swzCopyString: swz=NULL");
        return nullptr;
    }
    std::fill_n(dst, count, u'\0');
    const qsizetype n = std::min<qsizetype>(text.size(), count);
    std::copy_n(reinterpret_cast<const char16_t*>(text.utf16()), n, dst);
    return dst;
}

char* szmbCopyString(char* dst, unsigned size, const QString& text) {
    if (!dst) {
        qCDebug(lcCopy, "szmbCopyString: szmb=NULL");
        return nullptr;
    }
    std::memset(dst, 0, size);
    const QByteArray bytes = text.toLocal8Bit();
    const size_t n = std::min<size_t>(std::strlen(bytes.constData()), size);
    std::memcpy(dst, bytes.constData(), n);
    return dst;
}
