// The three thumbnails of each clip: its first frame large and small, its last frame small. The
// engine renders straight into the images' pixels; the small first frame is scaled from the large.
#include "editor/ZRChainLinks.h"
#include "editor/ZRScopedPos.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRImage.h"
#include "engine/api/IZRTimeline.h"
#include "platform/scaler/SRScaler.h"

using namespace chainlinks;

namespace {

// The engine's fourth byte is no picture alpha: the images are opaque RGB32 (bytes B, G, R, X).
void ensureImage(QImage& image, const QSize& size) {
    if (image.size() != size || image.format() != QImage::Format_RGB32)
        image = QImage(size, QImage::Format_RGB32);
}

} // namespace

void ZRVeskEditor::renderThumbnails(IZRObject* object, IZRPos* scratch) {
    ZRVideoUserData* record = clip(object);
    if (!record || m_largeThumbSize.isEmpty() || m_smallThumbSize.isEmpty()) return;
    ensureImage(record->largeFirstFrame, m_largeThumbSize);
    ensureImage(record->smallFirstFrame, m_smallThumbSize);
    ensureImage(record->smallLastFrame, m_smallThumbSize);
    QImage& large = record->largeFirstFrame;
    QImage& smallFirst = record->smallFirstFrame;
    QImage& smallLast = record->smallLastFrame;

    IZRImage* last = factory()->createEmptyImage();
    IZRImage* big = factory()->createEmptyImage();
    last->attach(smallLast.bits(), smallLast.width(), smallLast.height(),
                 int(smallLast.bytesPerLine()));
    big->attach(large.bits(), large.width(), large.height(), int(large.bytesPerLine()));

    scratch->assign(object->markIn());
    object->renderVideo(scratch, big);
    if (!SRScaler_FourCC_BGRA(0, kFourCC_BGRA, big->pixels(), big->stride(), big->width(),
                              big->height(), smallFirst.bits(), int(smallFirst.bytesPerLine()),
                              smallFirst.width(), smallFirst.height(), 0, 1))
        smallFirst.fill(0);

    scratch->assign(object->markOut());
    scratch->decrement();
    object->renderVideo(scratch, last);

    factory()->destroyImage(last);
    factory()->destroyImage(big);
}

void ZRVeskEditor::updateThumbnails(IZRObject* from, IZRObject* to) {
    if (!m_timeline || !from || !to) return;
    ZRScopedPos scratch(factory());
    for (IZRObject* object = from; object; object = next(object)) {
        renderThumbnails(object, scratch);
        if (object == to) break;
    }
}

void ZRVeskEditor::updateThumbnail(IZRObject* object) {
    updateThumbnails(object, object);
}
