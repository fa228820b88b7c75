#pragma once

// Drawing of skin layers for skingen: colours by palette name, the draw operations a
// description lists for a layer, and the named icons they may use.

#include <QColor>
#include <QHash>
#include <QImage>
#include <QJsonArray>
#include <QString>

/// Colours by name ("$panel") or as "#RRGGBB" / "#AARRGGBB". Unknown names are an error.
class SkinPalette {
public:
    void add(const QString& name, const QColor& colour) { m_colours.insert(name, colour); }
    /// The colour a description value stands for; sets `*ok` false for a bad value.
    QColor colour(const QJsonValue& value, bool* ok) const;

private:
    QHash<QString, QColor> m_colours;
};

/// Draws `ops` (each a JSON array: operation name, then arguments) into a transparent image of
/// `size`. Operations: fill, round, rect, line, icon, text, vgrad, hgrad, frame. Returns a null
/// image and the reason in `*error` when an operation is malformed.
QImage drawLayer(const QSize& size, const QJsonArray& ops, const SkinPalette& palette,
                 QString* error);

/// Names of the icons `icon` draws.
QStringList iconNames();
