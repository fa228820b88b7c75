#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <memory>

/// One string rendered by the engine's TrueType renderer into a 32-bit straight-alpha image
/// (Format_ARGB32) with a transparent background: covered pixels carry the text colour with the
/// coverage as alpha. Owns its own font object. Every setter renders at once and answers
/// whether the render opened the font; an empty text or a size below 1 leaves the last image
/// in place and `image()` null. Faces are taken at index 0 and 72 dpi, so a point is a pixel.
/// GUI thread only; not copyable.
class ZRTextImage {
public:
    /// The default text font's name and size, white, no text (invalid until a text is set).
    ZRTextImage();
    ZRTextImage(const QString& text, const QColor& colour, const QString& fontName, int pointSize,
                float spacing);
    ~ZRTextImage();
    ZRTextImage(const ZRTextImage&) = delete;
    ZRTextImage& operator=(const ZRTextImage&) = delete;

    bool setFont(const QString& fontName, int pointSize);
    bool setColor(const QColor& colour);
    bool setText(const QString& text);
    bool setTextAndColor(const QString& text, const QColor& colour);
    /// Also takes the first face of the file again.
    bool setAll(const QString& text, const QColor& colour, const QString& fontName, int pointSize,
                float spacing);
    /// Extra advance per character of size x spacing x 0.1 pixels.
    bool setSpacing(float spacing);

    /// The last rendered image while the last render succeeded, else null.
    const QImage* image() const { return m_valid ? &m_image : nullptr; }
    bool isValid() const { return m_valid; }
    /// The image's size while it holds pixels, else the box of the last render ((-1, -1) before
    /// any).
    QSize size() const;
    QRect rect() const { return QRect(QPoint(0, 0), size()); }

    QString text() const;
    QString fontName() const;
    int fontSize() const;
    QColor color() const;

private:
    struct FontRecord;

    bool render();

    std::unique_ptr<FontRecord> m_font;
    QImage m_image;
    bool m_valid = false;
    int m_lastWidth = -1;
    int m_lastHeight = -1;
};
