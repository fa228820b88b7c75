#pragma once

#include "browser/ZRBrowserEngineView.h"
#include "browser/ZREngineIconViewItem.h"

class IZRTimeline;
class ZREffect;

/// An entry of the effects page ("Video Effect"): it keeps the effect the engine made for it
/// for its life and hands it back to the timeline's factory when deleted. GUI thread only.
class ZREffectIconViewItem : public ZREngineIconViewItem {
public:
    /// Asks `timeline` (may be null; must outlive the item) for the entry's effect.
    ZREffectIconViewItem(ZRIconView* view, IZRTimeline* timeline, const ZREngineModuleEntry& entry);
    ~ZREffectIconViewItem() override;

    /// The entry's effect; null when its module did not bind.
    ZREffect* effect() const { return m_effect; }

private:
    IZRTimeline* m_timeline;
    ZREffect* m_effect = nullptr;
};

/// The effects page of the browser panel: the engine's video effects by module group, each
/// rendered over the "effects" skin layer. Dragging shows the effect frame picture.
/// GUI thread only.
class ZRBrowserEffectsView : public ZRBrowserEngineView {
    Q_OBJECT
public:
    explicit ZRBrowserEffectsView(QWidget* parent = nullptr, const char* name = nullptr,
                                  Qt::WindowFlags flags = {});

    QString engineKind() const override;
    ZREngineAnimation& animation() const override;
    /// The class's shared phase and direction.
    static ZREngineAnimation& sharedAnimation();
    /// The fixed 28 x 20 two-colour effect frame picture.
    QPixmap dragPixmap() override;
    /// The same picture as an image.
    static QImage dragPicture();

protected:
    ZREngineSkinLayers::Which anchorLayer() const override;
    bool prepareImages(const std::array<IZRImage*, 3>& images) override;
    bool renderThumbnail(const QString& group, const QString& name) override;
    ZREngineIconViewItem* makeEntryItem(const ZREngineModuleEntry& entry) override;
    bool renderEntry(ZREngineIconViewItem* item, double phase) override;
};
