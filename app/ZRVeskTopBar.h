#pragma once

#include "classes/widgets/QSBWidget.h"

#include <QImage>
#include <QPoint>

/// The decorative bar beside the mode buttons, drawn from the preloaded "vesk_bar" skin: a left
/// end, a middle stretched between the ends and a right end (set "bar"), and the version image
/// (set "text", layer "vesk_version") 10 pixels in from the right edge. Its height is fixed to
/// the tallest of the three bar parts. Missing layers draw nothing. GUI thread only.
class ZRVeskTopBar : public QSBWidget {
    Q_OBJECT
public:
    explicit ZRVeskTopBar(QWidget* parent = nullptr, const char* name = nullptr,
                          Qt::WindowFlags flags = {});
    ~ZRVeskTopBar() override;

    /// The bar's left end, the middle as stretched now and the right end, in bar coordinates;
    /// empty for a missing layer or when the bar is narrower than its ends (no middle).
    QRect leftRect() const;
    QRect middleRect() const;
    QRect rightRect() const;
    /// Where the version image is drawn, in bar coordinates.
    QRect versionRect() const;

    void composeBackground(int x, int y, int w, int h) override;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    /// One skin layer: its image (borrowed from the skin table) and its place in the skin.
    struct Layer {
        const QImage* image = nullptr;
        QPoint position;
    };

    Layer m_left, m_middle, m_right, m_version;
    /// The middle image stretched to the middle's width, made on resize.
    QImage m_stretchedMiddle;
};
