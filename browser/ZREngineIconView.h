#pragma once

#include "browser/ZRIconView.h"

#include <QImage>
#include <QPixmap>
#include <QPoint>

#include <array>

class IZRTimeline;
class ZREngineIconViewItem;

/// One skin layer the engine views use: its picture (borrowed, null when the skin lacks it) and
/// its position in its skin file.
struct ZREngineSkinLayer {
    const QImage* image = nullptr;
    QPoint position;

    bool isNull() const { return !image || image->isNull(); }
    QSize size() const { return image ? image->size() : QSize(); }
};

/// The ten layers of the engine views: "closed_folder", "open_folder", "clip_A", "clip_B",
/// "effects" and "small_icon" of set "icons" in "small_icon"; "normal" and "selected" of the
/// sets "effects" and "transition" in "engine_icons".
struct ZREngineSkinLayers {
    enum Which {
        ClosedFolder,
        OpenFolder,
        ClipA,
        ClipB,
        Effects,
        SmallIcon,
        EffectNormal,
        EffectSelected,
        TransitionNormal,
        TransitionSelected,
        Count
    };
    std::array<ZREngineSkinLayer, Count> layers;

    const ZREngineSkinLayer& operator[](Which which) const { return layers[size_t(which)]; }
    ZREngineSkinLayer& operator[](Which which) { return layers[size_t(which)]; }

    /// The layers of the preloaded skin; a layer the skin lacks stays null at (0, 0).
    static ZREngineSkinLayers fromSkin();
};

/// The icon view under the effects and transitions pages: single selection, items re-laid out
/// on resize, word-wrapped captions, auto-arranged, no drops, a plain box frame. Its items are
/// `ZREngineIconViewItem`s; dragging an entry gives a `ZREngineDrag` of the selected entries
/// with id 100. The timeline is borrowed. GUI thread only.
class ZREngineIconView : public ZRIconView {
    Q_OBJECT
public:
    explicit ZREngineIconView(QWidget* parent = nullptr, const char* name = nullptr,
                              Qt::WindowFlags flags = {});

    /// Stores `timeline` (not owned; may be null), runs `reload` and returns the previous one.
    IZRTimeline* setTimeline(IZRTimeline* timeline);
    IZRTimeline* timeline() const { return m_timeline; }

    /// Rebuilds the items from the engine; nothing here.
    virtual void reload();
    /// The picture under the cursor while dragging: the current item's picture in two colours,
    /// a null picture without a current item.
    virtual QPixmap dragPixmap();

    /// Null without a current entry (a folder starts none), or when an entry's texts would not
    /// cross the payload whole (`ZREngineDrag::carriesWhole`). Otherwise the drag of every
    /// selected entry in item order, showing `dragPixmap` (else the current item's picture) with
    /// its centre under the cursor.
    QDrag* dragObject() override;
    /// With no item, clears the selection first.
    void setCurrentItem(ZRIconViewItem* item) override;

    const ZREngineSkinLayers& skinLayers() const { return m_layers; }
    /// Replaces the skin layers (borrowed; they must outlive the view); the next `reload` uses
    /// them. The view starts with the preloaded skin's.
    void setSkinLayers(const ZREngineSkinLayers& layers) { m_layers = layers; }

private:
    IZRTimeline* m_timeline = nullptr;
    ZREngineSkinLayers m_layers;
};
