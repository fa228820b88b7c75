// The titles page's preview: the edited title rendered by the engine into the preview image,
// shown by the text preview over the main window's preview frame.
#include "browser/ZRBrowserTitlesView.h"

#include "browser/ZRTextPreview.h"
#include "classes/widgets/ZRPushButton.h"
#include "engine/api/IZRImage.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRPos.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRSBPreviewFrame.h"

namespace {

IZRSettings* settingsOf(IZRObject* object) {
    return dynamic_cast<IZRSettings*>(object);
}

void rewind(IZRPos* position) {
    position->set(0, 0, 0, 0, position->framerate());
}

} // namespace

QRegion ZRBrowserTitlesView::previewRegion() const {
    return m_textPreview ? QRegion(m_textPreview->rect()) : QRegion();
}

void ZRBrowserTitlesView::previewWhole() {
    generatePreview(previewRegion());
}

void ZRBrowserTitlesView::setPreviewButtonText(const QString& text) {
    m_preview->setText(text);
}

// The preview covers the content of the main window's preview frame, the player's picture.
void ZRBrowserTitlesView::placeTextPreview() {
    if (!m_textPreview) return;
    QWidget* frame = m_textPreview->parentWidget();
    auto* previewFrame = qobject_cast<ZRSBPreviewFrame*>(frame);
    m_textPreview->setGeometry(previewFrame ? previewFrame->contentRect()
                                            : (frame ? frame->rect() : QRect()));
    m_textPreview->raise();
}

// The image that was shown goes back to the engine first; an empty preview makes none.
void ZRBrowserTitlesView::recreatePreviewImage() {
    if (!m_engine || !m_textPreview) return;
    IZRObjectFactory* factory = m_engine->factory();
    if (m_image) {
        m_textPreview->present(nullptr, false, QRect(), QRegion());
        factory->destroyImage(m_image);
        m_image = nullptr;
    }
    const QSize size = m_textPreview->size();
    if (size.isEmpty()) return;
    m_image = factory->createImage(size.width(), size.height(), 0);
}

void ZRBrowserTitlesView::previewClicked() {
    if (!m_pos) return;
    rewind(m_pos);
    if (!m_timer.isActive()) {
        m_timer.start(kPreviewInterval);
        setPreviewButtonText(tr("Stop Preview"));
    } else {
        m_timer.stop();
        previewWhole();
        setPreviewButtonText(tr("Preview"));
    }
}

void ZRBrowserTitlesView::preview() {
    IZRPos* duration = m_edited ? m_edited->duration() : nullptr;
    if (!m_pos || !duration) {
        m_timer.stop();
        return;
    }
    if (m_pos->toFrames() >= duration->toFrames() - 1) {
        m_timer.stop();
        rewind(m_pos);
        previewWhole();
        setPreviewButtonText(tr("Preview"));
        return;
    }
    m_pos->increment();
    previewWhole();
}

// "Text Size Ratio" is left alone: the engine sizes a title to a target of another height
// itself, and a ratio written here would scale the title twice.
void ZRBrowserTitlesView::generatePreview(const QRegion& region) {
    if (m_suppressed || !m_edited || !m_image || !m_pos || !m_textPreview) return;
    IZRSettings* s = settingsOf(m_edited);
    if (!s) return;
    int opaque = 0;
    s->getIntSetting("Text Opaque Background", &opaque);

    m_image->lock();
    if (unsigned char* pixels = m_image->pixels()) {
        for (int y = 0; y < m_image->height(); ++y) {
            unsigned char* line = pixels + ptrdiff_t(y) * m_image->stride();
            for (int x = 0; x < m_image->width(); ++x)
                line[size_t(x) * 4 + 3] = 0;
        }
    }
    m_image->unlock();

    int fadeIn = 0, fadeOut = 0;
    s->getIntSetting("Overlay Fade In", &fadeIn);
    s->getIntSetting("Overlay Fade Out", &fadeOut);
    const bool running = m_timer.isActive();
    if (!running) {
        IZRPos* duration = m_edited->duration();
        if (m_end->isChecked() && duration) {
            m_pos->assign(duration);
            m_pos->decrement();
        } else {
            rewind(m_pos);
        }
        // A still frame shows the title unfaded.
        s->setIntSetting("Overlay Fade In", 0);
        s->setIntSetting("Overlay Fade Out", 0);
    }
    m_edited->renderVideo(m_pos, m_image);
    const QRect safeArea = running ? QRect() : ZRTextPreview::safeAreaFor(m_textPreview->size());
    m_textPreview->present(m_image, opaque != 0, safeArea, region);
    if (!running) {
        s->setIntSetting("Overlay Fade In", fadeIn);
        s->setIntSetting("Overlay Fade Out", fadeOut);
    }
}
