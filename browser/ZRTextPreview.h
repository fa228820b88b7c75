#pragma once

#include "classes/widgets/QSBWidget.h"

#include <QRect>
#include <QRegion>

class IZRImage;

/// The surface the titles page previews a title on, laid over the main window's preview frame.
/// The page renders the title into an engine image and hands it over with `present`; the paint
/// event composes the skin under the damaged region, puts the frame over it (blended, or
/// stretched opaque) and the title-safe frame (a grey dashed XOR outline) into the composed
/// image, and presents that. A paint before any frame asks the page for one through
/// `sigPaintPreview`. The image is borrowed: the page withdraws it (`present(nullptr, ...)`)
/// before destroying it. GUI thread only.
class ZRTextPreview : public QSBWidget {
    Q_OBJECT
public:
    explicit ZRTextPreview(QWidget* parent = nullptr, const char* name = nullptr);

    /// Shows `frame` (widget-sized, borrowed; null for none), opaque or blended over the skin,
    /// with the safe-area rectangle when it is not null; repaints `region`.
    void present(IZRImage* frame, bool opaque, const QRect& safeArea, const QRegion& region);
    IZRImage* frame() const { return m_frame; }
    QRect safeArea() const { return m_safeArea; }
    bool opaque() const { return m_opaque; }

    /// The safe-area rectangle of a preview of `size`: 3 + 80 % of each side, centred (halves
    /// rounded down).
    static QRect safeAreaFor(const QSize& size);

Q_SIGNALS:
    /// A paint found no frame to show.
    void sigPaintPreview(const QRegion& region);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    IZRImage* m_frame = nullptr;
    bool m_opaque = false;
    bool m_painting = false;
    QRect m_safeArea;
};
