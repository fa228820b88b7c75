#pragma once

#include "classes/widgets/QSBWidget.h"
#include "classes/widgets/ZRSkinBox.h"
#include "editor/ZRVeskEditor.h"
#include "views/ZRStoryboardGeometry.h"

#include <QList>
#include <QPointer>
#include <QStringList>

#include <memory>
#include <mutex>

class IZRObject;
class IZRPos;
class IZRTimeline;
class QButtonGroup;
class QMimeData;
class QTimer;
class ZRPushButton;
class ZRScrollBar;
class ZRTextImage;
class ZRTimecodeOverlay;
class ZRVideoUserData;
struct PSDLayer;
struct ZRTitleSettings;

/// The project as one row of cells: one per clip of the editor's chain, in chain order, with a
/// transition box between neighbours, a render bar and a mark bar under each cell and a time
/// cursor (cell and fraction) above them. It owns no project data: clips, order, selection,
/// effects and transitions are read through the editor at paint time, and every change goes
/// through the editor. Cells are laid out by `ZRStoryboardGeometry`; the view scrolls by whole
/// cells. The main window (the hub of `appState()`) connects its slots and signals; position
/// signals carry the storyboard as sender so that its own echo is ignored.
///
/// Optional: a time-code overlay, an engine object on video track 5 that draws the running time
/// code into the rendered video (`ZRTimecodeOverlay`).
///
/// GUI thread only; the overlay's frame function runs on engine render threads.
class ZRStoryboard : public QSBWidget {
    Q_OBJECT
public:
    enum EditMode { SelectMode = 0, SplitMode = 1, MarkerMode = 2, ZoomMode = 3 };
    /// Rendered frames fold into at most one render-bar refresh this often.
    static constexpr int kRefreshMs = 1000;

    explicit ZRStoryboard(QWidget* parent = nullptr, const char* name = nullptr,
                          Qt::WindowFlags flags = {});
    ~ZRStoryboard() override;

    /// Keeps the editor and its timeline and asks the editor for cell-sized thumbnails.
    virtual void setEditor(ZRVeskEditor* editor);
    /// Imports a file and inserts it as a clip before cell `index` (-1: at the end). False when
    /// the file cannot be imported, has no video or cannot be inserted; nothing stays behind,
    /// and `refusal()` says why.
    virtual bool insertFileAt(const QString& file, int index);
    /// Why the last refused `insertFileAt` refused its file, for the user.
    const QString& refusal() const { return m_refusal; }
    virtual void selectCell(int index, bool repaint);
    virtual void selectCells(int a, int b, bool repaint);
    virtual void selectAllCells(bool repaint);
    virtual void deselectCell(int index, bool repaint);
    virtual void deselectCells(int a, int b, bool repaint);
    virtual void invertCellSelection(bool repaint);
    virtual void deselectAll(bool repaint);
    /// Repaints cell `index`'s full-height column and its two transition boxes.
    virtual void repaintCell(int index);

    /// Inserts files as clips from cell `index` on (-1: each at the end); counts the inserted.
    int insertFiles(const QStringList& files, int index);

    // Geometry queries: widget points, scrolled.
    int cellAt(const QPoint& p) const;
    IZRObject* transitionAt(const QPoint& p) const;
    /// The clip after which a transition dropped at `p` goes; -1 when none.
    int insertionIndexAt(const QPoint& p) const;
    /// The cell and fraction under `p`; true when the cell holds a clip.
    bool cellAndFractionAt(const QPoint& p, int margin, int* cell, double* fraction) const;
    /// The widget rectangle of cell `index`; null for an index without a clip.
    QRect cellRect(int index) const;

    /// Emits `status_message` when `text` differs from the last one.
    void setStatusText(const QString& text, int timeout);

    /// Copies `source` (a rectangle of `sourceImage`) to `at` in `target`, 32-bit pixels, row by
    /// row; the copy is clipped to both images.
    static void copyImageRect(QImage& target, const QPoint& at, const QImage& sourceImage,
                              const QRect& source);

    // State for callers and tests.
    ZRVeskEditor* editor() const { return m_editor.data(); }
    const ZRStoryboardGeometry& geometryRecord() const { return m_geometry; }
    int editMode() const { return m_editMode; }
    int currentCell() const { return m_currentCell; }
    double currentFraction() const { return m_currentFraction; }
    int anchorCell() const { return m_anchorCell; }
    int visibleFirst() const { return m_visibleFirst; }
    int visibleLast() const { return m_visibleLast; }
    int scrollX() const { return m_scrollX; }
    QRect contentRect() const { return m_contentRect; }
    QRect cursorArea() const { return m_cursorArea; }
    /// The time cursor's place in content coordinates.
    QRect cursorRect() const { return m_cursorRect; }
    bool projectEmpty() const { return m_projectEmpty; }
    bool isDraggingCells() const { return m_draggingCells; }
    bool isDraggingCursor() const { return m_draggingCursor; }
    bool isCopyMode() const { return m_copyMode; }
    int cursorShape() const { return m_cursorShape; }
    IZRObject* timecodeObject() const { return m_timecodeObject; }
    ZRScrollBar* scrollBar() const { return m_scrollBar; }
    ZRPushButton* toolButton(int index) const { return m_tools[index]; }
    /// The Storyboard (0) / Timeline (1) buttons.
    QButtonGroup* modeGroup() const { return m_modeGroup; }
    QTimer* refreshTimer() const { return m_refreshTimer; }
    const QList<QRect>& dragFeedback() const { return m_dragFeedback; }

    void composeBackground(int x, int y, int w, int h) override;
    void setVisible(bool visible) override;

public Q_SLOTS:
    void setTimecodeVisible();
    virtual void setTimecodeVisible(bool on);
    virtual void updateTimecode(IZRPos* start, IZRPos* end);
    virtual void toggleTimecode();
    virtual void hScrollbarChanged(int value);
    virtual void gotoPosition(IZRPos* position, QWidget* sender);
    virtual void gotoPosition(double fraction, QWidget* sender);
    virtual void slotUpdateContents(QWidget* sender);
    virtual void slotUpdateClip(IZRObject* clip);
    virtual void slotNewProject();
    void slotBGRenderer();
    virtual void slotAllItemsDeleted();
    virtual void slotDeleteObject(IZRObject* object);
    void toolSelected(int id);
    void slotSnapshot();
    void slotRemoveSelection();

public:
    /// Scroll range and visible range for the editor's clips.
    virtual void updateLayout();
    /// Redraws the render bars of the visible cells.
    virtual void refreshRenderBars();
    /// Puts the time cursor on the clip under `position`.
    virtual void moveCursorTo(IZRPos* position);
    /// Puts the time cursor at `fraction` of cell `cell` and tells the views when it moved.
    virtual void setCursorPosition(int cell, double fraction);
    /// After a move or copy of cells: the cursor follows the main window's current clip.
    void followCurrentObject();

Q_SIGNALS:
    /// Emitted with a line for the status bar (milliseconds, 0 for no time-out).
    void status_message(const QString& text, int timeout);
    /// Emitted after an edit changed the project (a drop, a deletion, a move), with the storyboard
    /// as sender; with no sender when only its look changed.
    void contentsChanged(QWidget* sender);
    /// Emitted before the user deletes `object`, so that the other views let it go.
    void objectDeleted(IZRObject* object);
    /// Emitted after the user has deleted the last clip.
    void allItemsDeleted();
    /// Emitted with the new position as a fraction of the edit, beside the position signal below.
    void positionChanged(double fraction, QWidget* sender);
    /// Emitted when the user selects a cell or a drop moves the current position.
    void positionChanged(IZRPos* position, QWidget* sender);
    /// Emitted when the current object changes by a selection or a drop.
    void objectChanged(IZRObject* object, QWidget* sender);
    /// Declared for the trimmers; never emitted.
    void activateTrimmer(IZRObject* object);
    /// Declared for the time-code display; never emitted.
    void showTimecode(bool on);
    /// Emitted with true when a drag of cells starts and with false when it ends.
    void draggingMode(bool on);
    /// Emitted when the user asks for a snapshot of the frame at `position`, with clips only.
    void snapshot(IZRPos* position);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void customEvent(QEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

    /// Draws cell slot `index` into `image` (the composed image), clipped to `region` (widget
    /// coordinates); `offset` is the widget's place in the image.
    void paintCell(const QRegion& region, QImage& image, const QPoint& offset, int index);
    /// Chooses the mouse cursor for the last mouse point.
    void updateHoverCursor();

private:
    /// The mark bar's four layers, copied out of their file with their offsets.
    struct MarkBarImages {
        enum { Frame, InactiveFill, Foreground, Background, Count };
        QImage image[Count];
        QPoint offset[Count];
    };

    void buildChildren();
    void loadImages();
    bool hasClips() const;
    int clipCount() const;
    IZRObject* clipAt(int index) const;
    ZRVideoUserData* recordOf(int index) const;
    bool isVisibleCell(int index) const;
    /// A content rectangle moved into widget coordinates.
    QRect onScreen(const QRect& content) const;
    /// The union of cell `index`'s rectangle `cellPart` and its two transition boxes, on screen,
    /// clipped to the content rectangle.
    QRect cellColumn(int index, const QRect& cellPart) const;
    void repaintCursorArea();
    void recomputeVisibleRange();
    void setCursorShape(int shape);
    /// The timecode overlay object while track 5 still holds it; forgets it otherwise.
    IZRObject* liveTimecodeObject();
    bool pointOnCursor(const QPoint& p) const;
    void drawRenderBar(QImage& image, const QRegion& clip, const QRect& bar, IZRObject* clip_);
    void drawMarkBar(QImage& image, const QRegion& clip, const QRect& bar, IZRObject* object);
    void dropTitle(const ZRTitleSettings& title);
    void dropEngineItem(const QMimeData* data);
    void dropUrls(const QMimeData* data);
    void markModified();
    QString hoverText(int cell) const;
    /// Ends every drag: feedback, flags, origin; emits draggingMode(false).
    void endDrag();
    /// True when a selected clip has a transition after it or follows a clip that has one.
    bool selectionTouchesTransition();
    void startCellDrag(const QPoint& p);
    void moveFeedback(const QPoint& p);
    void dragCursor(const QPoint& p, int x, Qt::KeyboardModifiers previous);

    mutable std::mutex m_paintMutex;
    QPointer<ZRVeskEditor> m_editor;
    IZRTimeline* m_timeline = nullptr;
    ZRScrollBar* m_scrollBar = nullptr;
    ZRStoryboardGeometry m_geometry;
    IZRObject* m_timecodeObject = nullptr;
    std::unique_ptr<ZRTimecodeOverlay> m_overlay;

    int m_editMode = SelectMode;
    int m_currentCell = -1;
    double m_currentFraction = 0.0;
    int m_anchorCell = -1;
    int m_pressedCell = -1;
    int m_originCell = -1;
    IZRObject* m_pressedTransition = nullptr;
    QPoint m_lastMousePoint, m_pressPoint, m_lastDragPoint, m_pinPoint, m_cursorDragPoint;
    Qt::MouseButtons m_lastButtons;
    Qt::KeyboardModifiers m_lastModifiers;
    int m_cursorGrabOffset = 0;
    int m_scrollX = 0;
    QString m_lastStatusText;
    QString m_refusal;
    QList<QRect> m_dragFeedback;
    int m_cursorShape = 0;
    QRect m_contentRect, m_cursorArea, m_cursorRect, m_drawnCursorRect;
    int m_visibleFirst = -1;
    int m_visibleLast = -1;
    QSize m_widgetSize;
    QTimer* m_refreshTimer = nullptr;

    bool m_projectEmpty = true;
    bool m_lastCellPartial = false;
    bool m_draggingCells = false;
    bool m_pressedOnCell = false;
    bool m_copyMode = false;
    bool m_draggingCursor = false;
    bool m_cursorPinned = false;
    bool m_cursorPinnedLeft = false;
    bool m_ctrlPressed = false;
    bool m_blitScroll = true;

    ZRSkinBox m_baseLeft, m_baseRight, m_frameLeft, m_frameRight, m_toolFrame;
    ZRPushButton* m_tools[6] = {};
    ZRPushButton* m_modeButtons[2] = {};
    QButtonGroup* m_toolGroup = nullptr;
    QButtonGroup* m_modeGroup = nullptr;
    std::unique_ptr<ZRTextImage> m_modeLabel;
    std::unique_ptr<MarkBarImages> m_markBar;
    QImage m_cursorImage;
    const PSDLayer* m_effectIcon[2] = {};
    const PSDLayer* m_transitionIcon[2] = {};
};
