#include "classes/widgets/ZRFrame.h"

#include "classes/painting/ZRImagePainting.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRFontTag.h"

#include <QResizeEvent>

ZRFrame::ZRFrame(QDict<PSDLayerSet>* skin, QWidget* parent, const char* name, Qt::WindowFlags flags)
    : QSBWidget(parent, name, flags) {
    const ZRFontTag font = translatedFontTag("ZRFrame", "<name>ariblk.ttf</name><size>10</size>");
    m_caption.setFont(font.name, font.pointSize);
    setFrameSkin(skin);
}

ZRFrame::ZRFrame(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : ZRFrame(nullptr, parent, name, flags) {
    m_caption.setColor(QColor::fromRgba(0xFFFFFFFFu));
    setFrameSkin(preloadedSkinSets("preview_frame"));
}

ZRFrame::~ZRFrame() = default;

void ZRFrame::setFrameSkin(QDict<PSDLayerSet>* skin) {
    PSDLayerSet* frame = skin ? skin->find(QStringLiteral("frame")) : nullptr;
    m_box.setSkin(frame ? &frame->layers : nullptr);
    if (frame) setMinimumSize(frame->bounds.size());
    updateLayout();
}

void ZRFrame::updateLayout() {
    m_box.setGeometry(rect());
    m_outerRect = m_box.fillRect().adjusted(-5, -5, 5, 5);
    m_captionRect = QRect(captionPosition(), m_caption.image() ? m_caption.size() : QSize(0, 0));
}

QString ZRFrame::caption() const {
    return m_caption.text();
}

QString ZRFrame::captionFontName() const {
    return m_caption.fontName();
}

int ZRFrame::captionFontSize() const {
    return m_caption.fontSize();
}

QColor ZRFrame::captionColor() const {
    return m_caption.color();
}

void ZRFrame::setCaption(const QString& text) {
    m_caption.setText(text);
    captionChanged();
}

void ZRFrame::setCaptionFontName(const QString& name) {
    m_caption.setFont(name, m_caption.fontSize());
    captionChanged();
}

void ZRFrame::setCaptionFontSize(int size) {
    m_caption.setFont(m_caption.fontName(), size);
    captionChanged();
}

void ZRFrame::setCaptionColor(const QColor& colour) {
    m_caption.setColor(colour);
    captionChanged();
}

void ZRFrame::captionChanged() {
    if (isVisible()) update();
}

void ZRFrame::resizeEvent(QResizeEvent* e) {
    QSBWidget::resizeEvent(e);
    updateLayout();
}

void ZRFrame::composeBackground(int x, int y, int w, int h) {
    QSBWidget::composeBackground(x, y, w, h);
    QImage* target = composedImage();
    if (!target || target->isNull()) return;
    const QRect r = QRect(x, y, w, h).intersected(rect());
    if (r.isEmpty()) return;
    const QPoint offset = mapPointToSkinRoot(QPoint(0, 0));
    m_box.drawInto(QRegion(r), *target, offset);
    if (const QImage* text = m_caption.image())
        blendImageClipped(QRegion(r.translated(offset)), *target, captionPosition() + offset,
                          *text);
}
