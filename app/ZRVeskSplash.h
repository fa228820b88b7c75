#pragma once

#include "classes/widgets/ZRDialog.h"

#include <QImage>
#include <QPointer>
#include <QString>

class QLabel;

/// The start-up splash: a skinned, frameless tool window that stays on top and shows a bitmap
/// with one line of text under it, the engine's latest loading message. It deletes itself when
/// closed. GUI thread only.
///
/// At most one splash is published at a time (`publish`); engine messages go to the published
/// one. A published splash withdraws itself when it is destroyed, however that happens (deleted
/// by its owner or by its own close), so `current` never answers a deleted splash.
class ZRVeskSplash : public ZRDialog {
    Q_OBJECT
public:
    /// Builds the splash on the bitmap at `bitmapPath`. An unreadable bitmap gives a splash of
    /// the size a `fallbackImageSize` bitmap would give, showing the frame and the text only.
    explicit ZRVeskSplash(const QString& bitmapPath);
    ~ZRVeskSplash() override;

    /// Makes `splash` (null: none) the splash that engine messages go to.
    static void publish(ZRVeskSplash* splash);
    /// The published splash, or null.
    static ZRVeskSplash* current();

    static QSize fallbackImageSize() { return QSize(400, 240); }

    /// The bitmap as read; null when it could not be read.
    const QImage& image() const { return m_image; }
    QLabel* messageLabel() const { return m_label; }
    /// Where the bitmap is drawn: the frame's middle widened by 10 pixels on every side, the
    /// message line at its foot.
    QRect pictureRect() const;

    void composeBackground(int x, int y, int w, int h) override;
    using QSBWidget::composeBackground;

public Q_SLOTS:
    /// Shows `text` and paints it at once, so that it appears while the GUI thread is busy.
    void showMessage(const QString& text);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    QImage m_image;
    QLabel* m_label = nullptr;
};
