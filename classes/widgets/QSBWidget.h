#pragma once

#include <QImage>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QWidget>

#include <memory>

class QPainter;

/// The base of every skinned widget. A chain of QSBWidget parents shares one composed image
/// (32-bit Format_ARGB32, straight alpha) owned by the topmost of them, the skin root; it is
/// addressed in the root's widget coordinates. A widget composes the part of that image under a
/// rectangle of its own (its ancestors' backgrounds first, then its own skin background) and
/// presents it in `paintEvent`, alpha ignored. Qt never erases it (WA_OpaquePaintEvent).
///
/// Whether a widget is a skin root or a skinned child is decided by its parent at construction
/// and never changes. A root's composed image only grows, with 100 pixels of margin each way,
/// and the image object itself is never replaced, so children may hold it. Every composition
/// stays inside the composed image. A new image, and a root without skin, are filled with the
/// palette's window colour, opaque.
///
/// GUI thread only.
class QSBWidget : public QWidget {
    Q_OBJECT
public:
    explicit QSBWidget(QWidget* parent = nullptr, const char* name = nullptr,
                       Qt::WindowFlags flags = {});
    /// As above, with a background image (converted to 32 bits); a scaled one is scaled to the
    /// widget at the next size change.
    QSBWidget(const QImage& background, bool scaled, QWidget* parent = nullptr,
              const char* name = nullptr, Qt::WindowFlags flags = {});
    /// Deletes the child widgets first, so that none outlives the composed image it draws into
    /// or unregisters from a half-destroyed parent.
    ~QSBWidget() override;

    /// Takes a copy of `image` as the skin background, scaled to the widget or tiled; a null
    /// image changes nothing. Repaints the widget and its registered children.
    virtual void setBackgroundImage(const QImage& image, bool scaled);
    /// Switches between a scaled and a tiled background; repaints when it changes.
    void setScaledBackground(bool on);
    bool scaledBackground() const { return m_scaled; }
    /// The skin background as drawn, or null without one.
    virtual QImage* skinImage();
    /// Schedules the rectangle (widget coordinates) to be composed and presented; nothing while
    /// the widget is not visible.
    virtual void repaintRect(int x, int y, int w, int h);
    /// Off: present the palette's window brush instead of the composed image.
    virtual void setUseComposedImage(bool on);
    /// Composes the rectangle (widget coordinates, clipped to the widget) into the composed
    /// image: the skinned parent's composition under it, then this widget's skin background.
    virtual void composeBackground(int x, int y, int w, int h);
    void composeBackground(const QRect& rect) {
        composeBackground(rect.x(), rect.y(), rect.width(), rect.height());
    }
    virtual QImage* composedImage();
    virtual bool ownsComposedImage() const;
    virtual QRect mapRectToSkinRoot(const QRect& rect) const;
    virtual QPoint mapPointToSkinRoot(const QPoint& point) const;
    virtual QRect mapRectFromSkinRoot(const QRect& rect) const;
    virtual QPoint mapPointFromSkinRoot(const QPoint& point) const;
    /// Adds (or removes) one of this widget's own child widgets to the children that
    /// `repaintAll` updates; others are ignored. Deleted children drop out by themselves.
    virtual void registerChild(QWidget* child, bool add);
    virtual bool hasSkinParent() const;

    /// Composes every rectangle of `region` within the widget.
    void composeRegion(const QRegion& region);
    /// `repaintRect` for every rectangle of `region`.
    void repaintRegion(const QRegion& region);

public Q_SLOTS:
    /// Moves and resizes the widget; a root grows its composed image and a scaled background is
    /// scaled to the new size before Qt applies the geometry, so the first paint at the new size
    /// finds both ready.
    void setGeometry(int x, int y, int w, int h);
    void setGeometry(const QRect& rect) {
        setGeometry(rect.x(), rect.y(), rect.width(), rect.height());
    }
    /// Updates every registered child (also one whose updates are blocked, which stays blocked),
    /// skinned children recursively; not the widget itself.
    virtual void repaintAll();

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

    /// Draws the composed image under `rect` (widget coordinates) at `rect`, opaque.
    void presentComposedRect(QPainter& painter, const QRect& rect);
    /// The skinned parent, or null for a skin root.
    QSBWidget* skinParent() const;

private:
    void rebuildWorkingBackground() { rebuildWorkingBackground(size()); }
    void rebuildWorkingBackground(const QSize& size);
    void growComposedImage(const QSize& size, bool withMargin);
    void composeWithoutSkin(const QRect& rect);

    QImage m_working;
    QImage m_source;
    bool m_scaled = false;
    bool m_hasSkinParent = false;
    QSize m_cachedSize{-1, -1};
    QList<QPointer<QWidget>> m_skinnedChildren;
    QList<QPointer<QWidget>> m_otherChildren;
    std::shared_ptr<QImage> m_composed;
    bool m_ownsComposed = false;
    bool m_useComposedImage = true;
};
