#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QMimeData;

/// The texts that the browser's drags carry: fields joined by "$@@$", written as UTF-8 with one
/// zero byte at the end. Nothing escapes a separator inside a field.
namespace dragpayload {

inline constexpr char kSeparator[] = "$@@$";
inline constexpr char kIconList[] = "application/x-zriconlist";
inline constexpr char kPlainText[] = "text/plain";

/// The fields of the data of `format` in `source`, read up to the first zero byte and split at
/// the separator with empty fields dropped; empty when the source lacks the format or is null.
QStringList fields(const QMimeData* source, const char* format);

/// True when `source` provides any of the formats.
bool providesAny(const QMimeData* source, std::initializer_list<const char*> formats);

/// A field read as a decimal whole number; text that is no number gives 0.
int decimal(const QString& field);

/// `text` as UTF-8 with one zero byte after it.
QByteArray terminated(const QString& text);

} // namespace dragpayload
