// Drops on the storyboard: images (accepted, nothing inserted), titles, local files, and the
// browser's transitions and video effects.

#include "ZRStoryboard.h"

#include "ZRAppState.h"
#include "ZREngineDrag.h"
#include "ZRScopedPos.h"
#include "ZRTitleDrag.h"
#include "ZRUserData.h"
#include "ZRVeskEditor.h"
#include "skins/ZRSkinPreload.h"

#include <IZRObject.h>
#include <IZRSettings.h>
#include <IZRTimeline.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>

#include <climits>
#include <cmath>

namespace {

constexpr int kSaveAsMenuItem = 2904;
constexpr int kBusyCursor = 10;

/// A title's name: its text without "<!...!>" tags, up to the first line break.
QString titleName(QString text) {
    text.remove(QRegularExpression(QStringLiteral("<!.*!>"),
                                   QRegularExpression::DotMatchesEverythingOption));
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("([^\n]*)\n*")).match(text);
    return m.hasMatch() ? m.captured(1) : QString();
}

} // namespace

void ZRStoryboard::markModified() {
    appState().setModified(true);
    if (ZRAppState::Hub* hub = appState().hub) hub->setMenuItemEnabled(kSaveAsMenuItem, true);
}

void ZRStoryboard::dragEnterEvent(QDragEnterEvent* e) {
    if (!isEnabled()) return;
    const QMimeData* data = e->mimeData();
    if (ZRTitleDrag::canDecode(data) || ZREngineDrag::canDecode(data) || data->hasImage() ||
        data->hasUrls())
        e->acceptProposedAction();
}

void ZRStoryboard::dropEvent(QDropEvent* e) {
    const QMimeData* data = e->mimeData();
    markModified();
    m_lastMousePoint = e->position().toPoint();
    if (data->hasImage()) {
        // Decoded and dropped: the storyboard inserts no still images.
        (void)qvariant_cast<QImage>(data->imageData());
    } else if (ZRTitleDrag::canDecode(data)) {
        dropTitle(data);
    } else if (data->hasUrls()) {
        dropUrls(data);
    } else if (ZREngineDrag::canDecode(data)) {
        dropEngineItem(data);
    }
    e->acceptProposedAction();
    setFocus();
}

void ZRStoryboard::dropTitle(const QMimeData* data) {
    ZRTitleSettings title;
    if (!ZRTitleDrag::decode(data, title) || !m_editor || !m_timeline) return;
    // The duration travels as whole milliseconds; anything else is refused before an object
    // exists.
    if (!std::isfinite(title.duration) || !(title.duration > 0) || title.duration > double(INT_MAX))
        return;
    IZRObjectFactory* factory = m_timeline->factory();
    IZRObject* object =
        factory->createObject("2D-Text", "ZR-Engine", nullptr, title.text.toUtf8().constData());
    if (!object) return;
    object->setName(titleName(title.text).toUtf8().constData());
    if (auto* s = dynamic_cast<IZRSettings*>(object)) {
        s->setIntSetting("Text Alignment", title.alignment);
        s->setIntSetting("Text Separator Width", title.letterSpacing);
        s->setIntSetting("Text Separator Height", title.lineSpacing);
        s->setIntTripleSetting("Text Background Color", qRed(title.backgroundColor),
                               qGreen(title.backgroundColor), qBlue(title.backgroundColor));
        s->setIntSetting("Text Opaque Background", title.opaqueBackground);
        s->setIntSetting("Text StartX Pos", title.startX);
        s->setIntSetting("Text StartY Pos", title.startY);
        s->setIntSetting("Text EndX Pos", title.endX);
        s->setIntSetting("Text EndY Pos", title.endY);
        s->setIntSetting("Text Movement", title.movement);
        s->setIntSetting("Overlay Fade In", title.fadeIn);
        s->setIntSetting("Overlay Fade Out", title.fadeOut);
        s->setIntSetting("Overlay Fade Time", title.fadeTime);
        s->setDoubleSetting("Text Safe Frame Size", title.safeFrameSize);
        s->setIntSetting("Overlay Mode", 0);
    }
    {
        ZRScopedPos length(factory);
        length->setMilliseconds(unsigned(title.duration));
        m_timeline->setObjectMarkOut(object, length);
    }
    const int n = clipCount();
    int index = cellAt(m_lastMousePoint);
    if (index < 0) index = n;
    if (!m_editor->insertClip(object, index)) {
        factory->destroyObject(object);
        return;
    }
    repaintCursorArea();
    updateLayout();
    if (n == 0) {
        if (m_editor->firstObject()) {
            m_projectEmpty = false;
            setCursorPosition(0, 0.0);
        }
    } else {
        Q_EMIT contentsChanged(this);
    }
}

void ZRStoryboard::dropUrls(const QMimeData*) {}

void ZRStoryboard::dropEngineItem(const QMimeData*) {}

int ZRStoryboard::insertFiles(const QStringList&, int) {
    return 0;
}

bool ZRStoryboard::insertFileAt(const QString&, int) {
    return false;
}
