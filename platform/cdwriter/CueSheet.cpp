#include "platform/cdwriter/CueSheet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace cuesheet {

std::optional<QString> binaryFile(const QString& cuePath) {
    const QFileInfo info(cuePath);
    if (!info.isFile() || info.size() > 64 * 1024) return std::nullopt;
    QFile file(cuePath);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QString text = QString::fromUtf8(file.readAll());
    static const QRegularExpression fileLine(
        QStringLiteral(R"re(^\s*FILE\s+"([^"]+)"\s+BINARY\s*$)re"),
        QRegularExpression::MultilineOption | QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = fileLine.match(text);
    if (!match.hasMatch()) return std::nullopt;
    const QString name = match.captured(1);
    return QFileInfo(name).isAbsolute() ? name : info.absoluteDir().filePath(name);
}

} // namespace cuesheet
