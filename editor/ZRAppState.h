#pragma once

#include <QPointer>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

class IZRObject;
class IZRPos;
class IZRTimeline;
class QConfig;
class QMenuBar;
class QObject;
class QWidget;

/// Releases the settings file with the function it was handed over with.
struct ZRSettingsDeleter {
    void (*release)(QConfig*) = nullptr;
    void operator()(QConfig* settings) const {
        if (release) release(settings);
    }
};

/// The program's process-wide state: default video values, the export flags, the settings file,
/// the engine timeline, the main window's components and a few options. Read and written on the
/// GUI thread; `lock` guards the published format (frame size, rate, format index, NTSC flag)
/// for other threads. `exportRunning`, `stopRequested` and `previewPlaying` are also polled by
/// the export and output threads and are atomics. Component slots empty themselves when their
/// widget is destroyed; they are published for enabling and disabling alone: what acts on a
/// view or a page goes through `hub`, which the window implements, so that the model knows no
/// view.
class ZRAppState {
public:
    /// What the engine callbacks and the views ask of the main window; the main window
    /// implements it and publishes itself in `hub`. Used on the GUI thread only.
    class Hub {
    public:
        /// The object the views work on, null when none.
        virtual IZRObject* currentObject() = 0;
        /// The current position, null before the timeline arrives.
        virtual IZRPos* currentPosition() = 0;
        /// Shows `text` in the status bar for `ms` milliseconds, painted at once.
        virtual void message(const QString& text, int ms) = 0;
        virtual void setMenuItemEnabled(int id, bool enabled) = 0;
        virtual void setMenuItemChecked(int id, bool checked) = 0;
        /// Adds a file to the browser's clip view (a known path is skipped) and shows its first
        /// page. Nothing by default.
        virtual void addBrowserFile(const QString& folder, const QString& path, int kind);
        /// The path of the first selected file of the browser's clip view; null by default.
        virtual QString selectedBrowserFile();
        /// Hands an export's progress to the produce page. Nothing by default.
        virtual void exportProgress(IZRPos* position, bool recompressing);

    protected:
        ~Hub() = default;
    };

    /// A trimmer as `setComponentsEnabled` hands it the object to trim; the trimmers implement
    /// it. GUI thread only.
    class TrimmerPanel {
    public:
        /// Shows `object` (null for none) in the panel.
        virtual void showObject(IZRObject* object) = 0;

    protected:
        ~TrimmerPanel() = default;
    };

    /// Menu item ids the state object acts on.
    static constexpr int kSaveMenuItem = 2903;

    /// Component groups of `setComponentsEnabled`.
    enum ComponentMask : unsigned {
        AllComponents = 1,
        ModeButtons = 2,
        Browser = 4,
        Storyboard = 8,
        MenuBar = 32,
        Trimmers = 64,
    };

    ZRAppState();
    ~ZRAppState();
    ZRAppState(const ZRAppState&) = delete;
    ZRAppState& operator=(const ZRAppState&) = delete;

    std::mutex lock;

    int32_t mode = 4;
    int32_t frameWidth = 320;
    int32_t frameHeight = 200;
    double frameRate = 30.0;
    /// The output format index (0 DV, 1 VCD, 2 SVCD, 3 DVD, 4 multimedia) of the project.
    int32_t formatIndex = 3;
    /// True for 525-line material.
    bool ntsc = true;
    /// Clip-could-not-be-loaded notices of the current load.
    int32_t clipLoadWarnings = 0;

    IZRTimeline* timeline = nullptr;
    /// The main window's interface; null while there is no main window.
    Hub* hub = nullptr;

    QPointer<QWidget> mainWindow;
    QPointer<QWidget> browser;
    QPointer<QWidget> storyboard;
    QPointer<QWidget> timelineView;
    QPointer<QObject> editor;
    QPointer<QWidget> trimmerLeft;
    QPointer<QWidget> trimmerRight;
    QPointer<QWidget> positionSlider;
    QPointer<QWidget> preview;
    QPointer<QWidget> previewFrame;
    QPointer<QWidget> captureButton;
    QPointer<QWidget> editButton;
    QPointer<QWidget> produceButton;
    QPointer<QMenuBar> menuBar;

    std::atomic<bool> exportRunning{false};
    std::atomic<bool> stopRequested{false};
    IZRPos* sharedPos = nullptr;
    bool useBackgroundRenderer = true;
    /// Capture and produce file split size in kilobytes (the "4 GB" entry).
    int32_t splitSize = 3784704;
    bool sceneDetection = true;
    bool modified = false;
    QPointer<QWidget> skipBackButton;
    QPointer<QWidget> frameBackButton;
    QPointer<QWidget> playButton;
    QPointer<QWidget> frameForwardButton;
    QPointer<QWidget> skipForwardButton;
    QPointer<QWidget> loopButton;
    std::atomic<bool> previewPlaying{false};

    /// The settings file, null until the main window's set-up makes it. Owned: released with
    /// `deleter` (which writes the file back) when replaced or when the state object goes.
    QConfig* settings() const { return m_settings.get(); }
    void setSettings(QConfig* settings, void (*deleter)(QConfig*));

    /// Enables or disables groups of components (`ComponentMask`; `AllComponents` selects
    /// every group). Enabling the trimmers hands them (as `TrimmerPanel`s) the main window's
    /// current object and does nothing without one.
    void setComponentsEnabled(bool enable, unsigned mask);
    /// Adds a file to the browser's clip view through `hub` (a known path is skipped) and shows
    /// its first page; nothing without a window.
    void addBrowserFile(const QString& folder, const QString& path, int kind);
    /// The path of the first selected file of the browser's clip view, asked of `hub`; null
    /// when none or without a window.
    QString selectedBrowserFile() const;
    /// Stores the flag and enables File > Save exactly when it is set.
    void setModified(bool modified);

private:
    std::unique_ptr<QConfig, ZRSettingsDeleter> m_settings;
};

/// The program's one state object, made on first use and destroyed after `main` returns.
ZRAppState& appState();
