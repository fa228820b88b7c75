#include "views/ZRTimecodeOverlay.h"

#include "classes/painting/ZRImagePainting.h"
#include "classes/pixels/ZRPixelRoutines.h"
#include "classes/text/ZRTextImage.h"
#include "engine/api/IZRImage.h"
#include "engine/api/IZRPos.h"

#include <QDebug>

#include <cstring>
#include <memory>
#include <mutex>

struct ZRTimecodeOverlay::Renderer {
    ZRTextImage text{QString(), QColor(255, 255, 255), QStringLiteral("ariblk.ttf"), 34, 0.0f};
};

namespace {

constexpr uint32_t kBoxColour = 0xC0464646;
constexpr uint32_t kBoxEdgeColour = 0xC0000000;
constexpr int kBoxMargin = 8;

std::mutex& rendererMutex() {
    static std::mutex m;
    return m;
}

// Guarded by rendererMutex().
ZRTimecodeOverlay::Renderer* g_renderer = nullptr;
const ZRTimecodeOverlay* g_owner = nullptr;

} // namespace

ZRTimecodeOverlay::ZRTimecodeOverlay() {
    auto renderer = std::make_unique<Renderer>();
    std::lock_guard lock(rendererMutex());
    delete g_renderer;
    g_renderer = renderer.release();
    g_owner = this;
}

ZRTimecodeOverlay::~ZRTimecodeOverlay() {
    std::lock_guard lock(rendererMutex());
    if (g_owner != this) return;
    delete g_renderer;
    g_renderer = nullptr;
    g_owner = nullptr;
}

QString ZRTimecodeOverlay::textOf(const IZRPos* p) {
    return QString::asprintf("%.2i:%.2i:%.2i.%.2i", p->hours(), p->minutes(), p->seconds(),
                             p->frames());
}

void ZRTimecodeOverlay::frame(const IZRPos* position, IZRImage* frame) {
    if (!position || !frame) return;
    try {
        std::lock_guard frameLock(*frame);
        drawInto(frame->pixels(), frame->width(), frame->height(), frame->stride(),
                 textOf(position));
    } catch (...) {
        qWarning("Exception in 'timecodeVideoCB'");
    }
}

void ZRTimecodeOverlay::drawInto(unsigned char* pixels, int w, int h, int stride,
                                 const QString& text) {
    if (!pixels || w <= 0 || h <= 0 || stride < w * 4) return;
    std::memset(pixels, 0, size_t(h) * size_t(stride));
    QImage target(pixels, w, h, stride, QImage::Format_ARGB32);
    const QRect frameRect(0, 0, w, h);

    std::lock_guard lock(rendererMutex());
    if (!g_renderer || !g_renderer->text.setText(text) || !g_renderer->text.isValid()) return;
    const QImage& image = *g_renderer->text.image();
    QRect textRect = image.rect();
    textRect.moveBottomRight(QPoint(w - 1 - w * 5 / 100, h - 1 - h * 5 / 100));
    const QRect box =
        textRect.adjusted(-kBoxMargin, -kBoxMargin, kBoxMargin, kBoxMargin).intersected(frameRect);
    if (!box.isEmpty()) {
        auto* first = reinterpret_cast<uint32_t*>(pixels + size_t(box.top()) * stride) + box.left();
        tintPixelRect(kBoxColour, first, stride, box.width(), box.height());
        fillPixelsBlended(first, stride, box.width(), box.height(), kBoxEdgeColour, 1);
    }
    blendImageAt(target, textRect.topLeft(), image, image.rect());
}
