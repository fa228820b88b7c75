#pragma once

#include <QString>

/// Where the capture page puts a capture on disk and under which name: the file type of a
/// device class, the name check of the file-name box, names in use and the next free one, and
/// the removal of old captures and empty leftovers. Names are compared literally (no wildcard
/// characters), as the file system spells them. Reentrant; the file operations touch only the
/// given folder, never its subfolders, and only regular files.
namespace capturefiles {

/// The capture file extension (without the dot) of a video device class: 0, 1 and 16 "avi",
/// 2 "ovl", 4 "mvl", any other "ovl".
QString extensionForClass(int deviceClass);
/// The file dialog filter of a video device class.
QString dialogFilterForClass(int deviceClass);

/// True when `name` may be a capture's base name: not empty and none of "*", "?", ":", ".",
/// "\" and "/" (nor control characters), so that the capture stays inside its folder.
bool acceptsBaseName(const QString& name);
/// `text` without a capture extension (".avi", ".ovl", ".mpg", ".mpeg", ".mvl", any case):
/// everything from the last dot is cut when the text ends with one of them.
QString withoutCaptureExtension(const QString& text);

/// True when `folder` holds an entry named `base` + "." + anything, or `base` + two characters
/// + "." + anything (the numbered segments of a capture).
bool nameInUse(const QString& folder, const QString& base);
/// The first name after `base` not in use in `folder`: four trailing digits are the counter
/// (else 0), which counts up; at 10000 it restarts at 0 with "a" appended to the stem. Each
/// candidate is the stem and the counter in four digits.
QString nextFreeName(const QString& folder, const QString& base);

/// Deletes what a capture named `base` writes into `folder`: `base` with ".avi", ".ovl",
/// ".mvl" or ".mpg", and `base` with two digits and ".avi" or ".mpg". Other files that merely
/// share the stem stay. Returns how many files went.
int removeCaptureFiles(const QString& folder, const QString& base);
/// Deletes the empty (0-byte) files of `folder` with a capture extension (".avi", ".ovl",
/// ".mvl", ".mpg", as the writers spell them); empty files of other programs stay. Returns how many
/// went.
int removeEmptyCaptureFiles(const QString& folder);

} // namespace capturefiles
