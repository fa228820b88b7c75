#pragma once

#include "editor/ZRAppState.h"
#include "editor/ZRVeskEditor.h"
#include "views/ZRTransportButtons.h"

#include <QButtonGroup>
#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <memory>

class IZRObject;
class IZRPos;
class IZRTimeline;
class QAction;
class QConfig;
class QGridLayout;
class QMenu;
class QSBWidget;
class ZRExportView;
class ZRImportView;
class ZRPushButton;
class ZRSBBrowser;
class ZRSBPSlider;
class ZRSBPreviewFrame;
class ZRSBTrimmer;
class ZRStoryboard;
class ZRTimelineView;
class ZRVeskTopBar;

/// The program's one top-level window and the hub of the views. Its constructor opens the
/// settings file (published in `appState()`, which owns it), creates every view, page, button
/// and menu, lays them out and connects them; `setTimeline` then hands them the engine timeline
/// and pushes the stored options into the engine and the menus. The views never talk to each
/// other: they signal the window, whose slots pass positions, objects and changes on, with the
/// sender, so that a view ignores its own echo. The model reaches the window through the hub
/// (`ZRAppState::Hub`), which the window implements for it.
///
/// Owns its child widgets (Qt parents) and the editor object; the timeline is borrowed and must
/// outlive the window. Publishes itself and its components in `appState()` while it lives.
/// GUI thread only.
class ZRSBMainWindow : public QMainWindow, public ZRAppState::Hub {
    Q_OBJECT

public:
    /// Menu item ids.
    enum MenuId {
        FileMenu = 7000,
        NewItem = 2901,
        OpenItem = 2902,
        SaveItem = 2903,
        SaveAsItem = 2904,
        OptionsMenu = 3000,
        SnapshotMenu = 3001,
        DeinterlaceItem = 3002,
        ClipboardItem = 3003,
        BmpFileItem = 3004,
        BackgroundRendererItem = 3005,
        SplitSizeMenu = 3200,
        // The split sizes; 3203 and 3207 have no entry of their own (a settings file may hold
        // them).
        Split4GBItem = 3201,
        Split2GBItem = 3202,
        Split1490000KBItem = 3203,
        Split650MBItem = 3204,
        Split700MBItem = 3205,
        Split800MBItem = 3206,
        Split5120KBItem = 3207,
        SceneDetectionItem = 3210,
        InterfaceMenu = 8000,
        StretchItem = 8002,
        HelpMenu = 3100,
        DocumentationItem = 3101,
        WebsiteItem = 3102,
        SupportItem = 3103,
        UpdateItem = 3104,
        AboutItem = 3105,
    };

    /// `caption` empty: the translated "Clipstead 5 - [Untitled]".
    explicit ZRSBMainWindow(QWidget* parent = nullptr, const QString& caption = QString());
    /// Switches background rendering off and gives the current position back.
    ~ZRSBMainWindow() override;

    /// Hands the engine timeline to the window and its components once; later calls do nothing.
    virtual void setTimeline(IZRTimeline* timeline);
    IZRTimeline* timeline() const { return m_timeline; }

    /// Makes a menu item reachable by its id.
    void registerMenuItem(int id, QAction* action);
    /// The menu item of an id; null when there is none.
    QAction* menuItem(int id) const;
    bool isMenuItemChecked(int id) const;
    bool isMenuItemEnabled(int id) const;

    // The hub.
    IZRObject* currentObject() override;
    IZRPos* currentPosition() override;
    void setMenuItemEnabled(int id, bool enabled) override;
    void setMenuItemChecked(int id, bool checked) override;
    void addBrowserFile(const QString& folder, const QString& path, int kind) override;
    QString selectedBrowserFile() override;
    void exportProgress(IZRPos* position, bool recompressing) override;

    /// True once the user confirmed aborting the running export; the produce page polls it.
    bool abortRequested() const { return m_abortRequested; }
    /// The project file (absolute), or the translated "Untitled".
    QString projectName() const { return m_projectName; }
    bool isTitled() const { return m_titled; }
    bool stretchBackground() const { return m_stretchBackground; }
    /// The project to load when the window is first shown (given by start-up).
    void setStartupProject(const QString& path) { m_startupProject = path; }
    /// Shows the window; loads the start-up project, or starts a new project without one.
    void show();

    // Components, for start-up and tests.
    QSBWidget* background() const { return m_background; }
    ZRVeskEditor* editor() const { return m_editor.get(); }
    ZRStoryboard* storyboard() const { return m_storyboard; }
    ZRTimelineView* timelineView() const { return m_timelineView; }
    ZRSBPreviewFrame* previewFrame() const { return m_previewFrame; }
    ZRSBBrowser* browser() const { return m_browser; }
    ZRSBTrimmer* trimmerLeft() const { return m_trimmerLeft; }
    ZRSBTrimmer* trimmerRight() const { return m_trimmerRight; }
    ZRSBPSlider* positionSlider() const { return m_positionSlider; }
    ZRImportView* importView() const { return m_importView; }
    ZRExportView* producePage() const { return m_producePage; }
    ZRVeskTopBar* topBar() const { return m_topBar; }
    QButtonGroup* modeGroup() { return &m_modeGroup; }
    ZRPushButton* modeButton(int mode) const;
    /// 0 skip back, 1 frame back, 2 play, 3 frame forward, 4 skip forward, 5 loop.
    ZRPushButton* transportButton(int index) const;

public Q_SLOTS:
    /// One status line: CR and LF removed, tabs as four spaces.
    void message(const QString& text);
    /// Shows `text` in the status bar for `ms` milliseconds, painted at once.
    void message(const QString& text, int ms) override;

    // Project commands.
    virtual void slotNewProject();
    virtual void slotOpenProject();
    /// Saves under the project's name, asking for one when untitled; true when written.
    virtual bool slotSaveProject();
    virtual void slotSaveProjectAs();
    virtual void slotUpdateCaption();

    // Options.
    virtual void slotMenuItemActivated(int id);
    /// Renders the frame at `position` and copies it to the clipboard or saves it as BMP.
    virtual void slotSnapshot(IZRPos* position);

    // Backgrounds.
    void defaultBackground();
    void restoreBackground();
    void changeBackground();
    void setStretch();

    // Modes.
    /// 0 capture, 1 editing, 2 produce; other values do nothing.
    void slotSetVeskMode(int mode);
    /// 0 storyboard, 1 timeline; other ids do nothing.
    void slotViewModeChanged(int id);

    // Relays.
    void pvStateChanged();
    void deleteObject(IZRObject* object);
    void allItemsDeleted();
    void updateContents(QWidget* sender);
    void gotoPosition(IZRPos* position, QWidget* sender);
    void gotoPosition(double fraction, QWidget* sender);
    void gotoObject(IZRObject* object, QWidget* sender);
    void updateObject(IZRObject* object, QWidget* sender);
    void slotUpdateClip(QWidget* sender, IZRObject* object);
    void slotAddCapturedFile(const QString& file);
    void draggingMode(bool on);
    /// The player's play position: to the visible storyboard, else the visible timeline view,
    /// without their echo back.
    void followPlayback(IZRPos* position);
    /// The storyboard and the timeline view are off while the project plays.
    void playingChanged(bool playing);
    /// A play is asked for: the browser's previews stop unless its clip page shows.
    void aboutToPlay();

protected:
    void customEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

    /// The save-changes prompt; true cancels the command that asked.
    virtual bool maybeSave();

private:
    void setUp();
    QConfig* openSettings();
    void createBackground(QConfig& settings);
    void createViews();
    /// Makes the timeline view's six tracks; the one place that names the track classes.
    void createTracks();
    void createPagesAndTransport();
    void createModeButtons();
    void createMenus();
    void createLayouts();
    void connectViews();
    void centreOnScreen();
    QAction* addItem(QMenu* menu, const QString& text, int id);
    /// Loads a background into the central widget; false (nothing changed) when it does not
    /// load.
    bool applyBackground(const QString& path, bool stretch);
    void storeBackground(QConfig& settings, const QString& path, bool stretch);
    /// Copies "BackgroundImage" and its stretch flag to the "Old" keys (each when present).
    void keepOldBackground(QConfig& settings);
    void applyStoredOptions(QConfig& settings);
    /// Marks the project modified after an edit: Save and Save As are enabled.
    void projectChanged();
    /// Shows the page of cell (1, 0) for `mode` (0 capture, 2 produce) over the editing area.
    void showPage(QWidget* page, QWidget* other);
    void setLayoutEnabled(bool on);
    /// The state after a loaded project: titled, caption, menus, views on its first clip.
    void projectOpened(const QString& path);
    /// `path` as the project writes it: its folder, its name up to the first '.', ".zrs".
    static QString normalisedName(const QString& path, const QString& extension);
    /// The name to write, after the overwrite question when `path` exists; empty when refused.
    QString confirmedName(const QString& path);
    /// Writes the project; false (with an error shown) when the engine could not write it.
    bool writeProject(const QString& path);
    void setUntitled();
    QString projectStartPath() const;
    QConfig* settings() const;

    IZRTimeline* m_timeline = nullptr;
    IZRPos* m_currentPosition = nullptr;
    IZRObject* m_currentObject = nullptr;

    QSBWidget* m_background = nullptr;
    std::unique_ptr<ZRVeskEditor> m_editor;
    ZRStoryboard* m_storyboard = nullptr;
    ZRTimelineView* m_timelineView = nullptr;
    ZRSBPreviewFrame* m_previewFrame = nullptr;
    ZRSBBrowser* m_browser = nullptr;
    ZRSBTrimmer* m_trimmerLeft = nullptr;
    ZRSBTrimmer* m_trimmerRight = nullptr;
    ZRSBPSlider* m_positionSlider = nullptr;
    ZRImportView* m_importView = nullptr;
    ZRExportView* m_producePage = nullptr;
    ZRVeskTopBar* m_topBar = nullptr;
    ZRPushButton* m_transport[ZRTransportButtons::ButtonCount] = {};
    ZRTransportButtons m_transportButtons;
    ZRPushButton* m_modeButtons[3] = {};
    QButtonGroup m_modeGroup;
    QGridLayout* m_mainLayout = nullptr;
    QMenu* m_optionsMenu = nullptr;
    QMenu* m_snapshotMenu = nullptr;
    QMenu* m_splitSizeMenu = nullptr;
    QHash<int, QPointer<QAction>> m_menuItems;

    QString m_projectName;
    QString m_startupProject;
    bool m_titled = false;
    bool m_stretchBackground = true;
    bool m_abortRequested = false;
};
