#include "browser/ZRBrowserIconView.h"

#include "browser/ZRBrowserIconViewItem.h"
#include "browser/ZRThumbnailWorker.h"
#include "classes/skins/ZRSkinPreload.h"
#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"
#include "editor/ZRScopedPos.h"
#include "engine/api/IZRImage.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRObjectFactory.h"
#include "engine/api/IZRTimeline.h"
#include "platform/segments/ZRSegmentList.h"
#include "views/ZRSBPreview.h"
#include "views/ZRWindowServices.h"

#include <QAbstractButton>
#include <QDir>
#include <QDrag>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QRegularExpression>
#include <QUrl>

namespace {

using Entry = ZRClipFolderStore::Entry;

constexpr int kFrameMargin = 2;
constexpr int kAnswerSliceMs = 8;
constexpr int kListSliceMs = 5;
// How long after a clip the engine could not read left its cell the grid closes up.
constexpr int kCloseGapsMs = 50;

enum SharedButton { NewFolderButton, CopyButton, PasteButton, RemoveButton };

const PSDLayer* skinLayer(const char* set, const char* layer) {
    const PSDLayerSet* layers = nullptr;
    if (QDict<PSDLayerSet>* sets = preloadedSkinSets("small_icon"))
        layers = sets->find(QLatin1String(set));
    return layers ? layers->layers.find(QLatin1String(layer)) : nullptr;
}

QByteArray& thumbnailBase() {
    static QByteArray folder;
    return folder;
}

ZRThumbnailWorker::Engine& thumbnailEngine() {
    static ZRThumbnailWorker::Engine engine;
    return engine;
}

QString caption() {
    return QStringLiteral("Clipstead 5");
}

void forceOpaque(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] |= 0xff000000u;
    }
}

/* ** The segment files a list owns: in its folder, named by the list's base name, digits and
   one extension ("cap01.avi" of "cap.ovl", as our DV export and the MPEG capture name them). A
   list naming any other file of its folder must not take that file with it. */
QStringList ownedSegments(const QString& listPath) {
    std::string error;
    const auto list =
        segments::ZRSegmentList::read(QFile::encodeName(listPath).toStdString(), &error);
    if (!list) return {};
    const QFileInfo info(listPath);
    const QRegularExpression owned(QStringLiteral("^") +
                                   QRegularExpression::escape(info.completeBaseName()) +
                                   QStringLiteral("\\d+\\.[^.]+$"));
    QStringList paths;
    for (const auto& entry : list->entries()) {
        const QString name = QString::fromStdString(entry.name);
        if (owned.match(name).hasMatch()) paths.append(QDir(info.absolutePath()).filePath(name));
    }
    return paths;
}

} // namespace

ZRBrowserIconView::ZRBrowserIconView(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : ZRIconView(parent, name, flags) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setSelectionMode(Extended);
    setResizeMode(Adjust);
    setWordWrapIconText(true);
    setAutoArrange(true);
    const QImage frame = frameImage();
    setGridX(frame.width() + 24);
    setGridY(frame.height() + 16);
    setSpacing(3);
    connect(this, qOverload<ZRIconViewItem*>(&ZRIconView::pressed), this,
            &ZRBrowserIconView::itemSelected);
    connect(this, &ZRIconView::doubleClicked, this, &ZRBrowserIconView::itemDoubleClicked);
    connect(this, qOverload<ZRIconViewItem*, const QString&>(&ZRIconView::itemRenamed), this,
            &ZRBrowserIconView::folderRenamed);
    connect(this, qOverload<>(&ZRIconView::selectionChanged), this,
            &ZRBrowserIconView::slotSelectionChanged);
    connect(&m_answerTimer, &QTimer::timeout, this, &ZRBrowserIconView::takeAnswers);
    m_listTimer.setSingleShot(true);
    connect(&m_listTimer, &QTimer::timeout, this, &ZRBrowserIconView::listMore);
    m_closeGaps.setSingleShot(true);
    m_closeGaps.setInterval(kCloseGapsMs);
    connect(&m_closeGaps, &QTimer::timeout, this, [this] {
        if (count() > 0) {
            arrangeItemsInGrid(true);
        } else {
            resizeContents(0, 0);
            viewport()->update();
        }
    });
}

ZRBrowserIconView::~ZRBrowserIconView() {
    if (m_previewSlider) m_previewSlider->removeEventFilter(this);
    connectButtons(false);
    // The worker's thread is joined before the items it answers for go.
    m_answerTimer.stop();
    m_listTimer.stop();
    m_closeGaps.stop();
    m_worker.reset();
    // The items go while this page is whole: their leaving the selection reaches no slot of a
    // page half destroyed.
    const QSignalBlocker quiet(this);
    clear();
}

void ZRBrowserIconView::setThumbnailBaseFolder(const QByteArray& folder) {
    thumbnailBase() = folder;
}

void ZRBrowserIconView::setThumbnailEngine(IZRTimeline* (*create)(IZRCallbacks*, const char*,
                                                                  unsigned),
                                           void (*destroy)(IZRTimeline*)) {
    thumbnailEngine() = {create, destroy};
}

ZRThumbnailWorker* ZRBrowserIconView::worker() {
    if (!m_workerTried && appState().timeline && thumbnailEngine().create) {
        m_workerTried = true;
        auto made = std::make_unique<ZRThumbnailWorker>(thumbnailEngine(), thumbnailBase());
        if (made->hasTimeline()) {
            m_worker = std::move(made);
            connect(m_worker.get(), &ZRThumbnailWorker::pictureReady, this,
                    &ZRBrowserIconView::queueAnswer);
        }
    }
    if (m_worker) {
        QSize area = m_thumbnailSize;
        if (!area.isValid() || area.isEmpty())
            area = frameImage().size() - QSize(2 * kFrameMargin, 2 * kFrameMargin);
        m_worker->setPictureSize(area);
    }
    return m_worker.get();
}

ZRClipFolderStore& ZRBrowserIconView::store() {
    // One store per settings object: it reads the timestamp keys once, not once a clip.
    QConfig* settings = appState().settings();
    if (!m_store || m_storeSettings != settings || (settings && !m_storeSettingsAlive)) {
        m_store = std::make_unique<ZRClipFolderStore>(settings);
        m_store->setThumbnailSize(frameImage().size());
        m_storeSettings = settings;
        m_storeSettingsAlive = settings;
    }
    return *m_store;
}

QImage ZRBrowserIconView::frameImage() const {
    if (const PSDLayer* layer = skinLayer("icons", "small_icon")) return layer->image;
    // Without the skin a plain frame keeps thumbnails the size the cache expects.
    QImage frame(64, 44, QImage::Format_ARGB32);
    frame.fill(qRgb(60, 60, 66));
    return frame;
}

QImage ZRBrowserIconView::folderImage() const {
    if (const PSDLayer* layer = skinLayer("icons", "closed_folder")) return layer->image;
    return frameImage();
}

QString ZRBrowserIconView::shownFolderName(const QString& name) {
    if (name == QLatin1String(ZRClipFolderStore::kCaptured)) return tr("Captured");
    if (name == QLatin1String(ZRClipFolderStore::kProduced)) return tr("Produced");
    return name;
}

void ZRBrowserIconView::refill() {
    m_listTimer.stop();
    m_toList.clear();
    clear();
    // Answers to the folder shown before are stale now.
    m_pending.clear();
    m_toRequest.clear();
    if (m_worker) m_worker->clear();
    // Queued answers of the old generation are dropped as they are taken, except those that
    // confirm a stored entry.
    const QList<Entry> entries = store().loadFolder(m_folderPath);
    m_toList.assign(entries.cbegin(), entries.cend());
    /* ** The first screen is listed now, the rest a slice at a time from the event loop: a
       folder of a thousand clips shows its first screen at once, not after the last clip. */
    listEntries(firstScreenCapacity(), -1);
    // Entries still to be confirmed lost their queued requests with the clear: asked again.
    for (auto it = m_unconfirmed.cbegin(); it != m_unconfirmed.cend(); ++it)
        if (!m_pending.contains(it.key())) m_toRequest.append(it.key());
    requestPictures();
    if (!m_toList.empty()) m_listTimer.start(0);
}

int ZRBrowserIconView::firstScreenCapacity() const {
    // Grid cells in sight, and a row beyond for a part-shown one; at least one row.
    const int cellWidth = std::max(1, gridX() + spacing());
    const int cellHeight = std::max(1, gridY() + spacing());
    const int columns = std::max(1, (visibleWidth() - spacing()) / cellWidth);
    const int rows = std::max(0, visibleHeight()) / cellHeight + 2;
    return columns * rows;
}

void ZRBrowserIconView::fillFirstScreen() {
    if (m_toList.empty()) return;
    const int missing = firstScreenCapacity() - count();
    if (missing <= 0) return;
    listEntries(missing, -1);
    requestPictures();
}

void ZRBrowserIconView::listEntries(int count, int sliceMs) {
    QElapsedTimer slice;
    slice.start();
    m_filling = true;
    for (int listed = 0; !m_toList.empty(); ++listed) {
        if (count >= 0 && listed >= count) break;
        if (sliceMs >= 0 && slice.elapsed() >= sliceMs) break;
        const Entry entry = m_toList.front();
        m_toList.pop_front();
        if (entry.kind == Entry::Clip) {
            addMediaItem(entry.text, false);
        } else {
            ZRBrowserIconViewItem::makeFolder(this, entry.text, shownFolderName(entry.text),
                                              entry.kind == Entry::UserFolder, folderImage());
        }
    }
    m_filling = false;
}

void ZRBrowserIconView::listMore() {
    listEntries(-1, kListSliceMs);
    requestPictures();
    if (!m_toList.empty()) m_listTimer.start(0);
}

void ZRBrowserIconView::finishListing() {
    if (m_toList.empty()) return;
    m_listTimer.stop();
    listEntries(-1, -1);
    requestPictures();
}

void ZRBrowserIconView::emitFolderState() {
    Q_EMIT folderChanged(!m_folderPath.isEmpty());
    Q_EMIT folderNameChanged(m_folderName);
}

void ZRBrowserIconView::setFolder(const QString& path) {
    m_folderPath = path;
    m_folderName = path.section(ZRClipFolderStore::kSeparator, -1);
    emitFolderState();
    refill();
}

void ZRBrowserIconView::addClip(const QString& path, bool storeEntry, bool expandLists) {
    if (path.isEmpty()) return;
    // A clip stored but not listed yet must be found shown, or it would be added twice.
    finishListing();
    if (expandLists && ZRClipFolderStore::isSegmentList(path)) {
        std::string error;
        const auto list =
            segments::ZRSegmentList::read(QFile::encodeName(path).toStdString(), &error);
        if (!list) return;
        for (const std::string& segment : list->readableSegments())
            addMediaItem(QString::fromStdString(segment), storeEntry);
        return;
    }
    addMediaItem(path, storeEntry);
}

void ZRBrowserIconView::addFile(const QString& folder, const QString& path, int kind) {
    // Refilling the folder shown would only ask again for the pictures on their way.
    if (folder != m_folderPath)
        setFolder(folder);
    else
        emitFolderState();
    finishListing();
    const QString full = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    if (findPath(full)) return;
    // Each clip shown is stored as it is added: a list stores the segments shown.
    addClip(full, true, kind != 0);
}

ZRBrowserIconViewItem* ZRBrowserIconView::findPath(const QString& fullPath) const {
    return m_clipItems.value(fullPath, nullptr);
}

ZRBrowserIconViewItem* ZRBrowserIconView::makeClipItem(const QString& fullPath,
                                                       const QImage& picture) {
    auto* item = ZRBrowserIconViewItem::makeClip(this, fullPath, picture);
    m_clipItems.insert(item->fullPath(), item);
    return item;
}

void ZRBrowserIconView::forgetClip(ZRBrowserIconViewItem* item) {
    const auto it = m_clipItems.constFind(item->fullPath());
    if (it != m_clipItems.constEnd() && it.value() == item) m_clipItems.erase(it);
}

void ZRBrowserIconView::addMediaItem(const QString& path, bool storeEntry) {
    const QString full = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    if (findPath(full)) return;
    ZRClipFolderStore& folders = store();
    QImage thumbnail;
    switch (folders.thumbnailFor(full, thumbnail)) {
    case ZRClipFolderStore::Cached::Valid:
        makeClipItem(full, thumbnail);
        if (storeEntry) folders.storeEntry(m_folderPath, full, false);
        return;
    case ZRClipFolderStore::Cached::FileMissing:
        return;
    case ZRClipFolderStore::Cached::Stale:
        break;
    }
    if (!QFileInfo(full).isFile()) return;
    if (worker()) {
        QImage bare = frameImage().convertToFormat(QImage::Format_ARGB32);
        forceOpaque(bare);
        makeClipItem(full, bare);
        m_pending.insert(full);
        if (storeEntry) {
            folders.storeEntry(m_folderPath, full, false);
            m_unconfirmed.insert(full, m_folderPath);
        }
        m_toRequest.append(full);
        if (!m_filling) requestPictures();
        return;
    }
    if (!thumbnailFor(full, thumbnail)) return;
    makeClipItem(full, thumbnail);
    if (storeEntry) folders.storeEntry(m_folderPath, full, false);
}

QStringList ZRBrowserIconView::pendingInSight() const {
    QStringList paths;
    const QRect sight(contentsX(), contentsY(), visibleWidth(), visibleHeight());
    for (ZRIconViewItem* item = firstItem(); item; item = item->nextItem()) {
        auto* clip = static_cast<ZRBrowserIconViewItem*>(item);
        if (!clip->isFolder() && clip->intersects(sight) && m_pending.contains(clip->fullPath()))
            paths.append(clip->fullPath());
    }
    return paths;
}

void ZRBrowserIconView::requestPictures() {
    if (m_toRequest.isEmpty() || !m_worker) return;
    m_worker->request(m_toRequest);
    m_toRequest.clear();
    m_worker->prioritise(pendingInSight());
}

void ZRBrowserIconView::scrollContentsBy(int dx, int dy) {
    ZRIconView::scrollContentsBy(dx, dy);
    if (m_worker && !m_pending.isEmpty()) m_worker->prioritise(pendingInSight());
}

void ZRBrowserIconView::queueAnswer(const QString& path, int result, const QImage& picture,
                                    quint64 generation) {
    m_answers.push_back({path, result, picture, generation});
    if (!m_answerTimer.isActive()) m_answerTimer.start(0);
}

void ZRBrowserIconView::takeAnswers() {
    // Answers arrive in bursts: a few milliseconds of them per pass keep the view responsive.
    QElapsedTimer slice;
    slice.start();
    while (!m_answers.empty() && slice.elapsed() < kAnswerSliceMs) {
        const Answer answer = std::move(m_answers.front());
        m_answers.pop_front();
        pictureReady(answer.path, answer.result, answer.picture, answer.generation);
    }
    if (m_answers.empty()) m_answerTimer.stop();
}

void ZRBrowserIconView::pictureReady(const QString& path, int result, const QImage& picture,
                                     quint64 generation) {
    if (!m_worker) return;
    const bool current = generation == m_worker->generation() && m_pending.contains(path);
    const auto unconfirmed = m_unconfirmed.constFind(path);
    const bool confirming = unconfirmed != m_unconfirmed.constEnd();
    if (!current && !confirming) return;
    const QString folder = confirming ? *unconfirmed : QString();
    if (confirming) m_unconfirmed.erase(unconfirmed);
    if (current) m_pending.remove(path);
    ZRBrowserIconViewItem* item = current ? findPath(path) : nullptr;
    ZRClipFolderStore& folders = store();
    if (result == ZRThumbnailWorker::Failed) {
        // A clip the engine cannot read shows nothing and keeps no entry; the clips after it
        // move up into its place.
        if (item && !m_closeGaps.isActive()) m_closeGaps.start();
        delete item;
        if (confirming) folders.removeClip(folder, path);
        return;
    }
    const QImage thumbnail =
        compose(result == ZRThumbnailWorker::Frame ? Made::Frame : Made::NoVideo, picture);
    if (item) item->setPixmap(thumbnail);
    const QFileInfo info(path);
    if (info.isFile()) folders.storeThumbnail(path, thumbnail, info.lastModified());
}

QImage ZRBrowserIconView::compose(Made made, const QImage& picture) const {
    QImage thumbnail = frameImage().convertToFormat(QImage::Format_ARGB32);
    QPainter painter(&thumbnail);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (made == Made::Frame) {
        const QSize room = thumbnail.size() - QSize(kFrameMargin, kFrameMargin);
        painter.drawImage(QPoint(kFrameMargin, kFrameMargin),
                          picture.copy(QRect(QPoint(0, 0), picture.size().boundedTo(room))));
    } else if (const PSDLayer* audio = skinLayer("audio", "normal")) {
        painter.drawImage(kFrameMargin, kFrameMargin, audio->image);
    }
    painter.end();
    forceOpaque(thumbnail);
    return thumbnail;
}

bool ZRBrowserIconView::thumbnailFor(const QString& path, QImage& thumbnail) {
    const QFileInfo info(path);
    if (!info.isFile()) return false;
    if (makeThumbnail(path, thumbnail) == Made::Failed) return false;
    store().storeThumbnail(path, thumbnail, info.lastModified());
    return true;
}

ZRBrowserIconView::Made ZRBrowserIconView::makeThumbnail(const QString& path,
                                                         QImage& thumbnail) const {
    IZRTimeline* timeline = appState().timeline;
    if (!timeline) return Made::Failed;
    const QByteArray name = QFile::encodeName(path);
    const QByteArray module = timeline->suggestImportModule(name.constData());
    IZRObjectFactory* factory = timeline->factory();
    IZRObject* object =
        factory->createObject("Import", module.constData(), nullptr, name.constData());
    if (!object) return Made::Failed;
    thumbnail = frameImage().convertToFormat(QImage::Format_ARGB32);
    QSize area = m_thumbnailSize;
    if (!area.isValid() || area.isEmpty())
        area = thumbnail.size() - QSize(2 * kFrameMargin, 2 * kFrameMargin);
    area = area.boundedTo(thumbnail.size() - QSize(kFrameMargin, kFrameMargin));
    Made made = Made::NoVideo;
    if (object->hasVideo() && !area.isEmpty()) {
        // The engine renders straight into the picture area of the thumbnail's own pixels.
        IZRImage* target = factory->createEmptyImage();
        target->attach(thumbnail.scanLine(kFrameMargin) + kFrameMargin * 4, area.width(),
                       area.height(), int(thumbnail.bytesPerLine()));
        ZRScopedPos start(factory);
        start->assign(object->startPos());
        object->renderVideo(start, target);
        factory->destroyImage(target);
        made = Made::Frame;
    } else if (const PSDLayer* audio = skinLayer("audio", "normal")) {
        QPainter painter(&thumbnail);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(kFrameMargin, kFrameMargin, audio->image);
    }
    factory->destroyObject(object);
    forceOpaque(thumbnail);
    return made;
}

QString ZRBrowserIconView::selectedFilePath() const {
    const QStringList paths = selectedFilePaths();
    return paths.isEmpty() ? QString() : paths.first();
}

QStringList ZRBrowserIconView::selectedFilePaths() const {
    QStringList paths;
    for (ZRIconViewItem* item = firstItem(); item; item = item->nextItem()) {
        auto* entry = static_cast<ZRBrowserIconViewItem*>(item);
        if (entry->isSelected() && !entry->isFolder()) paths.append(entry->fullPath());
    }
    return paths;
}

QList<Entry> ZRBrowserIconView::shownEntries() const {
    QList<Entry> entries;
    for (ZRIconViewItem* item = firstItem(); item; item = item->nextItem()) {
        auto* entry = static_cast<ZRBrowserIconViewItem*>(item);
        if (!entry->isFolder())
            entries.append({Entry::Clip, entry->fullPath()});
        else
            entries.append({entry->isUserFolder() ? Entry::UserFolder : Entry::FixedFolder,
                            entry->storedName()});
    }
    return entries;
}

void ZRBrowserIconView::pruneThumbnails(ZRClipFolderStore& folders) const {
    // Every clip any folder names keeps its record, not only those shown here.
    QSet<QString> keep = folders.allStoredClips();
    for (const Entry& entry : shownEntries())
        if (entry.kind == Entry::Clip) keep.insert(entry.text);
    folders.pruneThumbnails(keep);
}

void ZRBrowserIconView::itemSelected(ZRIconViewItem*) {}

void ZRBrowserIconView::itemDoubleClicked(ZRIconViewItem* item) {
    auto* entry = static_cast<ZRBrowserIconViewItem*>(item);
    if (!entry) return;
    if (entry->isFolder()) {
        const QString name = entry->storedName();
        m_folderPath = ZRClipFolderStore::childPath(m_folderPath, name);
        m_folderName = name;
        Q_EMIT folderChanged(true);
        Q_EMIT folderNameChanged(name);
        refill();
        return;
    }
    ZRSBPreview* preview = mainPreview();
    if (m_previewing || !preview || !preview->canStartFilePreview()) return;
    if (!preview->startFilePreview(entry->fullPath())) return;
    m_previewing = true;
    connect(preview, &ZRSBPreview::filePreviewEnded, this, &ZRBrowserIconView::slotPreviewStopped,
            Qt::UniqueConnection);
    connect(preview, &ZRSBPreview::filePreviewClosed, this, &ZRBrowserIconView::slotPreviewClosed,
            Qt::UniqueConnection);
    m_previewSlider = preview->positionSlider();
    if (m_previewSlider) m_previewSlider->installEventFilter(this);
}

ZRSBPreview* ZRBrowserIconView::mainPreview() const {
    return qobject_cast<ZRSBPreview*>(appState().preview.data());
}

bool ZRBrowserIconView::eventFilter(QObject* watched, QEvent* event) {
    // The main preview relays 4000-4002 to the file preview itself: relaying them here too
    // would seek twice.
    return ZRIconView::eventFilter(watched, event);
}

void ZRBrowserIconView::slotGotoPosition(double fraction, QWidget* sender) {
    if (ZRSBPreview* preview = mainPreview()) preview->slotGotoPosition(fraction, sender);
}

void ZRBrowserIconView::slotPositionChanged(qint64 position, qint64 duration) {
    if (ZRSBPreview* preview = mainPreview()) preview->slotPositionChanged(position, duration);
}

void ZRBrowserIconView::slotPreviewStopped() {
    m_previewing = false;
}

void ZRBrowserIconView::slotPlayToggled(bool on) {
    if (ZRSBPreview* preview = mainPreview()) preview->slotPlayToggled(on);
}

void ZRBrowserIconView::slotLoopButtonToggled(bool on) {
    if (ZRSBPreview* preview = mainPreview()) preview->slotLoopButtonToggled(on);
}

void ZRBrowserIconView::slotPreviewClosed() {
    if (m_previewSlider) m_previewSlider->removeEventFilter(this);
    m_previewSlider = nullptr;
    if (ZRSBPreview* preview = mainPreview()) disconnect(preview, nullptr, this, nullptr);
    m_previewing = false;
}

void ZRBrowserIconView::folderUp() {
    const qsizetype cut = m_folderPath.lastIndexOf(ZRClipFolderStore::kSeparator);
    if (cut >= 0) {
        m_folderPath = m_folderPath.left(cut);
        m_folderName = m_folderPath.section(ZRClipFolderStore::kSeparator, -1);
        Q_EMIT folderNameChanged(m_folderName);
    } else {
        m_folderPath.clear();
        m_folderName.clear();
        Q_EMIT folderChanged(false);
        Q_EMIT folderNameChanged(m_folderName);
    }
    refill();
}

void ZRBrowserIconView::newFolder() {
    // The folder goes after every entry stored, as the rewrites after it will put it.
    finishListing();
    ZRClipFolderStore& folders = store();
    const QString base = tr("New Folder");
    const int n = folders.takeNewFolderNumber(m_folderPath, base, m_folderCounter);
    m_folderCounter = n + 1;
    const QString name = base + QStringLiteral(" #") + QString::number(n);
    auto* item = ZRBrowserIconViewItem::makeFolder(this, name, name, true, folderImage());
    folders.storeFolder(m_folderPath, name);
    setCurrentItem(item);
    ensureItemVisible(item);
    item->rename();
}

void ZRBrowserIconView::folderRenamed(ZRIconViewItem* item, const QString& text) {
    auto* entry = static_cast<ZRBrowserIconViewItem*>(item);
    if (!entry || !entry->isFolder() || !entry->isUserFolder()) return;
    // The folder's group is rewritten from the items shown: every entry must be.
    finishListing();
    const QString oldName = entry->storedName();
    if (text == oldName) return;
    ZRClipFolderStore& folders = store();
    const ZRClipFolderStore::NameCheck check = folders.checkFolderName(m_folderPath, oldName, text);
    if (check != ZRClipFolderStore::NameCheck::Ok) {
        entry->setText(oldName);
        QString why;
        switch (check) {
        case ZRClipFolderStore::NameCheck::Empty:
            why = tr("A folder needs a name.");
            break;
        case ZRClipFolderStore::NameCheck::BadCharacter:
            why = tr("A folder name cannot hold \"/\", \"]\" or a line break.");
            break;
        case ZRClipFolderStore::NameCheck::Reserved:
            why = tr("This name belongs to a fixed folder.");
            break;
        default:
            why = tr("A folder of this name exists already.");
            break;
        }
        if (ZRAppState::Hub* hub = appState().hub) hub->message(why, 3000);
        return;
    }
    folders.renameFolder(m_folderPath, oldName, text);
    entry->setStoredName(text);
    folders.rewriteFolder(m_folderPath, shownEntries());
    pruneThumbnails(folders);
}

bool ZRBrowserIconView::deleteFile(const QString& path) {
    for (;;) {
        QFile file(path);
        if (!file.exists() || file.remove()) return true;
        const QString text =
            tr("The selected file '%1' could not be deleted, because it's probably in use. Do "
               "you want try again ?")
                .arg(path) +
            QStringLiteral("\n\n") + file.errorString();
        const int answer = ZRWindowServices::current().question(this, caption(), text,
                                                                {tr("Retry"), tr("Abort")}, 0, 1);
        if (answer != 0) return false;
    }
}

bool ZRBrowserIconView::deleteClipFromDisk(const QString& path) {
    if (ZRClipFolderStore::isSegmentList(path))
        for (const QString& segment : ownedSegments(path))
            if (!deleteFile(segment)) return false;
    return deleteFile(path);
}

void ZRBrowserIconView::deleteSelectedItems() {
    // The folder's group is rewritten from the items shown: every entry must be.
    finishListing();
    QList<ZRBrowserIconViewItem*> folders;
    QList<ZRBrowserIconViewItem*> clips;
    for (ZRIconViewItem* item = firstItem(); item; item = item->nextItem()) {
        auto* entry = static_cast<ZRBrowserIconViewItem*>(item);
        if (!entry->isSelected()) continue;
        if (!entry->isFolder())
            clips.append(entry);
        else if (entry->isUserFolder())
            folders.append(entry);
    }
    if (folders.isEmpty() && clips.isEmpty()) return;
    ZRWindowServices& services = ZRWindowServices::current();
    if (!folders.isEmpty()) {
        const int answer = services.question(
            this, caption(),
            tr("Remove folder(s) ? The contents of the folder will not be deleted."),
            {tr("Remove folder(s)"), tr("Do not remove folder(s)"), tr("Cancel")}, 2, 2);
        if (answer != 0) return;
    }
    bool physically = false;
    if (!clips.isEmpty()) {
        const int answer = services.question(
            this, caption(), tr("Delete clip(s) physically from the harddisk ?"),
            {tr("Remove link only"), tr("Yes, delete clip(s)"), tr("Cancel")}, 2, 2);
        if (answer != 0 && answer != 1) return;
        if (answer == 1) {
            const int really = services.question(
                this, caption(), tr("Do you really want to remove the clip(s) from the harddisk ?"),
                {tr("Yes"), tr("No"), tr("Cancel")}, 1, 2);
            if (really != 0 && really != 1) return;
            physically = really == 0;
        }
    }
    ZRClipFolderStore& store = this->store();
    QSet<QString> removed;
    for (ZRBrowserIconViewItem* clip : clips) {
        removed.insert(clip->fullPath());
        if (physically) deleteClipFromDisk(clip->fullPath());
        delete clip;
    }
    for (ZRBrowserIconViewItem* folder : folders) {
        store.removeFolder(ZRClipFolderStore::childPath(m_folderPath, folder->storedName()));
        delete folder;
    }
    store.rewriteFolder(m_folderPath, shownEntries(), removed);
    pruneThumbnails(store);
    slotSelectionChanged();
}

void ZRBrowserIconView::copyItems() {
    m_clipboard = selectedFilePaths();
    if (QAbstractButton* paste = sharedButton(PasteButton))
        paste->setEnabled(!m_clipboard.isEmpty());
}

void ZRBrowserIconView::pasteItems() {
    for (const QString& path : m_clipboard)
        addClip(path, true, false);
}

void ZRBrowserIconView::slotSelectionChanged() {
    Q_EMIT selectedFilesChanged(selectedFilePaths());
}

QDrag* ZRBrowserIconView::dragObject() {
    const QStringList paths = selectedFilePaths();
    if (paths.isEmpty()) return nullptr;
    auto* mime = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls.append(QUrl::fromLocalFile(QDir::fromNativeSeparators(path)));
    mime->setUrls(urls);
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    if (ZRIconViewItem* item = currentItem(); item && item->pixmap())
        drag->setPixmap(QPixmap::fromImage(*item->pixmap()));
    return drag;
}

QAbstractButton* ZRBrowserIconView::sharedButton(int which) const {
    ZRAppState& state = appState();
    QWidget* button = nullptr;
    switch (which) {
    case NewFolderButton:
        button = state.newFolderButton;
        break;
    case CopyButton:
        button = state.copyButton;
        break;
    case PasteButton:
        button = state.pasteButton;
        break;
    default:
        button = state.removeButton;
        break;
    }
    return qobject_cast<QAbstractButton*>(button);
}

void ZRBrowserIconView::connectButtons(bool on) {
    using Slot = void (ZRBrowserIconView::*)();
    const std::pair<int, Slot> wiring[] = {{RemoveButton, &ZRBrowserIconView::deleteSelectedItems},
                                           {NewFolderButton, &ZRBrowserIconView::newFolder},
                                           {CopyButton, &ZRBrowserIconView::copyItems},
                                           {PasteButton, &ZRBrowserIconView::pasteItems}};
    for (const auto& [which, slot] : wiring) {
        QAbstractButton* button = sharedButton(which);
        if (!button) continue;
        if (on)
            connect(button, &QAbstractButton::clicked, this, slot, Qt::UniqueConnection);
        else
            disconnect(button, &QAbstractButton::clicked, this, slot);
    }
    m_buttonsConnected = on;
}

void ZRBrowserIconView::showEvent(QShowEvent* e) {
    ZRIconView::showEvent(e);
    fillFirstScreen();
    connectButtons(true);
    for (int which : {CopyButton, RemoveButton, NewFolderButton})
        if (QAbstractButton* button = sharedButton(which)) button->setEnabled(true);
    if (QAbstractButton* paste = sharedButton(PasteButton))
        paste->setEnabled(!m_clipboard.isEmpty());
}

void ZRBrowserIconView::resizeEvent(QResizeEvent* e) {
    ZRIconView::resizeEvent(e);
    fillFirstScreen();
}

void ZRBrowserIconView::hideEvent(QHideEvent* e) {
    connectButtons(false);
    ZRIconView::hideEvent(e);
}

void ZRBrowserIconView::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Delete && !isRenaming()) {
        deleteSelectedItems();
        return;
    }
    ZRIconView::keyPressEvent(e);
}
