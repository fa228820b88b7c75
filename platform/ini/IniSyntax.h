#pragma once

#include <QStringView>

#include <cstdint>

class QByteArray;
class QIODevice;
class QString;

/// The syntax of configuration files: "key=value" lines under "[group]" headers. The
/// configuration class and the export modules' settings reader both read through it, so that a
/// file reads alike wherever it is read.
///
/// A line is the text up to a line feed, without a carriage return before it. A line longer than
/// `kMaxLineBytes` is skipped whole. A line whose first character is "[" and that holds a "]"
/// after it is a group header: the name lies between the "[" and the first "]", the rest of the
/// line is ignored. Otherwise a line whose first character is "#" is a comment, and a line
/// without "=" is ignored. Otherwise the key is the text before the first "=" and the value the
/// text after it, each stripped of white space at both ends. Blanks before "[" or "#" make the
/// line an entry, which is how a key that starts with either is written. Group names and keys
/// match without regard to case.
namespace platform::ini {

/// The longest line read, in bytes without its line break: far beyond any text a user types
/// (a title of a million characters), short of what would make a damaged file unreadable.
inline constexpr int kMaxLineBytes = 16 * 1024 * 1024;

enum class LineKind { Ignored, Comment, Group, Entry };

/// One line taken apart; the views point into the line.
struct Line {
    LineKind kind = LineKind::Ignored;
    QStringView name; ///< Group: the group's name as written
    QStringView key;  ///< Entry: stripped
    QStringView text; ///< Entry: the value as written, stripped, not unescaped
};

/// Takes apart one line, given without its line break.
Line parseLine(QStringView line);

/// Receives what a file holds, in file order.
class Visitor {
public:
    virtual ~Visitor() = default;
    /// A group header: the entries after it belong to group `name`.
    virtual void group(QStringView name) = 0;
    /// An entry of the current group (before any header: of the unnamed group).
    virtual void entry(QStringView key, QStringView text) = 0;
    /// An entry whose text is all ASCII, as entry() but with the text left as bytes: the
    /// `length` bytes at `at` of `file` (the bytes read, which a visitor may keep, sharing them),
    /// stripped. Long values such as stored pictures need not become text this way. By default
    /// hands the text to entry().
    virtual void asciiEntry(QStringView key, const QByteArray& file, qsizetype at,
                            qsizetype length);
};

/// How a file's bytes become text.
enum class Encoding { Utf8, Local8Bit };

/// Reads the lines of `device` from its current position to its end and hands its headers and
/// entries to `visitor`. A device that is not open gives nothing.
void read(QIODevice& device, Encoding encoding, Visitor& visitor);

/// A value as the engine reads it: `text` unescaped, then stripped of white space at both ends.
/// A backslash and the character after it become one character: "\\" a backslash, "\n" a line
/// feed, "\t" a tab, "\r" a carriage return; before any other character, and at the very end,
/// the backslash stays.
QString unescapedValue(QStringView text);

/// True when two group names or keys match without regard to case.
inline bool sameName(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}
/// A hash of a name that agrees with `sameName`: names that match hash alike.
uint64_t nameHash(QStringView name);

} // namespace platform::ini
