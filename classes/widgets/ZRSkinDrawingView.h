#pragma once

class QRegion;

/// What the application style asks of a scroll view that draws on its skinned parent's composed
/// image (the media browser's icon view implements it beside its QAbstractScrollArea base).
/// The style finds it above a scroll bar, through the scroll area's bar container, and draws
/// that bar skinned only while `drawsOnSkin` answers true.
class ZRSkinDrawingView {
public:
    virtual ~ZRSkinDrawingView() = default;
    /// True when the view draws on its skinned parent's composed image.
    virtual bool drawsOnSkin() const = 0;
    /// While drawing on the skin: has the skinned parent compose its background under
    /// `region` (view coordinates). Otherwise nothing.
    virtual void composeParentRegion(const QRegion& region) = 0;
};
