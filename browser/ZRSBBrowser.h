#pragma once

#include <QWidget>

class IZRTimeline;
class QTabBar;
class ZRBrowserIconView;

/// The media browser panel: its clip folder view and its pages behind a tab bar. Stand-in with
/// what the shell calls; the pages come with the browser. GUI thread only.
class ZRSBBrowser : public QWidget {
    Q_OBJECT

public:
    explicit ZRSBBrowser(QWidget* parent = nullptr, const char* name = nullptr,
                         Qt::WindowFlags flags = {});

    ZRBrowserIconView* clipView() const { return m_clipView; }
    QTabBar* tabBar() const { return m_tabBar; }

    /// Shows a page; 0 is the media clips.
    void selectTab(int page);
    int currentTab() const { return m_currentTab; }
    /// Hands the timeline to the pages; returns the previous one.
    IZRTimeline* setEngineOptions(IZRTimeline* timeline);
    /// Hides the titles page's previews.
    void hideAllPreviews();

public Q_SLOTS:
    /// Resets the titles page for a new project.
    void slotNewProject();

private:
    ZRBrowserIconView* m_clipView;
    QTabBar* m_tabBar;
    IZRTimeline* m_timeline = nullptr;
    int m_currentTab = 0;
};
