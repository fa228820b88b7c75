#include "browser/ZRTitleMarkup.h"

#include <QRegularExpression>

#include <algorithm>

namespace titlemarkup {

namespace {

QString firstCapture(const QString& text, const QRegularExpression& pattern) {
    const QRegularExpressionMatch m = pattern.match(text);
    return m.hasMatch() ? m.captured(1) : QString();
}

} // namespace

QString build(const QString& family, int size, const QColor& colour, const QString& text) {
    QString markup = QStringLiteral("<!Font=%1!><!Size=%2!><!Color=R:%3,G:%4,B:%5!>")
                         .arg(family)
                         .arg(size)
                         .arg(colour.red())
                         .arg(colour.green())
                         .arg(colour.blue());
    if (!text.isEmpty()) markup += text;
    return markup;
}

// The tags alone are matched, so that a "!", "<" or ">" in the text does not end it: a text
// cut there would be written back cut by the next rebuild of the markup.
QString editText(const QString& markup) {
    static const QRegularExpression tags(QStringLiteral("^(<![^<>!]+!>)*"));
    const QRegularExpressionMatch m = tags.match(markup);
    return markup.mid(m.hasMatch() ? m.capturedLength(0) : 0);
}

QString family(const QString& markup) {
    static const QRegularExpression pattern(QStringLiteral("<!Font=([^<>!]+)!>"));
    return firstCapture(markup, pattern);
}

QString sizeText(const QString& markup) {
    static const QRegularExpression pattern(QStringLiteral("<!Size=([^<>!]+)!>"));
    return firstCapture(markup, pattern);
}

QColor colour(const QString& markup) {
    static const QRegularExpression pattern(QStringLiteral("<!Color=R:(\\d+),G:(\\d+),B:(\\d+)!>"));
    const QRegularExpressionMatch m = pattern.match(markup);
    if (!m.hasMatch()) return {};
    // Digits beyond the int range read as 0 through toInt; the clamp keeps the rest in range.
    const auto component = [&](int i) { return std::clamp(m.captured(i).toInt(), 0, 255); };
    return QColor(component(1), component(2), component(3));
}

QString leading(const QString& text) {
    if (text.size() <= kNameLength) return text;
    const qsizetype n = text.at(kNameLength - 1).isHighSurrogate() ? kNameLength - 1 : kNameLength;
    return text.left(n);
}

QString label(const QString& markup) {
    QString text = editText(markup);
    if (text.size() > kNameLength) {
        static const QRegularExpression firstLine(QStringLiteral("^([^\n]*)\n*"));
        text = firstCapture(text, firstLine);
    }
    return text.isEmpty() ? QString::fromLatin1(kNoText) : text;
}

QString storedForm(const QString& text) {
    QString stored = text;
    return stored.replace(QLatin1Char('\n'), QLatin1String("xNx"));
}

QString fromStoredForm(const QString& text) {
    QString plain = text;
    return plain.replace(QLatin1String("xNx"), QLatin1String("\n"));
}

QString groupName(int index, const QString& label) {
    return QStringLiteral("TextObject%1_").arg(index) +
           storedForm(label).replace(QLatin1Char(']'), QLatin1Char('_'));
}

} // namespace titlemarkup
