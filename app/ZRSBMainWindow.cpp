#include "app/ZRSBMainWindow.h"

#include "app/ZRBackgroundImage.h"
#include "app/ZRSettingsFile.h"
#include "app/ZRVeskTopBar.h"
#include "browser/ZRBrowserIconView.h"
#include "browser/ZRSBBrowser.h"
#include "capture/ZRDSFilePreview.h"
#include "capture/ZRImportView.h"
#include "classes/skins/PSDImage.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/QSBWidget.h"
#include "classes/widgets/ZRFontTag.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRTabBar.h"
#include "common/config/QConfig.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRObjectFactory.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"
#include "output/ZRExportView.h"
#include "views/ZRAudioTrack.h"
#include "views/ZRSBPSlider.h"
#include "views/ZRSBPreview.h"
#include "views/ZRSBPreviewFrame.h"
#include "views/ZRSBTrimmer.h"
#include "views/ZRStoryboard.h"
#include "views/ZRTimelineTrack.h"
#include "views/ZRTimelineView.h"
#include "views/ZRTitleTrack.h"
#include "views/ZRTransitionTrack.h"
#include "views/ZRVideoTrack.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabBar>

#include <algorithm>

namespace {

void releaseSettings(QConfig* settings) {
    delete settings;
}

/// The mode buttons' skin, loaded on its own (it is not preloaded) and kept for the window's
/// life: the buttons borrow its layers.
struct ModeSkin {
    std::unique_ptr<QDict<PSDLayer>> layers;
    std::unique_ptr<QDict<PSDLayerSet>> sets;
};

ModeSkin& modeSkin() {
    static ModeSkin skin = [] {
        ModeSkin loaded;
        const QByteArray path =
            (skinBaseFolder() + QStringLiteral("/skins/default/vesk_modes_standard.psd"))
                .toLocal8Bit();
        loaded.layers = LoadPSDImage(path.constData(), kPSDApplyLayerOpacity);
        loaded.sets = groupLayersIntoSets(loaded.layers.get(), true);
        applyLayerSetOpacity(loaded.sets.get(), nullptr);
        return loaded;
    }();
    return skin;
}

} // namespace

ZRSBMainWindow::ZRSBMainWindow(QWidget* parent, const QString& caption)
    : QMainWindow(parent, Qt::Window) {
    const QString title = caption.isEmpty() ? tr("Clipstead 5 - [Untitled]") : caption;
    setObjectName(title);
    setWindowTitle(title);
    setUp();
}

ZRSBMainWindow::~ZRSBMainWindow() {
    ZRAppState& state = appState();
    if (m_timeline && m_currentPosition) {
        m_timeline->settings()->setIntSetting("Enable Background Rendering", 0);
    }
    // The editor empties the project while the views can still drop their references.
    m_editor.reset();
    // From here on nothing reaches the window's slots while its children go.
    for (QObject* sender : std::initializer_list<QObject*>{
             m_storyboard, m_timelineView, m_previewFrame, m_trimmerLeft, m_trimmerRight,
             m_positionSlider, m_importView, m_browser ? m_browser->clipView() : nullptr,
             m_storyboard ? m_storyboard->modeGroup() : nullptr,
             m_timelineView ? m_timelineView->modeGroup() : nullptr, &m_modeGroup})
        if (sender) sender->disconnect(this);
    if (m_timeline && m_currentPosition) m_timeline->factory()->destroyPos(m_currentPosition);
    m_currentPosition = nullptr;
    if (m_timeline && state.sharedPos) m_timeline->factory()->destroyPos(state.sharedPos);
    state.sharedPos = nullptr;
    // The children go before the state forgets the window: their destructors may still ask it.
    delete m_background;
    if (state.hub == this) state.hub = nullptr;
}

void ZRSBMainWindow::setUp() {
    ZRAppState& state = appState();
    // The browser's thumbnail thread makes its own timeline through the engine's entry points.
    ZRBrowserIconView::setThumbnailEngine(&IZRCreateTimelineInstance, &IZRDeleteTimelineInstance);
    state.mainWindow = this;
    state.hub = this;
    state.menuBar = menuBar();
    statusBar();

    QConfig* config = openSettings();
    settingsfile::fillDefaultFolders(*config);
    m_projectName = tr("Untitled");
    createBackground(*config);

    m_editor = std::make_unique<ZRVeskEditor>();
    createViews();
    createPagesAndTransport();
    createModeButtons();
    m_topBar = new ZRVeskTopBar(m_background, nullptr);
    createMenus();
    createLayouts();
    connectViews();
    m_transport[ZRTransportButtons::Loop]->setEnabled(true);
    centreOnScreen();
}

QConfig* ZRSBMainWindow::openSettings() {
    QConfig* config = settingsfile::open(settingsfile::path());
    // Without a readable file the options live in memory for this run.
    if (!config) config = new QConfig(QConfig::Flavour::Program, QString());
    // What a killed or crashed program would otherwise forget since its start (browser entries,
    // titles, profiles, capture numbers) reaches the file a few seconds after each change.
    config->setAutoSave(settingsfile::kSaveDelayMs);
    appState().setSettings(config, releaseSettings);
    config->setGroup(QLatin1String(settingsfile::kGeneral));
    return config;
}

void ZRSBMainWindow::createBackground(QConfig& settings) {
    using namespace settingsfile;
    const QString fallback = QLatin1String(kDefaultBackground);
    QString path = readString(settings, kBackgroundImage, QString());
    // A missing key, and a file that is missing or does not load, are replaced by the default.
    QImage image = backgroundimage::load(path);
    if (image.isNull()) {
        path = fallback;
        settings.writeEntry(QLatin1String(kBackgroundImage), QDir::toNativeSeparators(path));
        settings.writeEntry(QLatin1String(kStretchedBackground), true);
        image = backgroundimage::load(path);
    }
    m_stretchBackground = readBool(settings, kStretchedBackground, true);
    m_background = new QSBWidget(image, m_stretchBackground, this, "background widget");
    setCentralWidget(m_background);
}

void ZRSBMainWindow::createViews() {
    m_storyboard = new ZRStoryboard(m_background, "storyboard view");
    m_timelineView = new ZRTimelineView(m_background, "timeline view");
    createTracks();
    m_timelineView->hide();
}

void ZRSBMainWindow::createTracks() {
    auto add = [this](ZRTimelineTrack* track) { m_timelineView->insertTrack(track, -1); };
    add(new ZRTransitionTrack(tr("TRANSITION"), 1001, 1000));
    add(new ZRVideoTrack(tr("VIDEO"), 1000, 1002, 1001));
    add(new ZRAudioTrack(tr("AUDIO1"), -1, 1001, 1002));
    add(new ZRTitleTrack(tr("TITLES"), 4, -1));
    add(new ZRAudioTrack(tr("AUDIO2"), 10, -1, 2));
    add(new ZRAudioTrack(tr("AUDIO3"), 11, -1, 3));
}

void ZRSBMainWindow::createPagesAndTransport() {
    m_previewFrame = new ZRSBPreviewFrame(m_background, "Preview Frame");
    m_browser = new ZRSBBrowser(m_background, "Browser");
    m_trimmerLeft = new ZRSBTrimmer(0, m_background, "trimmer left");
    m_trimmerRight = new ZRSBTrimmer(1, m_background, "trimmer right");
    QDict<PSDLayerSet>* panel = preloadedSkinSets("preview_panel");
    m_positionSlider = new ZRSBPSlider(panel, m_background, "Button Panel");
    m_importView = new ZRImportView(m_background, "ZRImportView");
    m_importView->hide();
    m_producePage = new ZRExportView(m_background, "ZRExportView");
    m_producePage->hide();

    ZRSBPreview* player = m_previewFrame->preview();
    connect(m_positionSlider, &ZRSBPSlider::markInChanged, player, &ZRSBPreview::slotMarkInChanged);
    connect(m_positionSlider, &ZRSBPSlider::markOutChanged, player,
            &ZRSBPreview::slotMarkOutChanged);

    struct Transport {
        const char* set;
        const char* tip;
        bool repeat;
        bool toggle;
    };
    const Transport buttons[6] = {
        {"rewind_button", QT_TR_NOOP("Skip Back"), false, false},
        {"frame_backward_button", QT_TR_NOOP("Frame Back"), true, false},
        {"play_button", QT_TR_NOOP("Play / Stop"), false, true},
        {"frame_forward_button", QT_TR_NOOP("Frame Forward"), true, false},
        {"fast_forward_button", QT_TR_NOOP("Skip Forward"), false, false},
        {"loop_button", QT_TR_NOOP("Loop"), false, true},
    };
    for (int i = 0; i < 6; ++i) {
        PSDLayerSet* set = panel ? panel->find(QLatin1String(buttons[i].set)) : nullptr;
        auto* button =
            new ZRPushButton(m_positionSlider, set ? &set->layers : nullptr, false, nullptr);
        if (set) button->setGeometry(set->bounds);
        if (buttons[i].repeat) {
            button->setAutoRepeat(true);
            button->setAutoRepeatAccelerating(true);
        }
        button->setCheckable(buttons[i].toggle);
        button->setToolTip(tr(buttons[i].tip));
        m_transport[i] = button;
    }
}

void ZRSBMainWindow::createModeButtons() {
    const ZRFontTag font =
        translatedFontTag("ModeButtons", "<name>ariblk.ttf</name><size>10</size>");
    QDict<PSDLayerSet>* skin = modeSkin().sets.get();
    const char* texts[3] = {QT_TR_NOOP("CAPTURE"), QT_TR_NOOP("EDIT"), QT_TR_NOOP("PRODUCE")};
    const char* names[3] = {"Capture Button", "Edit Button", "Produce Button"};
    int width = 68;
    for (int i = 0; i < 3; ++i) {
        auto* button = new ZRPushButton(tr(texts[i]), skin, m_background, names[i]);
        if (!font.name.isEmpty()) button->setFontName(font.name);
        if (font.pointSize > 0) button->setFontSize(font.pointSize);
        width = std::max(width, button->sizeHint().width());
        m_modeButtons[i] = button;
    }
    for (int i = 0; i < 3; ++i) {
        m_modeButtons[i]->setFixedSize(width, 16);
        m_modeButtons[i]->setCheckable(true);
        m_modeGroup.addButton(m_modeButtons[i], i);
    }
    m_modeGroup.setExclusive(true);
    m_modeButtons[1]->setChecked(true);
}

QAction* ZRSBMainWindow::addItem(QMenu* menu, const QString& text, int id) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    registerMenuItem(id, action);
    return action;
}

void ZRSBMainWindow::createMenus() {
    QMenuBar* bar = menuBar();
    // Checkable items are checked by the commands alone: the toggle Qt makes on a click is taken
    // back before the command runs.
    auto command = [this](QAction* action, bool checkable) {
        action->setCheckable(checkable);
        const int id = action->data().toInt();
        connect(action, &QAction::triggered, this, [this, action, id](bool checked) {
            if (action->isCheckable()) {
                const QSignalBlocker block(action);
                action->setChecked(!checked);
            }
            slotMenuItemActivated(id);
        });
    };

    QMenu* file = bar->addMenu(tr("&File"));
    registerMenuItem(FileMenu, file->menuAction());
    connect(addItem(file, tr("New"), NewItem), &QAction::triggered, this,
            &ZRSBMainWindow::slotNewProject);
    QAction* open = addItem(file, tr("Open..."), OpenItem);
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(open, &QAction::triggered, this, &ZRSBMainWindow::slotOpenProject);
    file->addSeparator();
    QAction* save = addItem(file, tr("Save"), SaveItem);
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    connect(save, &QAction::triggered, this, [this] { slotSaveProject(); });
    QAction* saveAs = addItem(file, tr("Save As..."), SaveAsItem);
    saveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(saveAs, &QAction::triggered, this, &ZRSBMainWindow::slotSaveProjectAs);
    file->addSeparator();
    QAction* quit = file->addAction(tr("&Quit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, qApp, &QApplication::closeAllWindows);
    save->setEnabled(false);
    saveAs->setEnabled(false);

    m_optionsMenu = bar->addMenu(tr("&Options"));
    registerMenuItem(OptionsMenu, m_optionsMenu->menuAction());
    m_snapshotMenu = m_optionsMenu->addMenu(tr("Snapshot"));
    registerMenuItem(SnapshotMenu, m_snapshotMenu->menuAction());
    command(addItem(m_snapshotMenu, tr("Deinterlace"), DeinterlaceItem), true);
    m_snapshotMenu->addSeparator();
    command(addItem(m_snapshotMenu, tr("Copy to Clipboard"), ClipboardItem), true);
    command(addItem(m_snapshotMenu, tr("Save as file (BMP)"), BmpFileItem), true);

    m_splitSizeMenu = m_optionsMenu->addMenu(tr("Split Size (DV/MPEG)"));
    registerMenuItem(SplitSizeMenu, m_splitSizeMenu->menuAction());
    command(addItem(m_splitSizeMenu, tr("4 GB"), Split4GBItem), true);
    command(addItem(m_splitSizeMenu, tr("2 GB"), Split2GBItem), true);
    m_splitSizeMenu->addSeparator();
    command(addItem(m_splitSizeMenu, tr("800 MB"), Split800MBItem), true);
    command(addItem(m_splitSizeMenu, tr("700 MB"), Split700MBItem), true);
    command(addItem(m_splitSizeMenu, tr("650 MB"), Split650MBItem), true);
    // Sizes a settings file may hold without a menu entry of their own.
    for (int hidden : {Split1490000KBItem, Split5120KBItem}) {
        QAction* action =
            addItem(m_splitSizeMenu,
                    QString::number(settingsfile::splitKilobytes(hidden)) + tr(" KB"), hidden);
        command(action, true);
        action->setVisible(false);
    }
    m_splitSizeMenu->addSeparator();
    command(addItem(m_splitSizeMenu, tr("Scene Detection (DV)"), SceneDetectionItem), true);
    setMenuItemChecked(Split4GBItem, true);
    setMenuItemChecked(SceneDetectionItem, true);

    QMenu* interface = m_optionsMenu->addMenu(tr("Interface Options"));
    registerMenuItem(InterfaceMenu, interface->menuAction());
    connect(interface->addAction(tr("Default Background")), &QAction::triggered, this,
            &ZRSBMainWindow::defaultBackground);
    connect(interface->addAction(tr("Restore Background")), &QAction::triggered, this,
            &ZRSBMainWindow::restoreBackground);
    connect(interface->addAction(tr("Change Background")), &QAction::triggered, this,
            &ZRSBMainWindow::changeBackground);
    interface->addSeparator();
    QAction* stretch = addItem(interface, tr("Stretch Background"), StretchItem);
    stretch->setCheckable(true);
    stretch->setChecked(m_stretchBackground);
    connect(stretch, &QAction::triggered, this, [this, stretch](bool checked) {
        {
            const QSignalBlocker block(stretch);
            stretch->setChecked(!checked);
        }
        setStretch();
    });
    m_optionsMenu->addSeparator();
    QAction* renderer =
        addItem(m_optionsMenu, tr("Use Background Renderer"), BackgroundRendererItem);
    renderer->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    command(renderer, true);

    QMenu* help = bar->addMenu(tr("&Help"));
    registerMenuItem(HelpMenu, help->menuAction());
    command(addItem(help, tr("Documentation"), DocumentationItem), false);
    help->addSeparator();
    command(addItem(help, tr("Orvand Website"), WebsiteItem), false);
    command(addItem(help, tr("Orvand Interactive Tech Support"), SupportItem), false);
    command(addItem(help, tr("&Check for update"), UpdateItem), false);
    help->addSeparator();
    command(addItem(help, tr("About..."), AboutItem), false);
}

void ZRSBMainWindow::createLayouts() {
    m_mainLayout = new QGridLayout(m_background);
    m_mainLayout->setObjectName(QStringLiteral("main grid layout"));
    m_mainLayout->setContentsMargins(7, 7, 7, 7);
    m_mainLayout->setSizeConstraint(QLayout::SetNoConstraint);

    auto* modes = new QHBoxLayout();
    modes->setObjectName(QStringLiteral("mode buttons"));
    modes->setContentsMargins(0, 0, 0, 0);
    modes->setSpacing(0);
    modes->setSizeConstraint(QLayout::SetMinimumSize);
    for (int i = 0; i < 3; ++i) {
        if (i > 0) modes->addSpacing(3);
        modes->addWidget(m_modeButtons[i], 0, Qt::AlignLeft);
    }
    modes->addSpacing(35);
    modes->addWidget(m_topBar, 1);

    auto* editing = new QGridLayout();
    editing->setObjectName(QStringLiteral("trimmers, preview & panel"));
    editing->setContentsMargins(0, 0, 0, 0);
    editing->setSpacing(0);
    editing->setSizeConstraint(QLayout::SetMinimumSize);
    editing->addWidget(m_trimmerLeft, 0, 0, Qt::AlignLeft | Qt::AlignBottom);
    editing->setColumnMinimumWidth(1, 12);
    editing->addWidget(m_previewFrame, 0, 2, Qt::AlignHCenter | Qt::AlignTop);
    editing->setColumnMinimumWidth(3, 12);
    editing->addWidget(m_trimmerRight, 0, 4, Qt::AlignBottom);
    editing->setRowMinimumHeight(1, 12);
    editing->addWidget(m_positionSlider, 2, 2, Qt::AlignHCenter);
    editing->setRowMinimumHeight(3, 27);
    editing->setRowStretch(4, 1);

    m_mainLayout->addLayout(modes, 0, 0, 1, 2);
    m_mainLayout->addWidget(m_importView, 1, 0, Qt::AlignLeft | Qt::AlignTop);
    m_mainLayout->addWidget(m_producePage, 1, 0, Qt::AlignLeft | Qt::AlignTop);
    m_mainLayout->addLayout(editing, 1, 0);
    m_mainLayout->setColumnMinimumWidth(1, 10);
    m_mainLayout->addWidget(m_browser, 1, 1);
    m_mainLayout->addWidget(m_timelineView, 2, 0, 1, 2, Qt::AlignBottom);
    m_mainLayout->addWidget(m_storyboard, 2, 0, 1, 2, Qt::AlignBottom);
    m_mainLayout->activate();
}

void ZRSBMainWindow::connectViews() {
    using Self = ZRSBMainWindow;
    auto posSlot = qOverload<IZRPos*, QWidget*>(&Self::gotoPosition);
    auto storyboardPos = qOverload<IZRPos*, QWidget*>(&ZRStoryboard::positionChanged);

    // The slider's marks reached the player in the set-up, before the buttons were made.
    connect(m_storyboard, &ZRStoryboard::status_message, this,
            qOverload<const QString&, int>(&Self::message));
    connect(m_previewFrame, &ZRSBPreviewFrame::stateChanged, this, &Self::pvStateChanged);
    connect(m_previewFrame, &ZRSBPreviewFrame::atPosition, this, posSlot);
    connect(&m_modeGroup, &QButtonGroup::idClicked, this, &Self::slotSetVeskMode);
    // The menu items reach slotMenuItemActivated through their own actions (createMenus).
    connect(m_storyboard, &ZRStoryboard::allItemsDeleted, this, &Self::allItemsDeleted);
    connect(m_storyboard, &ZRStoryboard::draggingMode, this, &Self::draggingMode);
    connect(m_storyboard, &ZRStoryboard::objectDeleted, this, &Self::deleteObject);
    connect(m_storyboard->modeGroup(), &QButtonGroup::idClicked, this, &Self::slotViewModeChanged);
    connect(m_storyboard, &ZRStoryboard::snapshot, this, &Self::slotSnapshot);
    connect(m_storyboard, &ZRStoryboard::objectChanged, this, &Self::gotoObject);
    connect(m_storyboard, storyboardPos, this, posSlot);
    connect(m_trimmerLeft, &ZRSBTrimmer::positionChanged, this, posSlot);
    connect(m_trimmerRight, &ZRSBTrimmer::positionChanged, this, posSlot);
    connect(m_trimmerLeft, &ZRSBTrimmer::objectChanged, this, &Self::gotoObject);
    connect(m_trimmerRight, &ZRSBTrimmer::objectChanged, this, &Self::gotoObject);
    connect(m_storyboard, &ZRStoryboard::contentsChanged, this, &Self::updateContents);
    connect(m_timelineView, &ZRTimelineView::allItemsDeleted, this, &Self::allItemsDeleted);
    connect(m_timelineView, &ZRTimelineView::draggingMode, this, &Self::draggingMode);
    connect(m_timelineView, &ZRTimelineView::objectDeleted, this, &Self::deleteObject);
    connect(m_timelineView, &ZRTimelineView::snapshot, this, &Self::slotSnapshot);
    connect(m_timelineView->modeGroup(), &QButtonGroup::idClicked, this,
            &Self::slotViewModeChanged);
    connect(m_timelineView, &ZRTimelineView::objectChanged, this, &Self::gotoObject);
    connect(m_timelineView, &ZRTimelineView::objectUpdated, this, &Self::updateObject);
    connect(m_timelineView, &ZRTimelineView::positionChanged, this, posSlot);
    connect(m_timelineView, &ZRTimelineView::contentsChanged, this, &Self::updateContents);
    connect(m_trimmerLeft, &ZRSBTrimmer::markInChanged, this, &Self::slotUpdateClip);
    connect(m_trimmerRight, &ZRSBTrimmer::markInChanged, this, &Self::slotUpdateClip);
    connect(m_trimmerLeft, &ZRSBTrimmer::markOutChanged, this, &Self::slotUpdateClip);
    connect(m_trimmerRight, &ZRSBTrimmer::markOutChanged, this, &Self::slotUpdateClip);
    connect(m_trimmerLeft, &ZRSBTrimmer::refreshSlider, m_trimmerRight,
            &ZRSBTrimmer::updateSliderMinMax);
    connect(m_trimmerRight, &ZRSBTrimmer::refreshSlider, m_trimmerLeft,
            &ZRSBTrimmer::updateSliderMinMax);
    connect(m_positionSlider, &ZRSBPSlider::positionChanged, this,
            qOverload<double, QWidget*>(&Self::gotoPosition));
    ZRTransportButtons::Buttons transport{};
    std::copy(std::begin(m_transport), std::end(m_transport), transport.begin());
    m_transportButtons.attach(transport, m_previewFrame);
    ZRSBPreview* preview = m_previewFrame->preview();
    connect(preview, &ZRSBPreview::playedTo, this, &Self::followPlayback);
    connect(preview, &ZRSBPreview::playingChanged, this, &Self::playingChanged);
    connect(preview, &ZRSBPreview::aboutToPlay, this, &Self::aboutToPlay);
    preview->setFilePlayerFactory([](QWidget* parent) -> ZRFilePlayer* {
        return new ZRDSFilePreview(parent, "DirectShow File Preview");
    });
    connect(m_importView, &ZRImportView::capturedFile, this, &Self::slotAddCapturedFile);
    connect(m_browser->clipView(), &ZRBrowserIconView::setVeskMode, this, &Self::slotSetVeskMode);
    connect(m_editor.get(), &ZRVeskEditor::objectToBeDeleted, this, &Self::deleteObject);
    connect(m_editor.get(), &ZRVeskEditor::allObjectsToBeDeleted, this, &Self::allItemsDeleted);

    // Every edit leaves the project modified; a loaded project shows its profile and frame.
    connect(m_editor.get(), &ZRVeskEditor::projectChanged, this, &Self::projectChanged);
    connect(m_editor.get(), &ZRVeskEditor::projectLoaded, this, [this] {
        m_producePage->selectChosenProfile();
        m_previewFrame->preview()->update();
    });
}

void ZRSBMainWindow::centreOnScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    // Until it is shown the window has Qt's default size, not the one its layouts give it:
    // lay it out now and take that size, as show() would.
    if (!isVisible()) {
        ensurePolished();
        for (QWidget* child : findChildren<QWidget*>())
            child->ensurePolished();
        if (QLayout* top = layout()) top->activate();
        if (!testAttribute(Qt::WA_Resized)) adjustSize();
    }
    QRect frame = frameGeometry();
    frame.moveCenter(screen->geometry().center());
    move(frame.topLeft());
}

void ZRSBMainWindow::registerMenuItem(int id, QAction* action) {
    m_menuItems.insert(id, action);
}

QAction* ZRSBMainWindow::menuItem(int id) const {
    return m_menuItems.value(id);
}

bool ZRSBMainWindow::isMenuItemChecked(int id) const {
    QAction* action = menuItem(id);
    return action && action->isChecked();
}

bool ZRSBMainWindow::isMenuItemEnabled(int id) const {
    QAction* action = menuItem(id);
    return action && action->isEnabled();
}

ZRPushButton* ZRSBMainWindow::modeButton(int mode) const {
    return mode >= 0 && mode < 3 ? m_modeButtons[mode] : nullptr;
}

ZRPushButton* ZRSBMainWindow::transportButton(int index) const {
    return index >= 0 && index < ZRTransportButtons::ButtonCount ? m_transport[index] : nullptr;
}

IZRObject* ZRSBMainWindow::currentObject() {
    return m_currentObject;
}

IZRPos* ZRSBMainWindow::currentPosition() {
    return m_currentPosition;
}

void ZRSBMainWindow::message(const QString& text, int ms) {
    statusBar()->showMessage(text, ms);
    // Long engine calls keep the event loop from painting: paint the text now, but not more
    // often than every 50 ms (an export sends a line a frame; the produce page lets the
    // deferred paint run at least as often).
    if (m_sinceStatusPaint.isValid() && m_sinceStatusPaint.elapsed() < kStatusPaintMs) return;
    statusBar()->repaint();
    m_sinceStatusPaint.start();
}

void ZRSBMainWindow::message(const QString& text) {
    QString line = text;
    line.remove(QLatin1Char('\r'));
    line.remove(QLatin1Char('\n'));
    line.replace(QLatin1Char('\t'), QLatin1String("    "));
    statusBar()->showMessage(line);
}

void ZRSBMainWindow::setMenuItemEnabled(int id, bool enabled) {
    if (QAction* action = menuItem(id)) action->setEnabled(enabled);
}

void ZRSBMainWindow::setMenuItemChecked(int id, bool checked) {
    if (QAction* action = menuItem(id)) action->setChecked(checked);
}

void ZRSBMainWindow::addBrowserFile(const QString& folder, const QString& path, int kind) {
    if (!m_browser) return;
    m_browser->clipView()->addFile(folder, path, kind);
    m_browser->tabBar()->setCurrentTab(0);
    m_browser->selectTab(0);
}

QString ZRSBMainWindow::selectedBrowserFile() {
    return m_browser ? m_browser->clipView()->selectedFilePath() : QString();
}

void ZRSBMainWindow::exportProgress(IZRPos* position, bool recompressing) {
    if (m_producePage) m_producePage->exportProgress(position, recompressing);
}

void ZRSBMainWindow::followPlayback(IZRPos* position) {
    QWidget* player = m_previewFrame->preview();
    // Blocked, so that the view's position notice does not come back to the playing player.
    if (m_storyboard->isVisible()) {
        const QSignalBlocker blocker(m_storyboard);
        m_storyboard->gotoPosition(position, player);
    } else if (m_timelineView->isVisible()) {
        const QSignalBlocker blocker(m_timelineView);
        m_timelineView->slotGotoPosition(position, player);
    }
}

void ZRSBMainWindow::playingChanged(bool playing) {
    m_storyboard->setEnabled(!playing);
    m_timelineView->setEnabled(!playing);
}

void ZRSBMainWindow::aboutToPlay() {
    if (m_browser->currentTab() != 0) m_browser->hideAllPreviews();
}

QConfig* ZRSBMainWindow::settings() const {
    return appState().settings();
}

void ZRSBMainWindow::projectChanged() {
    appState().setModified(true);
    setMenuItemEnabled(SaveAsItem, true);
}
