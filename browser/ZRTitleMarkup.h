#pragma once

#include <QColor>
#include <QString>

/// The title markup a "2D-Text" object keeps in "Text Text(U)": the tags "<!Font=...!>",
/// "<!Size=...!>" and "<!Color=R:r,G:g,B:b!>", then the title's text; and the labels and names
/// made from it. Pure functions, reentrant.
namespace titlemarkup {

/// Longest label and object name taken from a title's text, in characters.
inline constexpr int kNameLength = 12;
/// The label of a title without text.
inline constexpr char kNoText[] = "No Text";

/// "<!Font=" family "!><!Size=" size "!><!Color=R:" r ",G:" g ",B:" b "!>" and the text.
QString build(const QString& family, int size, const QColor& colour, const QString& text);

/// Everything after the leading tags, line breaks and "!", "<" or ">" included.
QString editText(const QString& markup);

/// The value of the first "<!Font=...!>" tag; null when there is none.
QString family(const QString& markup);
/// The text of the first "<!Size=...!>" tag; null when there is none.
QString sizeText(const QString& markup);
/// The colour of the first "<!Color=R:r,G:g,B:b!>" tag, components limited to 0..255; invalid
/// when there is none.
QColor colour(const QString& markup);

/// At most the first `kNameLength` characters of `text`, one fewer when the last would be the
/// first half of a surrogate pair.
QString leading(const QString& text);

/// The label of a new title: the edit text, cut to its first line when longer than
/// `kNameLength`; "No Text" when that is empty.
QString label(const QString& markup);

/// Line breaks written as "xNx", for the settings file.
QString storedForm(const QString& text);
/// "xNx" read back as line breaks.
QString fromStoredForm(const QString& text);
/// The group holding a stored title: "TextObject" index "_" label, the label in its stored form
/// with "]" written as "_" (a group name cannot hold it).
QString groupName(int index, const QString& label);

} // namespace titlemarkup
