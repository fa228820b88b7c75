#pragma once

#include "classes/skins/PSDLayerSet.h"
#include "classes/text/ZRTextImage.h"
#include "classes/widgets/QSBWidget.h"
#include "classes/widgets/ZRSkinBox.h"

#include <QColor>

/// A titled panel: a box drawn from the "frame" layer set of a skin, with a caption rendered by
/// the engine's TrueType renderer whose top-left corner always sits at (9, 1). Both are drawn
/// into the shared composed image, the box first. The frame's minimum size is the size of the
/// "frame" set. GUI thread only.
class ZRFrame : public QSBWidget {
    Q_OBJECT
    Q_PROPERTY(QString captionFontName READ captionFontName WRITE setCaptionFontName)
    Q_PROPERTY(int fontSize READ captionFontSize WRITE setCaptionFontSize)
    Q_PROPERTY(QColor captionColor READ captionColor WRITE setCaptionColor)
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
public:
    /// A frame drawn from `skin` (null: no box), caption font from the default frame tag.
    ZRFrame(QDict<PSDLayerSet>* skin, QWidget* parent = nullptr, const char* name = nullptr,
            Qt::WindowFlags flags = {});
    /// A frame of the preloaded "preview_frame" skin with a white caption.
    explicit ZRFrame(QWidget* parent = nullptr, const char* name = nullptr,
                     Qt::WindowFlags flags = {});
    ~ZRFrame() override;

    /// Takes the "frame" set of `skin` for the box and its size as the minimum size.
    virtual void setFrameSkin(QDict<PSDLayerSet>* skin);
    /// Lays the box out on the widget and places the outer and caption rectangles.
    virtual void updateLayout();

    QString caption() const;
    QString captionFontName() const;
    int captionFontSize() const;
    QColor captionColor() const;
    /// The box's middle grown by 5 pixels on every side.
    QRect outerRect() const { return m_outerRect; }
    /// The caption's place as of the last layout.
    QRect captionRect() const { return m_captionRect; }
    static QPoint captionPosition() { return QPoint(9, 1); }

    void composeBackground(int x, int y, int w, int h) override;
    using QSBWidget::composeBackground;

public Q_SLOTS:
    /// Sets the caption text (not the window title); repaints when visible.
    virtual void setCaption(const QString& text);
    virtual void setCaptionFontName(const QString& name);
    virtual void setCaptionFontSize(int size);
    /// The colour's ARGB value; a colour made of red, green and blue is opaque.
    virtual void setCaptionColor(const QColor& colour);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void captionChanged();

    ZRSkinBox m_box;
    QRect m_outerRect;
    QRect m_captionRect;
    ZRTextImage m_caption;
};
