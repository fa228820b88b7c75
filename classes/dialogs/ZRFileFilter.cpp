#include "classes/dialogs/ZRFileFilter.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace {

// The patterns QFileDialog itself reads from a name filter: the last "(...)" group when the
// filter ends in one, else the whole text, split at spaces.
QStringList patternsSeenByDialog(const QString& nameFilter) {
    static const QRegularExpression group(
        QStringLiteral("^(.*)\\(([a-zA-Z0-9_.,*? +;#\\-\\[\\]@\\{\\}/!<>\\$%&=^~:\\|]*)\\)$"));
    const QRegularExpressionMatch match = group.match(nameFilter);
    const QString patterns = match.hasMatch() ? match.captured(2) : nameFilter;
    return patterns.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

QList<ZRFileFilter> convertFileFilter(const QString& filter) {
    const QString text =
        filter.isEmpty() ? QCoreApplication::translate("ZRFileDialog", "All Files (*.*)") : filter;
    QString separator = QStringLiteral(";;");
    if (!text.contains(separator) && text.contains(QLatin1Char('\n')))
        separator = QStringLiteral("\n");

    static const QRegularExpression namedPatterns(
        QStringLiteral("([a-zA-Z0-9 ]*)\\(([a-zA-Z0-9_.*? +;#\\[\\]]*)\\)$"));
    QList<ZRFileFilter> result;
    for (const QString& part : text.split(separator, Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch match = namedPatterns.match(part);
        QString patterns = match.hasMatch() ? match.captured(2) : part;
        patterns.replace(QLatin1Char(' '), QLatin1Char(';'));
        result.append({part, patterns});
    }
    return result;
}

QStringList fileDialogNameFilters(const QList<ZRFileFilter>& filters) {
    QStringList result;
    for (const ZRFileFilter& filter : filters) {
        QStringList patterns = filter.patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
        }
        if (patternsSeenByDialog(filter.displayName) == patterns)
            result.append(filter.displayName);
        else
            result.append(filter.displayName + QStringLiteral(" (") +
                          patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return result;
}
