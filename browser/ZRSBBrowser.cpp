#include "browser/ZRSBBrowser.h"

#include "browser/ZRBrowserIconView.h"

#include <QTabBar>

ZRSBBrowser::ZRSBBrowser(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : QWidget(parent, flags), m_clipView(new ZRBrowserIconView(this, "clip view")),
      m_tabBar(new QTabBar(this)) {
    if (name) setObjectName(QString::fromUtf8(name));
    m_tabBar->addTab(tr("Media"));
}

void ZRSBBrowser::selectTab(int page) {
    m_currentTab = page;
}

IZRTimeline* ZRSBBrowser::setEngineOptions(IZRTimeline* timeline) {
    IZRTimeline* previous = m_timeline;
    m_timeline = timeline;
    return previous;
}

void ZRSBBrowser::hideAllPreviews() {}

void ZRSBBrowser::slotNewProject() {}
