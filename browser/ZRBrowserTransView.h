#pragma once

#include "browser/ZRBrowserEngineView.h"
#include "browser/ZREngineIconViewItem.h"

class IZRObject;
class IZRTimeline;

/// An entry of the transitions page ("Transition"): it keeps the transition object the engine
/// made for it and hands it back to the timeline's factory when deleted. GUI thread only.
class ZRTransitionIconViewItem : public ZREngineIconViewItem {
public:
    /// Asks `timeline` (may be null; must outlive the item) for the entry's object.
    ZRTransitionIconViewItem(ZRIconView* view, IZRTimeline* timeline,
                             const ZREngineModuleEntry& entry);
    ~ZRTransitionIconViewItem() override;

    IZRTimeline* timeline() const { return m_timeline; }
    /// The entry's transition object; null when its module did not bind.
    IZRObject* object() const { return m_object; }

private:
    IZRTimeline* m_timeline;
    IZRObject* m_object = nullptr;
};

/// The transitions page of the browser panel: the engine's transitions by module group, each
/// rendered from the "clip_A" and "clip_B" skin layers (modules work on the common area of the
/// three pictures). Dragging shows the transition wipe picture. GUI thread only.
class ZRBrowserTransView : public ZRBrowserEngineView {
    Q_OBJECT
public:
    explicit ZRBrowserTransView(QWidget* parent = nullptr, const char* name = nullptr,
                                Qt::WindowFlags flags = {});

    QString engineKind() const override;
    ZREngineAnimation& animation() const override;
    /// The class's shared phase and direction.
    static ZREngineAnimation& sharedAnimation();
    /// The fixed 28 x 20 two-colour transition wipe picture.
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
