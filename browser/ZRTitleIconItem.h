#pragma once

#include "browser/ZRIconViewItem.h"

class IZRObject;
class IZRTimeline;

/// One finished title in the titles browser: an icon view item that owns its "2D-Text" engine
/// object. The picture is a 60 x 40 frame of the title; the text is its label. GUI thread only.
class ZRTitleIconItem : public ZRIconViewItem {
public:
    /// Appends the item to `view`; it takes `object` (may be null), which `engine`'s factory
    /// destroys with the item.
    ZRTitleIconItem(ZRIconView* view, IZRTimeline* engine, IZRObject* object);
    /// Destroys the object through the engine's factory when an engine is set.
    ~ZRTitleIconItem() override;

    IZRObject* object() const { return m_object; }
    IZRTimeline* engine() const { return m_engine; }
    /// Takes `object` in place of the one held (which is destroyed).
    void setObject(IZRObject* object);

private:
    IZRTimeline* m_engine;
    IZRObject* m_object;
};
