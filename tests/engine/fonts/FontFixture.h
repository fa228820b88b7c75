#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

/// Builds small font files for the font tests from an installed free font: its tables with the
/// 'name' and 'kern' tables replaced, as a plain font or as a collection of several faces.
namespace fixture {

struct Table {
    QByteArray tag; ///< four characters
    QByteArray data;
};

struct KernPair {
    uint16_t left;
    uint16_t right;
    int16_t value;
};

/// Absolute path of an installed font file (e.g. "DejaVuSans.ttf"); fails the test when absent.
QString installedFont(const QString& fileName);

/// The tables of a plain font file; empty when it cannot be read.
QList<Table> readTables(const QString& path);

/// `tables` with the table `tag` replaced (or added).
QList<Table> withTable(QList<Table> tables, const QByteArray& tag, const QByteArray& data);

/// A 'name' table whose Windows/US-English records give `fullName` (family and full name).
QByteArray nameTable(const QString& fullName);

/// A version-0 'kern' table with one format-0 subtable holding `pairs` in the given order.
QByteArray kernTable(const QList<KernPair>& pairs);

/// A plain font file of `tables`.
QByteArray fontFile(const QList<Table>& tables);

/// A collection of `faces`; tables with equal contents are stored once.
QByteArray collectionFile(const QList<QList<Table>>& faces);

/// Writes `bytes` to `path`, creating folders; fails the test on error.
void writeFile(const QString& path, const QByteArray& bytes);

/// The glyph index of `code` in the font file at `path` (face 0).
unsigned glyphIndex(const QString& path, char32_t code);

} // namespace fixture
