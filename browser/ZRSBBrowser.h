#pragma once

#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

class IZRTimeline;
class QButtonGroup;
class ZRBrowserEffectsView;
class ZRBrowserEngineView;
class ZRBrowserIconView;
class ZRBrowserTransView;
class ZRBrowserTitlesView;
class ZRPushButton;
class ZRTabBar;

/// The media browser panel: a tab bar of four pages (0 MEDIA, 1 TITLES, 2 TRANSITIONS,
/// 3 EFFECTS), a row of tool buttons, a folder header with an "Up" button, and the pages: the
/// media folders page, the effects and transitions pages and the titles page (whose page widget
/// is set through `setTitlesPage`) with its own small tab bar. It switches pages, keeps the
/// header in step with the page shown, runs the animation of the effects or transitions page
/// shown only while the mouse is over the panel, and runs the "Add Files To Project" dialog. The
/// "New Folder", "Copy", "Paste" and "Remove" buttons are published in `ZRAppState` for the
/// page shown to connect. GUI thread only.
class ZRSBBrowser : public QWidget {
    Q_OBJECT

public:
    enum Tab { MediaTab = 0, TitlesTab = 1, TransitionsTab = 2, EffectsTab = 3 };
    /// Ids of the view-mode buttons in `viewModeGroup`.
    enum ViewMode { BigIcons = 6, SmallIcons = 7, Details = 8 };

    explicit ZRSBBrowser(QWidget* parent = nullptr, const char* name = nullptr,
                         Qt::WindowFlags flags = {});
    ~ZRSBBrowser() override;
    /// Room for the titles page's controls under the tabs, header and tool row; the window's
    /// grid gives the panel this width beside the preview.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    ZRBrowserIconView* clipView() const { return m_clipView; }
    ZRBrowserEffectsView* effectsView() const { return m_effectsView; }
    ZRBrowserTransView* transView() const { return m_transView; }
    /// The titles page (a `ZRBrowserTitlesView` unless another page was set).
    QWidget* titlesView() const { return m_titlesView; }
    /// The titles page when it is the panel's own, else null.
    ZRBrowserTitlesView* titlesPage() const;
    ZRTabBar* tabBar() const { return m_tabBar; }
    ZRTabBar* titlesTabBar() const { return m_titlesTabBar; }
    ZRPushButton* upButton() const { return m_upButton; }
    QButtonGroup* viewModeGroup() const { return m_viewModeGroup; }
    /// Puts `page` (owned from now on) in the titles tab in place of the one there.
    void setTitlesPage(QWidget* page);

    /// Hands the timeline to the effects, transitions and titles pages and refills the media
    /// page; returns the previous one.
    /// Null changes nothing and returns the present one.
    IZRTimeline* setEngineOptions(IZRTimeline* timeline);
    /// The id of the tab selected.
    int currentTab() const;
    QString folderName() const { return m_folderName; }
    bool inFolder() const { return m_inFolder; }
    bool showsHeader() const { return m_showHeader; }

public Q_SLOTS:
    /// Shows the page of tab `id` (MEDIA, TITLES, TRANSITIONS, EFFECTS); other ids do nothing.
    void selectTab(int id);
    /// The "Add Files To Project" dialog: the chosen files go into the media page's folder.
    void addFiles();
    void repaintAll();
    /// Hides the titles page's previews and shows its first tab.
    void hideAllPreviews();
    /// Resets the titles page for a new project.
    void slotNewProject();
    void showFolderIcons(bool inFolder);
    void changedFolderName(const QString& name);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    void layOut();
    /// The effects or transitions page when one is shown, else null.
    ZRBrowserEngineView* shownEnginePage() const;
    void connectFolderSignals(ZRBrowserEngineView* page);
    void showPage(QWidget* page);

    ZRTabBar* m_tabBar;
    ZRTabBar* m_titlesTabBar;
    ZRBrowserIconView* m_clipView;
    ZRBrowserEffectsView* m_effectsView;
    ZRBrowserTransView* m_transView;
    QPointer<QWidget> m_titlesView;
    ZRPushButton* m_upButton;
    ZRPushButton* m_addButton;
    ZRPushButton* m_newFolderButton;
    ZRPushButton* m_copyButton;
    ZRPushButton* m_pasteButton;
    ZRPushButton* m_removeButton;
    ZRPushButton* m_bigIconsButton;
    ZRPushButton* m_smallIconsButton;
    ZRPushButton* m_detailsButton;
    QButtonGroup* m_viewModeGroup;
    IZRTimeline* m_timeline = nullptr;
    QString m_folderName;
    bool m_showHeader = true;
    bool m_inFolder = false;
    QRect m_headerRect;
    QRect m_toolRow;
    QRect m_pageFrame;
    int m_textLeft = 0;
};
