#include "views/ZRSBPreviewFrame.h"

#include "classes/painting/ZRImagePainting.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/text/ZRTextImage.h"
#include "classes/widgets/ZRSBText.h"
#include "classes/widgets/ZRTCWidget.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRSBPreview.h"

#include <QEvent>

namespace {

/// The content rectangle's corners.
const QRect kContent(QPoint(0, 0), QPoint(381, 284));

} // namespace

ZRSBPreviewFrame::ZRSBPreviewFrame(QWidget* parent, const char* name)
    : QSBWidget(parent, name), m_title(std::make_unique<ZRTextImage>()) {
    m_preview = new ZRSBPreview(this, "preview viewport");
    connect(m_preview, &ZRSBPreview::atPosition, this, &ZRSBPreviewFrame::gotoPosition);
    connect(m_preview, &ZRSBPreview::stateChanged, this, &ZRSBPreviewFrame::changeState);

    setAttribute(Qt::WA_OpaquePaintEvent);
    QDict<PSDLayerSet>* sets = preloadedSkinSets("preview_frame");
    PSDLayerSet* frame = sets ? sets->find(QStringLiteral("frame")) : nullptr;
    m_box.setSkin(frame ? &frame->layers : nullptr);
    if (PSDLayerSet* positions = sets ? sets->find(QStringLiteral("positions")) : nullptr) {
        m_positions = positions->bounds;
        m_positionsOrigin = QPoint(positions->originX, positions->originY);
    }
    m_box.setInnerGeometry(kContent);
    setFixedSize(m_box.boxRect().size());
    m_positionsRightGap = width() - 1 - m_positions.right();

    m_timecode = new ZRTCWidget(preloadedSkinLayers("timecode"), this);
    m_sizeLabel = new ZRSBText(preloadedSkinLayers("sbtext"), this);
    m_title->setText(tr("PLAYER"));
    m_preview->lower();
}

ZRSBPreviewFrame::~ZRSBPreviewFrame() = default;

IZRTimeline* ZRSBPreviewFrame::setTimeline(IZRTimeline* timeline) {
    m_preview->setTimeline(timeline);
    IZRTimeline* previous = m_timeline;
    if (!timeline) return previous;
    m_timeline = timeline;
    m_sizeText.clear();
    showVideoDimensions();
    m_sizeLabel->move(m_positions.left() + 75, m_positions.top() - 1);
    m_sizeLabel->show();
    return previous;
}

void ZRSBPreviewFrame::showVideoDimensions() {
    if (!m_timeline) return;
    int w = 0, h = 0;
    m_timeline->settings()->getIntPairSetting("Video Dimensions", &w, &h);
    const QString text = QStringLiteral("%1x%2").arg(w).arg(h);
    if (text == m_sizeText) return;
    m_sizeText = text;
    m_sizeLabel->setText(text, Qt::white);
}

void ZRSBPreviewFrame::showPreview(bool on) {
    if (m_preview->isEnabled() == on)
        m_preview->show();
    else
        m_preview->hide();
}

void ZRSBPreviewFrame::gotoPosition(IZRPos* position, QWidget* sender) {
    if (sender == this) return;
    if (!position) {
        m_timecode->setEnabled(false);
        m_preview->setEnabled(false);
        return;
    }
    if (!m_timecode->isEnabled()) m_timecode->setEnabled(true);
    m_timecode->setTimeCode(position);
    if (sender == m_preview) {
        Q_EMIT atPosition(position, this);
        return;
    }
    if (!m_preview->isEnabled()) m_preview->setEnabled(true);
    m_preview->gotoPosition(position, sender);
}

void ZRSBPreviewFrame::updateContents(QWidget* sender) {
    // New and Open change the project's format after the timeline was handed over.
    showVideoDimensions();
    if (m_preview->playState() != ZRSBPreview::Playing) m_preview->updateContents(sender);
}

void ZRSBPreviewFrame::deleteObject(IZRObject* object) {
    m_preview->deleteObject(object);
}

void ZRSBPreviewFrame::toggle_play_stop(bool) {
    if (m_preview->playState() == ZRSBPreview::Stopped)
        m_preview->play();
    else
        m_preview->stop();
}

void ZRSBPreviewFrame::rewind() {
    m_preview->rewind();
}

void ZRSBPreviewFrame::forward() {
    m_preview->forward();
}

void ZRSBPreviewFrame::framerew() {
    m_preview->framerew();
}

void ZRSBPreviewFrame::framefwd() {
    m_preview->framefwd();
}

void ZRSBPreviewFrame::loop() {
    m_preview->loop();
}

void ZRSBPreviewFrame::changeState() {
    Q_EMIT stateChanged();
}

void ZRSBPreviewFrame::resizeEvent(QResizeEvent* e) {
    QSBWidget::resizeEvent(e);
    m_positions.moveRight(width() - 1 - m_positionsRightGap);
    m_timecode->move((width() - m_timecode->width()) / 2, m_positions.top());
    m_sizeLabel->move(m_positions.left() + 75, m_positions.top() - 1);
    m_preview->setGeometry(m_box.fillRect().adjusted(-3, -3, 3, 3));
}

void ZRSBPreviewFrame::moveEvent(QMoveEvent* e) {
    QSBWidget::moveEvent(e);
    QWidget::update();
    m_preview->updateContents(this);
}

void ZRSBPreviewFrame::changeEvent(QEvent* e) {
    QSBWidget::changeEvent(e);
    if (e->type() == QEvent::EnabledChange) showPreview(isEnabled());
}

void ZRSBPreviewFrame::composeBackground(int x, int y, int w, int h) {
    QSBWidget::composeBackground(x, y, w, h);
    QImage* image = composedImage();
    const QRect r = QRect(x, y, w, h).intersected(rect());
    if (!image || image->isNull() || r.isEmpty()) return;
    const QPoint root = mapPointToSkinRoot(QPoint(0, 0));
    const QRegion clip(r.translated(root));
    // The box moves the region it is given by the offset itself: it takes widget coordinates.
    m_box.drawInto(QRegion(r), *image, root);
    if (m_title->isValid())
        blendImageClipped(clip, *image, m_positionsOrigin + root, *m_title->image());
}
