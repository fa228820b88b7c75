// Drops on the storyboard: images (accepted, nothing inserted), titles, local files, and the
// browser's transitions and video effects.

#include "views/ZRStoryboard.h"

#include "classes/skins/ZRSkinPreload.h"
#include "editor/ZRAppState.h"
#include "editor/ZREngineDrag.h"
#include "editor/ZRScopedPos.h"
#include "editor/ZRTitleDrag.h"
#include "editor/ZRUserData.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRTitleObject.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>

#include <climits>
#include <cmath>

namespace {

constexpr int kSaveAsMenuItem = 2904;
constexpr int kBusyCursor = 10;

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
    } else if (ZRTitleSettings title; ZRTitleDrag::decode(data, title)) {
        dropTitle(title);
    } else if (data->hasUrls()) {
        dropUrls(data);
    } else if (ZREngineDrag::canDecode(data)) {
        dropEngineItem(data);
    }
    e->acceptProposedAction();
    setFocus();
}

void ZRStoryboard::dropTitle(const ZRTitleSettings& title) {
    if (!m_editor || !m_timeline) return;
    IZRObjectFactory* factory = m_timeline->factory();
    IZRObject* object = createTitleObject(m_timeline, title, title.opaqueBackground, 0);
    if (!object) return;
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

void ZRStoryboard::dropUrls(const QMimeData* data) {
    QStringList files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) files.append(url.toLocalFile());
    if (!files.isEmpty()) insertFiles(files, cellAt(m_lastMousePoint));
    ZRAppState::Hub* hub = appState().hub;
    IZRObject* current = hub ? hub->currentObject() : nullptr;
    ZRUserData* record = current ? ZRUserData::of(current) : nullptr;
    if (record && m_editor && m_editor->indexOf(current) >= 0) {
        m_currentCell = record->number;
        setCursorPosition(m_currentCell, m_currentFraction);
        Q_EMIT objectChanged(current, this);
    }
}

void ZRStoryboard::dropEngineItem(const QMimeData* data) {
    int id = 0;
    QString kind, group, name;
    if (!ZREngineDrag::decode(data, id, kind, group, name) || !m_editor || !m_timeline) return;
    const int index = cellAt(m_lastMousePoint);
    const int n = clipCount();
    int t = insertionIndexAt(m_lastMousePoint);
    if (t >= n) t = -1;
    IZRObjectFactory* factory = m_timeline->factory();
    const QByteArray k = kind.toUtf8(), g = group.toUtf8(), m = name.toUtf8();
    if (kind == QLatin1String("Transition")) {
        // The last clip takes no transition: a drop right of its middle gives nothing.
        if (t < 0 || t >= n - 1) return;
        IZRObject* object =
            factory->createObject(k.constData(), g.constData(), m.constData(), nullptr);
        if (!object) return;
        ZRScopedPos length(factory);
        length->setTotalFrames(5000);
        m_timeline->setObjectMarkOut(object, length);
        if (!m_editor->setTransition(t, object)) {
            factory->destroyObject(object);
            return;
        }
        QRect changed =
            ZRStoryboardGeometry::transitionBox(t) | ZRStoryboardGeometry::transitionBox(t + 1);
        if (index >= 0) changed |= ZRStoryboardGeometry::cell(index);
        if (index > 0) changed |= ZRStoryboardGeometry::transitionBox(index - 1);
        update(onScreen(changed).intersected(m_contentRect));
        Q_EMIT contentsChanged(this);
    } else if (kind == QLatin1String("Video Effect") && index >= 0 && index < n) {
        ZREffect* effect = factory->createEffect(k.constData(), g.constData(), m.constData());
        if (!effect) return;
        if (!m_editor->setEffect(index, effect)) {
            factory->destroyEffect(effect);
            return;
        }
        repaintCell(index);
        Q_EMIT contentsChanged(this);
    }
}

int ZRStoryboard::insertFiles(const QStringList& files, int index) {
    if (QCursor* busy = skinCursor(kBusyCursor))
        QApplication::setOverrideCursor(*busy);
    else
        QApplication::setOverrideCursor(Qt::BusyCursor);
    const bool wasEmpty = clipCount() == 0;
    int inserted = 0;
    QString refused; // the first file refused, with its reason
    try {
        int at = index;
        for (const QString& file : files) {
            m_refusal.clear();
            if (insertFileAt(file, index < 0 ? -1 : at))
                ++inserted;
            else if (refused.isEmpty())
                refused = tr("'%1': %2").arg(QFileInfo(file).fileName(), m_refusal);
            if (index >= 0) ++at;
        }
    } catch (...) {
        qWarning("Exception in decode UrlDrag");
    }
    if (inserted > 0) {
        markModified();
        if (hasClips()) m_projectEmpty = false;
        repaintCursorArea();
        updateLayout();
        ZRAppState::Hub* hub = appState().hub;
        if (wasEmpty) {
            if (m_editor->firstObject() && ZRUserData::of(m_editor->firstObject()))
                setCursorPosition(0, 0.0);
        } else if (hub && hub->currentObject()) {
            Q_EMIT objectChanged(hub->currentObject(), this);
        }
    }
    if (!refused.isEmpty()) {
        // The user must learn which file was refused and why, also when the same text was the
        // last one shown: the hover texts' repeat filter does not apply.
        const QString text =
            (inserted > 0 ? tr("Not inserted") : QStringLiteral("Error: no objects inserted")) +
            QLatin1String(" (") + refused + QLatin1Char(')');
        m_lastStatusText = text;
        Q_EMIT status_message(text, 0);
    } else if (inserted == 0) {
        setStatusText(QStringLiteral("Error: no objects inserted"), 0);
    }
    QApplication::restoreOverrideCursor();
    updateHoverCursor();
    return inserted;
}

bool ZRStoryboard::insertFileAt(const QString& file, int index) {
    const auto refuse = [this](const QString& reason) {
        m_refusal = reason;
        return false;
    };
    if (!m_editor || !m_timeline) return refuse(tr("there is no project"));
    const int n = clipCount();
    if (index < 0) index = n;
    if (index > n) return refuse(tr("there is no cell there"));
    // The reasons the system can tell are told before the engine is asked.
    const QFileInfo info(file);
    if (!info.exists()) return refuse(tr("the file does not exist"));
    if (!info.isFile()) return refuse(tr("not a regular file"));
    if (!info.isReadable()) return refuse(tr("the file cannot be read (permission denied)"));
    IZRObject* clip = m_editor->importFile(file);
    if (!clip) return refuse(tr("not a video, picture or sound file that can be read"));
    // An object that does not become a clip is not kept.
    if (!clip->hasVideo()) {
        m_timeline->factory()->destroyObject(clip);
        return refuse(tr("it has no picture"));
    }
    if (!m_editor->insertClip(clip, index)) {
        m_timeline->factory()->destroyObject(clip);
        return refuse(tr("it cannot be inserted there"));
    }
    return true;
}
