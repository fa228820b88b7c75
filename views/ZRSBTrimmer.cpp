#include "views/ZRSBTrimmer.h"

#include "classes/painting/ZRImagePainting.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/text/ZRTextImage.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRSlider.h"
#include "classes/widgets/ZRTCWidget.h"
#include "editor/ZRAppState.h"
#include "editor/ZRClipMarks.h"
#include "editor/ZREngineKeys.h"
#include "editor/ZRUserData.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRSBVideoView.h"

#include <QEvent>

#include <cmath>

namespace {

constexpr int kWidth = 128;
constexpr int kHeight = 256;
constexpr int kGrooveMargin = 3;
constexpr uint32_t kOutlineColour = 0xFFDDDDDD;
const char* const kPauseKey = enginekeys::kPauseBackgroundRendering;

// Rectangles of the tables are given as x1, y1, x2, y2.
QRect corners(int x1, int y1, int x2, int y2) {
    return QRect(QPoint(x1, y1), QPoint(x2, y2));
}

QDict<PSDLayer>* layersOf(const char* file, const char* set) {
    QDict<PSDLayerSet>* sets = preloadedSkinSets(file);
    PSDLayerSet* found = sets ? sets->find(QString::fromLatin1(set)) : nullptr;
    return found ? &found->layers : nullptr;
}

ZRVideoUserData* clipRecord(IZRObject* object) {
    ZRUserData* data = ZRUserData::of(object);
    return data && data->kind == ZRUserData::Video ? static_cast<ZRVideoUserData*>(data) : nullptr;
}

} // namespace

ZRSBTrimmer::ZRSBTrimmer(int side, QWidget* parent, const char* name)
    : QSBWidget(parent, name), m_side(side) {
    const bool left = side == 0;
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(kWidth, kHeight);
    m_box.setSkin(layersOf("trimmer_base", left ? "left_part" : "right_part"));

    m_currentViewRect = corners(9, 30, 118, 113);
    m_currentSliderRect = corners(8, 120, 119, 131);
    m_neighbourViewRect = left ? corners(57, 158, 118, 202) : corners(9, 158, 72, 202);
    m_neighbourSliderRect = left ? corners(56, 210, 119, 221) : corners(8, 210, 71, 221);
    m_jumpRect = left ? corners(20, 173, 38, 191) : corners(88, 173, 106, 191);

    QDict<PSDLayerSet>* sliderSkin = preloadedSkinSets("zrslider");
    m_currentSlider = new ZRSlider(sliderSkin, left, this);
    m_currentSlider->setToolTip(left ? tr("Current Clip Start") : tr("Current Clip End"));
    m_neighbourSlider = new ZRSlider(sliderSkin, !left, this);
    m_neighbourSlider->setToolTip(left ? tr("Previous Clip End") : tr("Next Clip Start"));
    for (ZRSlider* slider : {m_currentSlider, m_neighbourSlider}) {
        connect(slider, &ZRSlider::valueChanged, this, &ZRSBTrimmer::setMarkInOut);
        connect(slider, &ZRSlider::sliderDragging, this, &ZRSBTrimmer::sliderMoved);
    }

    m_jumpButton =
        new ZRPushButton(this, layersOf("jump_buttons", left ? "previous" : "next"), false);
    m_jumpButton->setToolTip(left ? tr("Jump Back") : tr("Jump Forward"));
    connect(m_jumpButton, &QPushButton::pressed, this, &ZRSBTrimmer::changeClip);

    // The skins and the slots cross: "frame_forward" steps the knob back and the other way
    // round, as the slider of each side runs.
    m_frameForward = new ZRPushButton(this, layersOf("frame_bw_fw", "frame_forward"), false);
    m_frameForward->setToolTip(tr("Frame Forward"));
    connect(m_frameForward, &QPushButton::clicked, this, &ZRSBTrimmer::slotFrameBackward);
    m_frameBackward = new ZRPushButton(this, layersOf("frame_bw_fw", "frame_backward"), false);
    m_frameBackward->setToolTip(tr("Frame Back"));
    connect(m_frameBackward, &QPushButton::clicked, this, &ZRSBTrimmer::slotFrameForward);
    for (ZRPushButton* button : {m_frameForward, m_frameBackward}) {
        button->setAutoRepeat(true);
        button->setAutoRepeatAccelerating(true);
    }

    m_currentView = new ZRSBVideoView(this);
    m_neighbourView = new ZRSBVideoView(this);
    m_timecode = new ZRTCWidget(preloadedSkinLayers("timecode"), this);
    m_caption =
        std::make_unique<ZRTextImage>(left ? tr("PREVIOUS") : tr("NEXT"), QColor(221, 221, 221),
                                      QStringLiteral("arial.ttf"), 8, 0.0f);
    setEnabled(false);
    resize(kWidth, kHeight);
}

ZRSBTrimmer::~ZRSBTrimmer() {
    releasePositions();
}

void ZRSBTrimmer::releasePositions() {
    if (!m_timeline) return;
    IZRObjectFactory* factory = m_timeline->factory();
    factory->destroyPos(m_oneFrame);
    factory->destroyPos(m_oneSecond);
    factory->destroyPos(m_spare);
    m_oneFrame = m_oneSecond = m_spare = nullptr;
}

void ZRSBTrimmer::resizeEvent(QResizeEvent* e) {
    QSBWidget::resizeEvent(e);
    m_box.setGeometry(rect());
    m_currentView->setGeometry(m_currentViewRect);
    m_neighbourView->setGeometry(m_neighbourViewRect);
    m_currentSlider->setGeometry(m_currentSliderRect);
    m_neighbourSlider->setGeometry(m_neighbourSliderRect);
    for (ZRSlider* slider : {m_currentSlider, m_neighbourSlider})
        slider->setMargins(kGrooveMargin, kGrooveMargin);
    m_jumpButton->setGeometry(m_jumpRect);
    m_timecode->move(m_side == 0 ? QPoint(51, 6) : QPoint(8, 6));

    // Frame-step buttons 5 pixels under the current slider, flush with its left (left trimmer)
    // or right edge (right trimmer).
    const int y = m_currentSliderRect.bottom() + 1 + 5;
    const int pair = m_frameForward->width() + m_frameBackward->width();
    int x = m_side == 0 ? m_currentSliderRect.left() : m_currentSliderRect.right() + 1 - pair;
    m_frameForward->move(x, y);
    x += m_frameForward->width();
    m_frameBackward->move(x, y);

    const QSize caption = m_caption->isValid() ? m_caption->size() : QSize(0, 0);
    const int cy = m_neighbourSliderRect.bottom() + 1 + 5;
    const int cx = m_side == 0 ? m_neighbourSliderRect.right() + 1 - caption.width()
                               : m_neighbourSliderRect.left();
    m_captionRect = QRect(QPoint(cx, cy), caption);
    m_currentOutline = m_currentViewRect.adjusted(-1, -1, 1, 1);
    m_neighbourOutline = m_neighbourViewRect.adjusted(-1, -1, 1, 1);
}

void ZRSBTrimmer::composeBackground(int x, int y, int w, int h) {
    QSBWidget::composeBackground(x, y, w, h);
    QImage* image = composedImage();
    const QRect r = QRect(x, y, w, h).intersected(rect());
    if (!image || image->isNull() || r.isEmpty()) return;
    const QPoint root = mapPointToSkinRoot(QPoint(0, 0));
    const QRegion clip(r.translated(root));
    m_box.drawInto(clip, *image, rect().translated(root));
    fillImageClipped(clip, *image, m_currentOutline.translated(root), kOutlineColour, 1);
    fillImageClipped(clip, *image, m_neighbourOutline.translated(root), kOutlineColour, 1);
    if (m_caption->isValid())
        blendImageClipped(clip, *image, m_captionRect.topLeft() + root, *m_caption->image());
}

ZRClipMarks* ZRSBTrimmer::marks() const {
    return dynamic_cast<ZRClipMarks*>(m_editor.data());
}

void ZRSBTrimmer::setTimeline(IZRTimeline* timeline) {
    releasePositions();
    m_timeline = timeline;
    if (timeline) {
        IZRObjectFactory* factory = timeline->factory();
        m_oneFrame = factory->createPosHMSF(0, 0, 0, 1);
        m_oneSecond = factory->createPosHMSF(0, 0, 1, 0);
        m_spare = factory->createPos();
    }
    m_previous = m_current = m_next = nullptr;
    m_currentView->setTimeline(timeline);
    m_neighbourView->setTimeline(timeline);
    m_editor = appState().editor;
}

double ZRSBTrimmer::lengthOf(IZRObject* clip) const {
    return clip ? clip->sourceLength()->toFrames() - 1.0 : 0.0;
}

void ZRSBTrimmer::positionAlong(IZRObject* clip, double fraction, IZRPos* out) const {
    out->assign(clip->sourceLength());
    out->decrement();
    const double ms = out->toMilliseconds() * std::clamp(fraction, 0.0, 1.0);
    out->setMilliseconds(unsigned(ms));
}

double ZRSBTrimmer::fractionOf(IZRPos* position, IZRObject* clip) const {
    const double len = lengthOf(clip);
    return len > 0 ? position->toFrames() / len : 0.0;
}

double ZRSBTrimmer::fractionFrom(ZRSlider* slider, double value) const {
    return slider->isReversed() ? 1.0 - value : value;
}

void ZRSBTrimmer::setSliderValue(ZRSlider* slider, double fraction) {
    slider->setValue(slider->isReversed() ? 1.0 - fraction : fraction);
}

void ZRSBTrimmer::setSliderMinimum(ZRSlider* slider, double fraction) {
    slider->setMinValue(slider->isReversed() ? 1.0 - fraction : fraction);
}

void ZRSBTrimmer::applySteps(ZRSlider* slider, IZRObject* clip) {
    const double len = lengthOf(clip);
    if (len <= 0 || !m_oneSecond) return;
    slider->setSteps(1.0 / len, m_oneSecond->toFrames() / len);
}

void ZRSBTrimmer::setCurrentEnabled(bool on) {
    m_currentSlider->setEnabled(on);
    m_frameForward->setEnabled(on);
    m_frameBackward->setEnabled(on);
}

void ZRSBTrimmer::setNeighbourEnabled(bool on) {
    m_neighbourView->setEnabled(on);
    m_neighbourSlider->setEnabled(on);
    m_jumpButton->setEnabled(on);
}

void ZRSBTrimmer::gotoObject(IZRObject* object, QWidget* sender) {
    if (m_timeline && object) updateObject(object, sender);
}

void ZRSBTrimmer::showCurrent(IZRPos* sourcePosition) {
    m_currentView->gotoPosition(m_current, sourcePosition, this);
    m_timecode->setTimeCode(sourcePosition);
}

void ZRSBTrimmer::updateObject(IZRObject* object, QWidget*) {
    ZRVideoUserData* record = clipRecord(object);
    if (!m_timeline || !record) return;
    m_current = object;
    m_previous = record->previous;
    m_next = record->next;

    setEnabled(true);
    m_currentView->setEnabled(true);
    const double len = lengthOf(m_current);
    setCurrentEnabled(len > 0);
    IZRPos* at = m_spare;
    if (m_side == 0) {
        at->assign(m_current->markIn());
        showCurrent(at);
        if (len > 0) {
            m_spare->assign(m_current->markOut());
            m_spare->decrement();
            setSliderMinimum(m_currentSlider, fractionOf(m_spare, m_current));
            setSliderValue(m_currentSlider, fractionOf(m_current->markIn(), m_current));
        }
    } else {
        at->assign(m_current->markOut());
        at->decrement();
        showCurrent(at);
        if (len > 0) {
            setSliderMinimum(m_currentSlider, fractionOf(m_current->markIn(), m_current));
            setSliderValue(m_currentSlider, fractionOf(at, m_current));
        }
    }
    applySteps(m_currentSlider, m_current);
    loadNeighbour();
}

void ZRSBTrimmer::loadNeighbour() {
    IZRObject* neighbour = neighbourObject();
    if (!neighbour) {
        setNeighbourEnabled(false);
        return;
    }
    setNeighbourEnabled(true);
    m_neighbourSlider->setEnabled(lengthOf(neighbour) > 0);
    if (m_side == 0) {
        m_spare->assign(neighbour->markOut());
        m_spare->decrement();
        setSliderMinimum(m_neighbourSlider, fractionOf(neighbour->markIn(), neighbour));
        setSliderValue(m_neighbourSlider, fractionOf(m_spare, neighbour));
    } else {
        m_spare->assign(neighbour->markOut());
        m_spare->decrement();
        setSliderMinimum(m_neighbourSlider, fractionOf(m_spare, neighbour));
        setSliderValue(m_neighbourSlider, fractionOf(neighbour->markIn(), neighbour));
        m_spare->assign(neighbour->markIn());
    }
    m_neighbourView->gotoPosition(neighbour, m_spare, this);
    applySteps(m_neighbourSlider, neighbour);
}

void ZRSBTrimmer::updateSliderMinMax() {
    if (!m_spare) return;
    if (m_current && lengthOf(m_current) > 0) {
        if (m_side == 0) {
            m_spare->assign(m_current->markOut());
            m_spare->decrement();
            setSliderMinimum(m_currentSlider, fractionOf(m_spare, m_current));
        } else {
            setSliderMinimum(m_currentSlider, fractionOf(m_current->markIn(), m_current));
        }
    }
    IZRObject* neighbour = neighbourObject();
    if (neighbour && lengthOf(neighbour) > 0) {
        if (m_side == 0) {
            setSliderMinimum(m_neighbourSlider, fractionOf(neighbour->markIn(), neighbour));
        } else {
            m_spare->assign(neighbour->markOut());
            m_spare->decrement();
            setSliderMinimum(m_neighbourSlider, fractionOf(m_spare, neighbour));
        }
    }
}

void ZRSBTrimmer::deleteObject(IZRObject* object) {
    IZRObject*& neighbour = m_side == 0 ? m_previous : m_next;
    if (!object || object == neighbour) {
        neighbour = nullptr;
        m_neighbourView->deleteObject(object);
        m_neighbourView->gotoPosition(nullptr, nullptr, this);
        setNeighbourEnabled(false);
    }
    if (!object || object == m_current) {
        m_current = nullptr;
        m_currentView->deleteObject(object);
        m_currentView->gotoPosition(nullptr, nullptr, this);
        setCurrentEnabled(false);
    }
}

void ZRSBTrimmer::updateContents(QWidget* sender) {
    m_currentView->updateContents(sender);
    m_neighbourView->updateContents(sender);
}

void ZRSBTrimmer::suspendThread() {
    m_currentView->suspendThread();
    m_neighbourView->suspendThread();
}

void ZRSBTrimmer::resumeThread() {
    m_currentView->resumeThread();
    m_neighbourView->resumeThread();
}

void ZRSBTrimmer::slotFrameForward() {
    m_currentSlider->showSubtractStep();
    setMarkInOut(m_currentSlider, m_currentSlider->value());
}

void ZRSBTrimmer::slotFrameBackward() {
    m_currentSlider->showAddStep();
    setMarkInOut(m_currentSlider, m_currentSlider->value());
}

void ZRSBTrimmer::changeClip() {
    if (!m_timeline || !clipRecord(m_current)) return;
    IZRObject* neighbour = neighbourObject();
    if (!neighbour) return;
    Q_EMIT positionChanged(m_side == 0 ? neighbour->endPos() : neighbour->startPos(), this);
    Q_EMIT objectChanged(neighbour, nullptr);
}

void ZRSBTrimmer::sliderMoved(ZRSlider* slider, double value) {
    const bool neighbourSide = slider == m_neighbourSlider;
    IZRObject* clip = neighbourSide ? neighbourObject() : m_current;
    if (!m_spare || !clip || lengthOf(clip) <= 0) return;
    positionAlong(clip, fractionFrom(slider, value), m_spare);
    if (neighbourSide) {
        m_neighbourView->gotoPosition(clip, m_spare, this);
    } else {
        showCurrent(m_spare);
    }
}

bool ZRSBTrimmer::pauseRendering(bool on) {
    return m_timeline && m_timeline->settings()->setIntSetting(kPauseKey, on ? 1 : 0);
}

void ZRSBTrimmer::setMarkInOut(ZRSlider* slider, double value) {
    ZRClipMarks* editor = marks();
    const bool neighbourSide = slider == m_neighbourSlider;
    IZRObject* clip = neighbourSide ? neighbourObject() : m_current;
    if (!m_timeline || !editor || !clip || lengthOf(clip) <= 0) return;
    const double f = fractionFrom(slider, value);
    IZRObjectFactory* factory = m_timeline->factory();
    IZRPos* mark = factory->createPos();
    IZRPos* mainPos = factory->createPos();
    ZRAppState::Hub* hub = appState().hub;
    IZRPos* current = hub ? hub->currentPosition() : nullptr;
    if (current) mainPos->assign(current);

    pauseRendering(true);
    positionAlong(clip, f, mark);
    if (neighbourSide) {
        if (m_side == 0) {
            mark->increment();
            editor->setClipMarkOut(clip, mark);
            Q_EMIT refreshSlider();
            Q_EMIT markOutChanged(this, clip);
        } else {
            editor->setClipMarkIn(clip, mark);
            Q_EMIT refreshSlider();
            Q_EMIT markInChanged(this, clip);
        }
    } else {
        const bool wasWithin =
            current && *mainPos >= clip->startPos() && *mainPos <= clip->endPos();
        if (m_side == 0) {
            editor->setClipMarkIn(clip, mark);
            Q_EMIT refreshSlider();
            Q_EMIT markInChanged(this, clip);
            IZRPos* q = mainPos;
            if (!wasWithin || *mainPos < clip->startPos())
                q = clip->startPos();
            else if (*mainPos > clip->endPos())
                q = clip->endPos();
            Q_EMIT positionChanged(q, this);
            showCurrent(clip->markIn());
        } else {
            IZRPos* shown = factory->createPos();
            shown->assign(mark);
            mark->increment();
            editor->setClipMarkOut(clip, mark);
            Q_EMIT refreshSlider();
            Q_EMIT markOutChanged(this, clip);
            const bool stillWithin =
                wasWithin && *mainPos >= clip->startPos() && *mainPos <= clip->endPos();
            Q_EMIT positionChanged(stillWithin ? mainPos : clip->endPos(), this);
            showCurrent(shown);
            factory->destroyPos(shown);
        }
    }
    pauseRendering(false);
    factory->destroyPos(mark);
    factory->destroyPos(mainPos);
}

void ZRSBTrimmer::slotMarkButtonClicked() {
    ZRClipMarks* editor = marks();
    ZRAppState::Hub* hub = appState().hub;
    IZRPos* position = hub ? hub->currentPosition() : nullptr;
    IZRObject* clip = m_current;
    if (!m_timeline || !editor || !clip || !position) return;
    // Only a position within the clip names one of its frames.
    if (*position < clip->startPos() || *position > clip->endPos()) return;
    IZRObjectFactory* factory = m_timeline->factory();
    IZRPos* mark = factory->createPos();
    mark->assign(position);
    mark->subtract(clip->startPos());
    mark->add(clip->markIn());

    pauseRendering(true);
    if (m_side == 0) {
        editor->setClipMarkIn(clip, mark);
        Q_EMIT markInChanged(this, clip);
    } else {
        editor->setClipMarkOut(clip, mark);
        Q_EMIT markOutChanged(this, clip);
    }
    pauseRendering(false);
    Q_EMIT refreshSlider();
    showCurrent(mark);
    factory->destroyPos(mark);
    if (lengthOf(clip) > 0) {
        if (m_side == 0) {
            setSliderValue(m_currentSlider, fractionOf(clip->markIn(), clip));
        } else {
            m_spare->assign(clip->markOut());
            m_spare->decrement();
            setSliderValue(m_currentSlider, fractionOf(m_spare, clip));
        }
    }
    updateSliderMinMax();
}

void ZRSBTrimmer::changeEvent(QEvent* e) {
    QSBWidget::changeEvent(e);
    if (e->type() != QEvent::EnabledChange || !isEnabled()) return;
    applySteps(m_currentSlider, m_current);
    applySteps(m_neighbourSlider, neighbourObject());
}
