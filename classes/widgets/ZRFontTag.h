#pragma once

#include <QString>

/// A font named by a font tag: "<name>F</name><size>N</size>" with an optional
/// "<smooth>0|1</smooth>". The elements may stand in any order, with blanks inside their angle
/// brackets, in any letter case and with other text around them. The name is a TrueType file
/// name for text the engine draws ("ariblk.ttf") or a system font family for text Qt draws.
struct ZRFontTag {
    QString name;        ///< empty without a name element
    int pointSize = 0;   ///< 0 without a size element or when it is not a number
    bool smooth = false; ///< on when the smooth element holds a number above 0
};

/// Reads the elements of `tag`.
ZRFontTag parseFontTag(const QString& tag);

/// Reads the default tag `tag` after it passes through the translator of class `context`, so
/// that a translation may replace the whole tag.
ZRFontTag translatedFontTag(const char* context, const char* tag);
