#pragma once

#include "browser/ZRIconView.h"
#include "classes/widgets/ZRSkinBox.h"
#include "editor/ZRTitleDrag.h"

#include <QMetaObject>
#include <QPointer>

class IZRObject;
class IZRTimeline;
class QAbstractButton;
class QConfig;
class ZRTitleIconItem;

/// The icon view of finished titles on the titles tab of the media browser panel. Each icon is
/// a `ZRTitleIconItem` owning its "2D-Text" engine object; the picture is a frame of the title.
/// The titles are stored in the program's settings object ("TextList" and one "TextObject" group
/// per title), loaded when an engine is set and written to it after each addition and on
/// destruction; the settings object's own saves carry them to the file.
/// Dragging icons gives a `ZRTitleDrag`. The panel's shared tool buttons are borrowed.
/// GUI thread only.
class ZRBrowserTitlesBrowser : public ZRIconView {
    Q_OBJECT
public:
    static constexpr int kIconWidth = 60;
    static constexpr int kIconHeight = 40;
    /// The markup of a title created by loading, before its stored keys are applied.
    static constexpr char kLoadMarkup[] = "<!Font=Arial!><!Size=32!><!Color=R:0,G:0,B:0!>New Text";

    explicit ZRBrowserTitlesBrowser(QWidget* parent = nullptr, const char* name = nullptr,
                                    Qt::WindowFlags flags = {});
    /// Saves the titles, then deletes them.
    ~ZRBrowserTitlesBrowser() override;

    /// Stores the engine (not owned); the stored titles are loaded and the first one selected
    /// at once when the view is visible, else when it is first shown or a title is added
    /// (loadStoredTitles), so that a start whose first screen is another page does not make
    /// every title. A second engine replaces the titles made on the first.
    void setEngine(IZRTimeline* engine);
    /// Loads the stored titles and selects the first one, once per engine; nothing without one.
    void loadStoredTitles();
    IZRTimeline* engine() const { return m_engine; }

    /// Appends a title holding a copy of `object`, labelled from its text, with its icon; it
    /// becomes the selected and current item and the titles are saved. Null, with nothing added,
    /// without an engine or when the copy fails.
    ZRTitleIconItem* addTitle(IZRObject* object);
    /// Renders the icon picture of a title item; other items are left alone.
    void updateTitleIcon(ZRIconViewItem* item);
    /// Appends the titles stored in the settings file. Titles whose keys are missing or
    /// unreadable keep the values of a new title.
    void loadTitles();
    /// Writes every title in view order into the settings object, after removing every
    /// "TextObject" group. Nothing without a settings object, before an engine is set or before
    /// the stored titles were loaded (they are then still as stored).
    void saveTitles();

    /// The panel's shared tool buttons (borrowed, any may be null): on show "Remove" is enabled
    /// and runs deleteSelectedItems() while the view is shown; the other three are disabled.
    void setToolButtons(QAbstractButton* newFolder, QAbstractButton* copy, QAbstractButton* paste,
                        QAbstractButton* remove);

    /// The record a drag carries for `object`: its markup, the thirteen integer settings with the
    /// background packed as 0xFFRRGGBB, its mark-out in milliseconds and its safe frame size.
    static ZRTitleSettings titleSettings(IZRObject* object);
    /// The object's mark-out in milliseconds; 0 without one.
    static double durationMs(IZRObject* object);

    /// A `ZRTitleDrag` of the selected titles, in view order; null without a current item.
    QDrag* dragObject() override;
    void repaintSkinRect(int x, int y, int w, int h) override;
    /// Composes the parent's background under `region` (view coordinates), opaque, and the
    /// frame over it.
    void repaintSkinRegion(const QRegion& region) override;

public Q_SLOTS:
    /// Deletes the selected titles, announcing each object first; the next title after them (or
    /// the first) becomes current and is announced while the view is visible.
    void deleteSelectedItems();

Q_SIGNALS:
    /// The title to show in the preview; null for none.
    void previewBrowserItem(ZRIconViewItem* item);
    /// `object` is about to be destroyed with its title.
    void deletingTextObject(IZRObject* object);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void applyStoredKeys(QConfig& settings, ZRTitleIconItem* item, const QString& group);

    ZRSkinBox m_box;
    IZRTimeline* m_engine = nullptr;
    bool m_loaded = false; // the stored titles of m_engine are in the view
    QPointer<QAbstractButton> m_newFolder;
    QPointer<QAbstractButton> m_copy;
    QPointer<QAbstractButton> m_paste;
    QPointer<QAbstractButton> m_remove;
    QMetaObject::Connection m_removeConnection;
};
