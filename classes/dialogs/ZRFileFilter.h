#pragma once

// Conversion of the program's filter strings ("Video (*.avi *.mpg);;All Files (*.*)") into
// pairs of display name and pattern list, and of those pairs into QFileDialog name filters.
// Pure functions.

#include <QList>
#include <QString>
#include <QStringList>

/// One filter of a file dialog: what the user sees and the patterns it stands for.
struct ZRFileFilter {
    QString displayName; ///< the filter as written
    QString patterns;    ///< patterns separated by ";" ("*.avi;*.mpg")

    bool operator==(const ZRFileFilter&) const = default;
};

/// Splits `filter` at ";;" (at line feeds when it holds no ";;" but a line feed), dropping empty
/// parts; an empty `filter` stands for "All Files (*.*)". Each part is its own display name; its
/// patterns are the text between the closing parentheses when the part ends in
/// "name (patterns)", else the whole part, with every space turned into ";".
QList<ZRFileFilter> convertFileFilter(const QString& filter);

/// The name filters that make QFileDialog show `filters`: each display name, with the patterns
/// appended in parentheses when the dialog would read other patterns from the name alone.
/// The pattern "*.*" becomes "*", since a file name needs no dot here.
QStringList fileDialogNameFilters(const QList<ZRFileFilter>& filters);
