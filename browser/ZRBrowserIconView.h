#pragma once

#include "browser/ZRClipFolderStore.h"
#include "browser/ZRIconView.h"

#include <QHash>
#include <QImage>
#include <QPointer>
#include <QSet>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <memory>

class QAbstractButton;
class IZRTimeline;
class QConfig;
struct IZRCallbacks;
class ZRBrowserIconViewItem;
class ZRSBPreview;
class ZRThumbnailWorker;

/// The MEDIA page of the browser panel: the user's clips in browser folders that exist only in
/// the settings file (`ZRClipFolderStore`). The top level always shows the fixed folders
/// "Captured" and "Produced" and the user's folders. The page adds clips with engine-made
/// thumbnails (cached in the settings file), opens folders and goes up, creates, renames and
/// deletes folders, deletes clips from the list or the disk, copies and pastes clip paths,
/// drags clips out as a URI list (Copy or Link, never Move) and plays a clip through the main
/// preview's file preview, which lends it the transport while it runs (one at a time).
///
/// Thumbnails come from the cache, else from a `ZRThumbnailWorker` off the GUI thread: the item
/// shows at once on the bare frame and gets its picture when the answer arrives (those in
/// sight are asked first). An entry is stored as its clip is added, before the picture, so that
/// closing the page early loses nothing; a clip the worker cannot import loses its item and its
/// entry.
/// Without a worker (no engine for it) the engine makes them on the GUI thread.
///
/// Paths compare exactly (Linux names differ by case). The page writes the settings object
/// but never saves the file. Questions go through `ZRWindowServices`. GUI thread only.
class ZRBrowserIconView : public ZRIconView {
    Q_OBJECT

public:
    explicit ZRBrowserIconView(QWidget* parent = nullptr, const char* name = nullptr,
                               Qt::WindowFlags flags = {});
    ~ZRBrowserIconView() override;

    /// Clears the view and lists the present folder: the entries of the first screen at once,
    /// the rest in slices of a few milliseconds from the event loop (counted as pending).
    void refill();
    /// `folderChanged` (true inside a folder) and `folderNameChanged` with the present name.
    void emitFolderState();
    /// Adds a clip (a segment list's segments with `expandLists`); stores the entry when asked.
    void addClip(const QString& path, bool store, bool expandLists);
    /// Shows `folder` and adds `path` there unless shown already; `kind` non-zero expands
    /// segment lists. Used for captured and produced files.
    void addFile(const QString& folder, const QString& path, int kind);
    /// Shows the folder of `path` ("" the top level).
    void setFolder(const QString& path);
    /// The full path of the first selected clip in view order; null when none.
    QString selectedFilePath() const;
    /// The full paths of the selected clips in view order.
    QStringList selectedFilePaths() const;

    QString folderPath() const { return m_folderPath; }
    QString folderName() const { return m_folderName; }
    QStringList clipboard() const { return m_clipboard; }
    /// The picture area of a thumbnail (the frame less 4 pixels each way); set by the panel.
    void setThumbnailSize(const QSize& size) { m_thumbnailSize = size; }
    QSize thumbnailSize() const { return m_thumbnailSize; }
    /// The shown item of a clip's full path, compared exactly; null when none.
    ZRBrowserIconViewItem* findPath(const QString& fullPath) const;
    /// The translated name of a folder stored as `name` ("Captured", "Produced"), else `name`.
    static QString shownFolderName(const QString& name);
    /// The folder the thumbnail worker's engine finds its modules under (empty: its own).
    static void setThumbnailBaseFolder(const QByteArray& folder);
    /// The engine entry points the thumbnail worker makes its timeline with; without them the
    /// engine makes thumbnails on the GUI thread.
    static void setThumbnailEngine(IZRTimeline* (*create)(IZRCallbacks*, const char*, unsigned),
                                   void (*destroy)(IZRTimeline*));
    /// The entries still to be listed and the clips shown on the bare frame while their
    /// pictures are made.
    int pendingThumbnails() const {
        return int(m_toList.size() + m_pending.size() + m_unconfirmed.size() + m_answers.size());
    }
    /// Lists the entries of the present folder not listed yet.
    void finishListing();
    /// The worker making the pictures; null before the first one is needed or without engine.
    ZRThumbnailWorker* thumbnailWorker() const { return m_worker.get(); }

    /// Installed on the position slider while a clip preview runs: the main preview relays the
    /// slider's events to the file preview; the page only passes them on.
    bool eventFilter(QObject* watched, QEvent* event) override;
    /// A URI list of the selected clips' paths, offering Copy and Link; null without clips.
    QDrag* dragObject() override;
    /// Copy and Link: a file manager taking Move would take the clip's file away.
    Qt::DropActions dragActions() const override { return Qt::CopyAction | Qt::LinkAction; }

public Q_SLOTS:
    void folderUp();
    void itemSelected(ZRIconViewItem* item);
    void itemDoubleClicked(ZRIconViewItem* item);
    void newFolder();
    void deleteSelectedItems();
    void folderRenamed(ZRIconViewItem* item, const QString& text);
    void copyItems();
    void pasteItems();
    void slotGotoPosition(double fraction, QWidget* sender);
    void slotPositionChanged(qint64 position, qint64 duration);
    void slotPreviewStopped();
    void slotPlayToggled(bool on);
    void slotLoopButtonToggled(bool on);
    void slotSelectionChanged();
    void slotPreviewClosed();

Q_SIGNALS:
    void folderChanged(bool inFolder);
    void folderNameChanged(const QString& name);
    void selectedFilesChanged(const QStringList& paths);
    /// Asks the main window to switch between the capture, edit and produce modes.
    void setVeskMode(int mode);

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    friend class ZRBrowserIconViewItem;
    enum class Made { Frame, NoVideo, Failed };

    /// The entries that fill the view's first screen (its grid cells in sight and a row more).
    int firstScreenCapacity() const;
    /// Lists waiting entries until the first screen is full: a folder filled before the view
    /// had its size (at start-up) shows a whole screen in its first paint.
    void fillFirstScreen();
    /// Lists up to `count` waiting entries (all when negative) for at most `sliceMs` (no limit
    /// when negative).
    void listEntries(int count, int sliceMs);
    /// One slice of the waiting entries, from the event loop.
    void listMore();
    /// A clip item, entered in the index of shown paths.
    ZRBrowserIconViewItem* makeClipItem(const QString& fullPath, const QImage& picture);
    /// Called by a clip item as it goes.
    void forgetClip(ZRBrowserIconViewItem* item);

    ZRClipFolderStore& store();
    void addMediaItem(const QString& path, bool storeEntry);
    /// Makes the thumbnail of `path` with the engine on this thread and stores it. False when
    /// the file is missing or cannot be imported.
    bool thumbnailFor(const QString& path, QImage& thumbnail);
    Made makeThumbnail(const QString& path, QImage& thumbnail) const;
    /// The frame with `picture` (or the audio picture) in its inner area, opaque.
    QImage compose(Made made, const QImage& picture) const;
    ZRThumbnailWorker* worker();
    /// Answers are taken a few milliseconds' worth at a time, so a burst never stalls the view.
    void queueAnswer(const QString& path, int result, const QImage& picture, quint64 generation);
    void takeAnswers();
    void pictureReady(const QString& path, int result, const QImage& picture, quint64 generation);
    /// Asks the worker for the pictures waiting, those in sight first.
    void requestPictures();
    QStringList pendingInSight() const;
    QImage frameImage() const;
    QImage folderImage() const;
    QList<ZRClipFolderStore::Entry> shownEntries() const;
    /// Prunes the thumbnail records to the clips any folder names or the page shows.
    void pruneThumbnails(ZRClipFolderStore& folders) const;
    bool deleteFile(const QString& path);
    bool deleteClipFromDisk(const QString& path);
    void connectButtons(bool connect);
    QAbstractButton* sharedButton(int which) const;
    ZRSBPreview* mainPreview() const;

    QString m_folderPath;
    QString m_folderName;
    QStringList m_clipboard;
    QSize m_thumbnailSize{-1, -1};
    int m_folderCounter = 1;
    bool m_buttonsConnected = false;
    QPointer<QWidget> m_previewSlider;
    bool m_previewing = false;
    std::unique_ptr<ZRClipFolderStore> m_store;
    QConfig* m_storeSettings = nullptr;
    QPointer<QConfig> m_storeSettingsAlive;
    struct Answer {
        QString path;
        int result;
        QImage picture;
        quint64 generation;
    };
    std::deque<Answer> m_answers;
    QTimer m_answerTimer;
    std::unique_ptr<ZRThumbnailWorker> m_worker;
    bool m_workerTried = false;
    /// Clips shown on the bare frame, waiting for their picture.
    QSet<QString> m_pending;
    /// Clips stored in a folder (path -> folder path) as they were added, whose picture is still
    /// to come: one the engine then refuses leaves that folder again. Kept across refills, so
    /// that leaving the folder early does not keep a refused clip.
    QHash<QString, QString> m_unconfirmed;
    QStringList m_toRequest;
    /// The present folder's entries not listed yet, in order, and the timer listing them.
    std::deque<ZRClipFolderStore::Entry> m_toList;
    QTimer m_listTimer;
    // Closes the gaps that clips the engine could not read leave, once for a run of them.
    QTimer m_closeGaps;
    /// The clips shown, by full path: adding checks it once a clip, not once an item.
    QHash<QString, ZRBrowserIconViewItem*> m_clipItems;
    bool m_filling = false;
};
