#include "browser/ZRSBBrowser.h"

#include "browser/ZRBrowserEffectsView.h"
#include "browser/ZRBrowserIconView.h"
#include "browser/ZRBrowserTitlesBrowser.h"
#include "browser/ZRBrowserTitlesView.h"
#include "browser/ZRBrowserTransView.h"
#include "browser/ZRClipFolderStore.h"
#include "browser/ZRTextPreview.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRSkinBox.h"
#include "classes/widgets/ZRTab.h"
#include "classes/widgets/ZRTabBar.h"
#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"
#include "views/ZRWindowServices.h"

#include <QButtonGroup>
#include <QDebug>
#include <QDir>
#include <QPainter>
#include <QStandardPaths>

#include <algorithm>

namespace {

constexpr int kTabBarHeight = 23;
constexpr int kHeaderHeight = 21;
constexpr int kToolRowHeight = 26;
constexpr int kTitlesTabHeight = 19;
constexpr int kPageMargin = 5;

const char kAddFileKey[] = "BrowserAddFileName";
const char kMediaFolderKey[] = "MediaFolder";

/* ** The tool buttons take their pictures from the preloaded "browser_icons" file: the table
   lives as long as the process, so the buttons never hold freed pictures. Without the skin
   they fall back to a text button of the standard look. */
ZRPushButton* toolButton(QWidget* parent, const char* set) {
    if (QDict<PSDLayer>* layers = preloadedSkinSetLayers("browser_icons", set))
        return new ZRPushButton(parent, layers, false, set);
    return new ZRPushButton(QString::fromLatin1(set), parent, set);
}

const PSDLayer* skinLayer(const char* file, const char* set, const char* layer) {
    QDict<PSDLayer>* layers = preloadedSkinSetLayers(file, set);
    return layers ? layers->find(QLatin1String(layer)) : nullptr;
}

QSize smallIconSize() {
    if (QDict<PSDLayerSet>* sets = preloadedSkinSets("small_icon"))
        if (PSDLayerSet* icons = sets->find(QStringLiteral("icons")))
            if (PSDLayer* layer = icons->layers.find(QStringLiteral("small_icon")))
                return layer->image.size();
    return QSize(64, 44);
}

} // namespace

ZRSBBrowser::ZRSBBrowser(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : QWidget(parent, flags),
      m_tabBar(new ZRTabBar(preloadedSkinSets("browser_tabs"), this, "Browser TabBar")),
      m_titlesTabBar(new ZRTabBar(preloadedSkinSets("text_browse_tab"), this, "Titler TabBar")),
      m_clipView(new ZRBrowserIconView(this, "clip view")),
      m_effectsView(new ZRBrowserEffectsView(this, "EffectsView")),
      m_transView(new ZRBrowserTransView(this, "TransView")),
      m_titlesView(new ZRBrowserTitlesView(m_titlesTabBar, this, "TitlesView")),
      m_upButton(toolButton(this, "go_up")), m_addButton(toolButton(this, "get_file")),
      m_newFolderButton(toolButton(this, "new_folder")), m_copyButton(toolButton(this, "copy")),
      m_pasteButton(toolButton(this, "paste")), m_removeButton(toolButton(this, "trash")),
      m_bigIconsButton(toolButton(this, "big_icon_view")),
      m_smallIconsButton(toolButton(this, "small_icon_view")),
      m_detailsButton(toolButton(this, "detailed_view")), m_viewModeGroup(new QButtonGroup(this)) {
    setObjectName(name ? QString::fromUtf8(name) : tr("BROWSER"));
    setMouseTracking(true);

    const struct {
        const char* text;
        const char* tip;
    } tabs[] = {{"MEDIA", "Manage Clips"},
                {"TITLES", "Add Titles"},
                {"TRANSITIONS", "Add Transitions"},
                {"EFFECTS", "Add Special Effects"}};
    for (int id = 0; id < 4; ++id) {
        m_tabBar->addTab(new ZRTab(tr(tabs[id].text), id));
        m_tabBar->setTabToolTip(id, tr(tabs[id].tip));
    }
    m_titlesTabBar->addTab(new ZRTab(tr("BROWSE"), 0));
    m_titlesTabBar->setTabToolTip(0, tr("Manage Titles"));
    m_titlesTabBar->addTab(new ZRTab(tr("CREATE"), 1));
    m_titlesTabBar->setTabToolTip(1, tr("Create Titles"));
    connect(m_tabBar, &ZRTabBar::selected, this, [this](int) { selectTab(currentTab()); });
    // The titles tab bar switches between the titles browser (tab 0) and the page (tab 1).
    // Switched from the code (hideAllPreviews) while another tab shows, neither part may appear.
    connect(m_titlesTabBar, &ZRTabBar::selected, this, [this](int id) {
        ZRBrowserTitlesView* titles = titlesPage();
        if (!titles) return;
        titles->browseTabBarSelected(id);
        if (currentTab() != TitlesTab) {
            titles->hide();
            titles->titlesBrowser()->hide();
        }
    });

    m_upButton->setToolTip(tr("Up"));
    m_upButton->hide();
    m_addButton->setToolTip(tr("Add"));
    m_newFolderButton->setToolTip(tr("New Folder"));
    m_copyButton->setToolTip(tr("Copy"));
    m_pasteButton->setToolTip(tr("Paste"));
    m_removeButton->setToolTip(tr("Remove"));
    m_pasteButton->setEnabled(false);
    connect(m_addButton, &QAbstractButton::clicked, this, &ZRSBBrowser::addFiles);

    for (auto [button, id] : {std::pair{m_bigIconsButton, int(BigIcons)},
                              std::pair{m_smallIconsButton, int(SmallIcons)},
                              std::pair{m_detailsButton, int(Details)}}) {
        button->setCheckable(true);
        m_viewModeGroup->addButton(button, id);
    }
    m_viewModeGroup->setExclusive(true);
    m_smallIconsButton->setChecked(true);

    ZRAppState& state = appState();
    state.newFolderButton = m_newFolderButton;
    state.copyButton = m_copyButton;
    state.pasteButton = m_pasteButton;
    state.removeButton = m_removeButton;
    titlesPage()->setToolButtons(m_newFolderButton, m_copyButton, m_pasteButton, m_removeButton);

    connect(m_clipView, &ZRBrowserIconView::folderChanged, this, &ZRSBBrowser::showFolderIcons);
    connect(m_clipView, &ZRBrowserIconView::folderNameChanged, this,
            &ZRSBBrowser::changedFolderName);
    connectFolderSignals(m_effectsView);
    connectFolderSignals(m_transView);

    m_effectsView->hide();
    m_transView->hide();
    m_titlesView->hide();
    titlesPage()->titlesBrowser()->hide();
    m_titlesTabBar->hide();
    connect(m_upButton, &QAbstractButton::clicked, m_clipView, &ZRBrowserIconView::folderUp,
            Qt::UniqueConnection);
    // On every tab: a hidden page at the top level ignores it.
    connect(m_upButton, &QAbstractButton::clicked, m_effectsView,
            &ZRBrowserEngineView::showFolders);
    connect(m_upButton, &QAbstractButton::clicked, m_transView, &ZRBrowserEngineView::showFolders);
    layOut();
}

void ZRSBBrowser::connectFolderSignals(ZRBrowserEngineView* page) {
    // A hidden page also announces its state (its timeline arrives while the media page is
    // shown): only the page shown speaks for the header.
    connect(page, &ZRBrowserEngineView::folderChanged, this, [this, page](bool inFolder) {
        if (page->isVisibleTo(this)) showFolderIcons(inFolder);
    });
    connect(page, &ZRBrowserEngineView::folderNameChanged, this, [this, page](const QString& name) {
        if (page->isVisibleTo(this)) changedFolderName(name);
    });
}

ZRBrowserEngineView* ZRSBBrowser::shownEnginePage() const {
    if (m_effectsView->isVisibleTo(this)) return m_effectsView;
    if (m_transView->isVisibleTo(this)) return m_transView;
    return nullptr;
}

void ZRSBBrowser::enterEvent(QEnterEvent* e) {
    QWidget::enterEvent(e);
    if (ZRBrowserEngineView* page = shownEnginePage()) page->startAnimation();
}

void ZRSBBrowser::leaveEvent(QEvent* e) {
    QWidget::leaveEvent(e);
    if (ZRBrowserEngineView* page = shownEnginePage()) page->stopAnimation();
}

ZRSBBrowser::~ZRSBBrowser() {
    // The page's hide does not come while the panel goes: its buttons let go of it here.
    m_clipView->disconnect(this);
    m_effectsView->disconnect(this);
    m_transView->disconnect(this);
}

QSize ZRSBBrowser::sizeHint() const {
    return {360, 540};
}

QSize ZRSBBrowser::minimumSizeHint() const {
    return {300, 400};
}

ZRBrowserTitlesView* ZRSBBrowser::titlesPage() const {
    return qobject_cast<ZRBrowserTitlesView*>(m_titlesView.data());
}

int ZRSBBrowser::currentTab() const {
    return m_tabBar->currentTab();
}

void ZRSBBrowser::setTitlesPage(QWidget* page) {
    if (!page || page == m_titlesView) return;
    const bool shown = m_titlesView && m_titlesView->isVisibleTo(this);
    delete m_titlesView;
    m_titlesView = page;
    page->setParent(this);
    page->setObjectName(QStringLiteral("TitlesView"));
    page->setVisible(shown);
    layOut();
}

IZRTimeline* ZRSBBrowser::setEngineOptions(IZRTimeline* timeline) {
    if (!timeline) return m_timeline;
    IZRTimeline* previous = m_timeline;
    m_timeline = timeline;
    m_effectsView->setTimeline(timeline);
    m_transView->setTimeline(timeline);
    // The titles page binds to the first project engine only (it ignores later ones).
    if (ZRBrowserTitlesView* titles = titlesPage()) titles->attachProject(timeline);
    m_clipView->setThumbnailSize(smallIconSize() - QSize(4, 4));
    m_clipView->refill();
    return previous;
}

void ZRSBBrowser::showPage(QWidget* page) {
    ZRBrowserTitlesView* titles = titlesPage();
    QWidget* titlesBrowser = titles ? titles->titlesBrowser() : nullptr;
    for (QWidget* other : std::initializer_list<QWidget*>{m_clipView, m_effectsView, m_transView,
                                                          m_titlesView.data(), titlesBrowser})
        if (other && other != page) other->hide();
    // The title preview lies over the main window's preview frame, outside this panel: leaving
    // the titles tab must hide it, or it keeps hiding the project's frame.
    if (titles && page != titles && page != titlesBrowser && titles->textPreview())
        titles->textPreview()->hide();
    if (page) page->show();
}

void ZRSBBrowser::selectTab(int id) {
    if (id < MediaTab || id > EffectsTab) return;
    if (m_tabBar->currentTab() != id) {
        const QSignalBlocker quiet(m_tabBar);
        m_tabBar->setCurrentTab(id);
    }
    const auto upGoesUp = [this](bool on) {
        if (on)
            connect(m_upButton, &QAbstractButton::clicked, m_clipView, &ZRBrowserIconView::folderUp,
                    Qt::UniqueConnection);
        else
            disconnect(m_upButton, &QAbstractButton::clicked, m_clipView,
                       &ZRBrowserIconView::folderUp);
    };
    switch (id) {
    case MediaTab:
        if (m_clipView->isVisibleTo(this)) return;
        m_showHeader = true;
        m_upButton->hide();
        m_titlesTabBar->hide();
        showPage(m_clipView);
        update(m_headerRect);
        m_clipView->emitFolderState();
        upGoesUp(true);
        break;
    case TitlesTab: {
        // The page in its create mode, otherwise the titles browser beside it.
        ZRBrowserTitlesView* titles = titlesPage();
        QWidget* shown = titles && !titles->isEditorTabActive()
                             ? static_cast<QWidget*>(titles->titlesBrowser())
                             : m_titlesView.data();
        if (shown && shown->isVisibleTo(this)) return;
        m_showHeader = false;
        m_upButton->hide();
        showPage(shown);
        m_titlesTabBar->show();
        update(m_headerRect);
        upGoesUp(false);
        break;
    }
    default: {
        ZRBrowserEngineView* page =
            id == EffectsTab ? static_cast<ZRBrowserEngineView*>(m_effectsView) : m_transView;
        if (page->isVisibleTo(this)) return;
        m_showHeader = true;
        m_upButton->setVisible(m_inFolder);
        m_titlesTabBar->hide();
        showPage(page);
        update(m_headerRect);
        page->emitFolderState();
        upGoesUp(false);
        break;
    }
    }
}

void ZRSBBrowser::addFiles() {
    if (!m_timeline) return;
    if (currentTab() != MediaTab) selectTab(MediaTab);
    QConfig* settings = appState().settings();
    QString start;
    if (settings) {
        settings->setGroup(QString::fromLatin1(ZRClipFolderStore::kGeneralGroup));
        if (settings->hasKey(QLatin1String(kAddFileKey)))
            start = settings->readEntry(QLatin1String(kAddFileKey));
        else if (settings->hasKey(QLatin1String(kMediaFolderKey)))
            start = settings->readEntry(QLatin1String(kMediaFolderKey));
    }
    if (start.isEmpty()) {
        const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
        start = QDir(videos).exists() ? videos : QDir::homePath();
    }
    const QString filter =
        QStringList{tr("All Media types ( *.AVI *.OVL *.MVL *.MPG *.MPEG *.MMV *.TGA *.JPG *.JPEG "
                       "*.BMP *.RLE "
                       "*.GIF *.TIF *.TIFF *.IFF *.WAV *.MP3 *.MP2 *.MP1 *.AU *.AIFF *.8SVX )"),
                    tr("All Video Formats ( *.AVI *.OVL *.MPG *.MVL *.MPEG *.MMV )"),
                    tr("All Audio Formats ( *.WAV *.MP3 *.MP2 *.MP1 *.AU *.AIFF *.8SVX )"),
                    tr("All Image Formats ( *.TGA *.JPG *.JPEG *.BMP *.GIF *.TIF *.TIFF *.IFF )"),
                    tr("CompuServe ( *.GIF )"),
                    tr("JPEG ( *.JPG *.JPEG )"),
                    tr("BMP ( *.BMP *.RLE )"),
                    tr("All Files ( *.* )")}
            .join(QLatin1Char('\n'));
    const QStringList files =
        ZRWindowServices::current().fileNames(this, tr("Add Files To Project"), start, filter);
    for (const QString& file : files) {
        if (QConfig* config = appState().settings()) {
            config->setGroup(QString::fromLatin1(ZRClipFolderStore::kGeneralGroup));
            config->writeEntry(QLatin1String(kAddFileKey), QDir::toNativeSeparators(file));
        }
        m_clipView->addClip(file, true, false);
    }
}

void ZRSBBrowser::repaintAll() {
    update();
    m_clipView->viewport()->update();
}

void ZRSBBrowser::hideAllPreviews() {
    if (ZRBrowserTitlesView* titles = titlesPage()) titles->hideAllPreviews();
    m_titlesTabBar->setCurrentTab(0);
}

void ZRSBBrowser::slotNewProject() {
    if (ZRBrowserTitlesView* titles = titlesPage()) titles->resetClicked();
}

void ZRSBBrowser::showFolderIcons(bool inFolder) {
    m_inFolder = inFolder;
    update(m_headerRect);
    m_upButton->setVisible(inFolder);
}

void ZRSBBrowser::changedFolderName(const QString& name) {
    m_folderName = ZRBrowserIconView::shownFolderName(name);
    update(m_headerRect);
}

void ZRSBBrowser::resizeEvent(QResizeEvent*) {
    layOut();
}

void ZRSBBrowser::layOut() {
    const QRect inner = rect();
    m_tabBar->setGeometry(inner.x(), inner.y(), inner.width(), kTabBarHeight);
    const QRect band(inner.x(), inner.y() + kTabBarHeight, inner.width(), kHeaderHeight);
    m_headerRect = QRect(band.x() + 12, band.y(), band.width() - 12, band.height() - 4);
    const PSDLayer* open = skinLayer("browser_folder_box_icons", "folder", "open");
    const PSDLayer* closed = skinLayer("browser_folder_box_icons", "folder", "closed");
    const int pictureWidth =
        std::max(open ? open->image.width() : 0, closed ? closed->image.width() : 0);
    m_textLeft = m_headerRect.x() + pictureWidth + 11;
    const QSize up = m_upButton->sizeHint().boundedTo(QSize(40, m_headerRect.height()));
    m_upButton->setGeometry(m_textLeft,
                            m_headerRect.y() + (m_headerRect.height() - up.height()) / 2,
                            up.width(), up.height());
    m_toolRow = QRect(inner.x(), band.bottom() + 1, inner.width(), kToolRowHeight);
    int x = m_toolRow.x() + 4;
    for (ZRPushButton* button :
         {m_addButton, m_newFolderButton, m_copyButton, m_pasteButton, m_removeButton}) {
        const QSize size = button->sizeHint().boundedTo(QSize(52, kToolRowHeight - 4));
        button->setGeometry(x, m_toolRow.y() + (kToolRowHeight - size.height()) / 2, size.width(),
                            size.height());
        x += size.width() + 4;
    }
    x = m_toolRow.right() - 4;
    for (ZRPushButton* button : {m_detailsButton, m_smallIconsButton, m_bigIconsButton}) {
        const QSize size = button->sizeHint().boundedTo(QSize(52, kToolRowHeight - 4));
        x -= size.width() + 4;
        button->setGeometry(x, m_toolRow.y() + (kToolRowHeight - size.height()) / 2, size.width(),
                            size.height());
    }
    m_pageFrame = QRect(inner.x(), m_toolRow.bottom() + 1, inner.width(),
                        inner.bottom() - m_toolRow.bottom());
    const QRect page = m_pageFrame.adjusted(kPageMargin, kPageMargin, -kPageMargin, -kPageMargin);
    for (QWidget* view : std::initializer_list<QWidget*>{m_clipView, m_effectsView, m_transView})
        view->setGeometry(page);
    m_titlesTabBar->setGeometry(page.x(), page.y(), page.width(), kTitlesTabHeight);
    const QRect titlesArea = page.adjusted(0, kTitlesTabHeight, 0, 0);
    if (m_titlesView) m_titlesView->setGeometry(titlesArea);
    if (ZRBrowserTitlesView* titles = titlesPage())
        titles->titlesBrowser()->setGeometry(titlesArea);
}

void ZRSBBrowser::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (QDict<PSDLayer>* frame = preloadedSkinSetLayers("browser_inner_frame", "inner_frame")) {
        ZRSkinBox box(frame);
        box.draw(painter, m_pageFrame);
    }
    if (!m_showHeader) return;
    const PSDLayer* folder =
        skinLayer("browser_folder_box_icons", "folder", m_inFolder ? "open" : "closed");
    if (folder)
        painter.drawImage(
            QPoint(m_headerRect.x(), m_headerRect.bottom() + 1 - folder->image.height()),
            folder->image);
    if (const PSDLayer* separator = skinLayer("browser_icons", "separators", "separator"))
        painter.drawImage(QPoint(m_textLeft - 6, m_headerRect.y() + 1), separator->image);
    painter.setPen(QPen(palette().windowText().color(), 1));
    const int textX = m_upButton->isVisible() ? m_upButton->geometry().right() + 6 : m_textLeft;
    painter.drawText(
        QRect(textX, m_headerRect.y(), m_headerRect.right() - textX, m_headerRect.height()),
        Qt::AlignVCenter | Qt::AlignLeft, m_folderName);
}
