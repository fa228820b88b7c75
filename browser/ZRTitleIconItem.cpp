#include "browser/ZRTitleIconItem.h"

#include "engine/api/IZRObjectFactory.h"
#include "engine/api/IZRTimeline.h"

ZRTitleIconItem::ZRTitleIconItem(ZRIconView* view, IZRTimeline* engine, IZRObject* object)
    : ZRIconViewItem(view), m_engine(engine), m_object(object) {}

ZRTitleIconItem::~ZRTitleIconItem() {
    setObject(nullptr);
}

void ZRTitleIconItem::setObject(IZRObject* object) {
    if (object == m_object) return;
    IZRObject* old = m_object;
    m_object = object;
    if (old && m_engine) m_engine->factory()->destroyObject(old);
}
