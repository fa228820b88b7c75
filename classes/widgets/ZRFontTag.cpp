#include "classes/widgets/ZRFontTag.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace {

// Capture 1 of the element `element`, or a null string when the tag has none.
QString elementText(const QString& tag, const char* element) {
    const QString name = QString::fromLatin1(element);
    const QRegularExpression pattern(QStringLiteral("<\\s*%1\\s*>([^<>]*)</\\s*%1\\s*>").arg(name),
                                     QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(tag);
    return match.hasMatch() ? match.captured(1) : QString();
}

int elementNumber(const QString& tag, const char* element) {
    bool ok = false;
    const int value = elementText(tag, element).trimmed().toInt(&ok, 10);
    return ok ? value : 0;
}

} // namespace

ZRFontTag parseFontTag(const QString& tag) {
    ZRFontTag font;
    font.name = elementText(tag, "name");
    font.pointSize = elementNumber(tag, "size");
    font.smooth = elementNumber(tag, "smooth") > 0;
    return font;
}

ZRFontTag translatedFontTag(const char* context, const char* tag) {
    return parseFontTag(QCoreApplication::translate(context, tag));
}
