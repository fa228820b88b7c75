#pragma once

#include "classes/skins/PSDLayer.h"
#include "classes/widgets/QSBWidget.h"

#include <QColor>
#include <QSize>
#include <QString>

/// A string drawn with a bitmap font from a flat skin (one layer per character, named by the
/// character: "sbtext"), in one colour, over the skin background. The widget takes the text's
/// size; it starts hidden at 1 x 1. Characters without a glyph are skipped; characters beyond
/// Latin-1 use glyph 0. GUI thread only.
class ZRSBText : public QSBWidget {
    Q_OBJECT
public:
    /// `glyphs` is borrowed; layers whose names are one Latin-1 character give the glyphs.
    explicit ZRSBText(QDict<PSDLayer>* glyphs, QWidget* parent = nullptr,
                      const char* name = nullptr, Qt::WindowFlags flags = {});

    QColor color() const { return m_colour; }

public Q_SLOTS:
    /// Takes the text and colour, resizes the widget to the text and draws it.
    virtual void setText(const QString& text, QColor colour);
    /// Width: the sum of (glyph x + glyph width + 1) over the characters with a glyph; height:
    /// the largest glyph y + glyph height. (0, 0) for an empty text.
    QSize getSize(const QString& text) const;
    QString getText() const { return m_text; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    const QImage* glyphFor(QChar c, QPoint* position) const;

    const QImage* m_glyphs[256] = {};
    QPoint m_glyphPositions[256];
    QString m_text;
    QColor m_colour;
    QImage m_rendered; ///< the tinted glyphs on transparent pixels, the widget's size
};
