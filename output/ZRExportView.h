#pragma once

#include "classes/widgets/ZRFrame.h"
#include "output/ZRExportProfiles.h"

#include <QElapsedTimer>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class IZRPos;
class IZRTimeline;
class QDoubleValidator;
class QIntValidator;
class QSBWidget;
class QTimer;
class ZRComboBox;
class ZRExportCameraView;
class ZRLabel;
class ZRLiveOutput;
class ZRPushButton;
class ZRSBPSlider;
class ZRSBPreview;
class ZRSkinBox;
class ZRTabBar;
class ZRTCWidget;

/// The produce page: five output tabs, a preview with its position slider, transport and range
/// buttons, the mark time codes, the profile area and Render.
///
/// Profile area: the ten profile combo boxes (profile, video codec, frame rate, width, height,
/// audio compression, sample rate, channels, maximum and average MPEG bit rate) with their
/// validators, Save and Delete, over the profile list (`ZRExportProfiles`) stored in
/// "clipstead.ini". Only user actions write settings back: while the page fills a box it blocks
/// the box's signals. Edits of a built-in profile derive a user profile first. An edit is stored
/// only when its validator accepts it.
///
/// Render (`slotRenderClicked`) renders the marked range into one file through the engine on
/// the GUI thread; the engine's progress callback reaches `exportProgress` for every frame, which
/// moves the knob, shows a frame a second, watches the free space of the target's file system
/// and turns a stop (Render clicked again, Escape confirmed, too little space) into the state
/// object's stop request. Only a render that ran to its end adds its file to "Produced".
///
/// Positions are fractions of the last frame (end - 1 frame); a last frame of 0 or less puts
/// every fraction at 0. Tabs 1-4 (camera, web cast, Video CD, DVD) hold their pages' places;
/// on the camera tab transport does nothing without a live output. GUI thread only.
class ZRExportView : public ZRFrame {
    Q_OBJECT

public:
    /// The keys of "General Settings" the page reads and writes.
    static constexpr const char* kMaxBitrateKey = "MPEGMaxBitrate";
    static constexpr const char* kAvgBitrateKey = "MPEGAvgBitrate";
    static constexpr const char* kWarningOffKey = "ExportDiscwrightCheckBox";

    /// Tab ids, in the tab bar's order.
    enum Tab { DiskTab = 0, CameraTab = 1, WebTab = 2, VcdTab = 3, DvdTab = 4 };
    /// Transport buttons by index.
    enum Transport { Rewind = 0, FrameBack, Play, FrameForward, Forward, Loop, TransportCount };
    /// Renders with less free space than this stop at once.
    static constexpr int64_t kMinimumFreeBytes = 5 * 1024 * 1024;
    /// The folder of the "Produced" files in the browser.
    static constexpr const char* kProducedFolder = "Produced";
    static constexpr const char* kExportFileNameKey = "ExportFileName";
    static constexpr const char* kMediaFolderKey = "MediaFolder";
    /// Free bytes for the user on the file system holding a folder; nothing when unknown.
    using FreeSpaceQuery = std::function<std::optional<int64_t>(const QString& folder)>;

    /// What a render is given for the current profile (`applyExportSettings`).
    struct ExportTarget {
        QString formatName;         ///< "AVI", "AVI-DV Multifile", "MPEG"; empty for other ids
        QString filter;             ///< the file dialog's filter, translated
        QString extension;          ///< without the dot
        bool settingsSaved = false; ///< false: the module file could not be written
    };

    explicit ZRExportView(QWidget* parent = nullptr, const char* name = nullptr,
                          Qt::WindowFlags flags = {});
    ~ZRExportView() override;

    /// Keeps the engine timeline (not owned, outlives the page; a second call is ignored),
    /// makes the mark positions, hands it to the preview, fills the list with the built-in and
    /// the stored profiles, takes the stored bit rates and selects entry 0.
    virtual void setTimeline(IZRTimeline* timeline);
    /// Called once per exported frame, inside the engine's export: moves the knob, shows the
    /// composed frame once a second while recompressing, watches the free space and may
    /// request a stop through the state object. Turns a confirmed Escape into the stop request
    /// and lets pending events run at least every 50 ms.
    virtual void exportProgress(IZRPos* position, bool recompressing);
    /// Selects the profile of the state object's output format and TV standard: format 0 DV
    /// (position 1 PAL, 2 NTSC), 1 VCD (3, 4), 2 S-VCD (5, 6), 3 DVD (7, 8), 4 multimedia (0);
    /// any other format keeps the current position. Then `slotFormatActivated` runs on it.
    virtual void selectChosenProfile();
    /// Copies mark-in, mark-out and knob of the main window's slider into the page's slider,
    /// applies the marks and repaints the preview.
    virtual void syncMarksFromTimeline();
    /// Enables or disables together the eight setting boxes, the five transport buttons other
    /// than play, the two range buttons and the tab bar; Save and Delete go off, or on only for
    /// a user-made profile.
    virtual void setControlsEnabled(bool on);
    /// Replaces the free-space query of the disk watch (statvfs by default).
    void setFreeSpaceQuery(FreeSpaceQuery query);

    void show();
    void hide();

    /// Appends the nine built-in profiles to the list and the profile box.
    virtual void createBuiltInProfiles();
    /// Appends one profile that is not the user's to the list and the profile box.
    virtual void addBuiltInProfile(const QString& name, const QString& videoCodec,
                                   const QString& audioCodec, int width, int height, double fps,
                                   int sampleRate, int channels, int formatId, bool saved);
    /// Appends the profiles stored in the settings file to the list and the profile box.
    virtual void readProfiles();
    /// Writes the saved profiles to the settings file and saves it; false (after a status-bar
    /// message) when the file could not be written.
    virtual bool writeProfiles();

    /// Applies the current profile's export settings: for AVI the two compressor names to the
    /// engine; for AVI-DV Multifile and MPEG the module groups of "tmp_modules.ini"
    /// (`modulesettings::write`). Without a current profile: an empty target, not saved.
    virtual ExportTarget applyExportSettings();

    /// The profile list.
    const ZRExportProfiles& profiles() const { return m_profiles; }
    /// The current profile; null before one is selected. A render refuses one whose `check()`
    /// fails.
    const ExportProfile* currentProfile() const;
    int currentProfileIndex() const { return m_current; }

    /// The profile area's boxes and buttons, by their role.
    ZRComboBox* profileBox() const { return m_profileBox; }
    ZRComboBox* videoCodecBox() const { return m_videoCodecBox; }
    ZRComboBox* frameRateBox() const { return m_frameRateBox; }
    ZRComboBox* widthBox() const { return m_widthBox; }
    ZRComboBox* heightBox() const { return m_heightBox; }
    ZRComboBox* audioCodecBox() const { return m_audioCodecBox; }
    ZRComboBox* sampleRateBox() const { return m_sampleRateBox; }
    ZRComboBox* channelsBox() const { return m_channelsBox; }
    ZRComboBox* maxBitrateBox() const { return m_maxBitrateBox; }
    ZRComboBox* avgBitrateBox() const { return m_avgBitrateBox; }
    ZRPushButton* saveButton() const { return m_saveButton; }
    ZRPushButton* deleteButton() const { return m_deleteButton; }
    ZRPushButton* renderButton() const { return m_renderButton; }
    ZRPushButton* transportButton(int index) const;
    ZRPushButton* markInButton() const { return m_markInButton; }
    ZRPushButton* markOutButton() const { return m_markOutButton; }
    ZRTCWidget* markInCode() const { return m_markInCode; }
    ZRTCWidget* markOutCode() const { return m_markOutCode; }
    ZRTabBar* tabBar() const { return m_tabBar; }
    ZRSBPSlider* slider() const { return m_slider; }
    ZRSBPreview* preview() const { return m_preview; }
    /// The estimate line under Render, shown while a render runs.
    ZRLabel* diskSpaceLabel() const { return m_diskLabel; }
    /// The page of tab `tab` (1-4; the camera page for 1), null for others.
    QSBWidget* subPage(int tab) const;
    QWidget* cameraVideoWidget() const { return m_cameraVideo; }
    ZRExportCameraView* cameraPage() const;
    /// The live output of timeline mode; null when off.
    ZRLiveOutput* liveOutput() const { return m_liveOutput.get(); }
    QTimer* nativeDVQueryTimer() const { return m_queryTimer; }
    int currentTab() const { return m_tab; }
    bool loopOn() const { return m_loop; }
    IZRPos* markInPosition() const { return m_markIn; }
    IZRPos* markOutPosition() const { return m_markOut; }
    /// End - 1 frame as of the last render or mark click; null before the timeline.
    IZRPos* lastFramePosition() const { return m_lastFrame; }
    QString exportFolder() const { return m_exportFolder; }
    int64_t freeSpaceAtStart() const { return m_freeAtStart; }

public Q_SLOTS:
    /// Accept device time codes; the page shows none.
    virtual void slotShowInTimeCode(long code);
    virtual void slotShowOutTimeCode(long code);
    virtual void slotFormatActivated(int index);
    virtual void slotCodecActivated(int index);
    /// Empty: the value arrives through `slotFpsChanged`.
    virtual void slotFrameRateActivated(const QString& text);
    /// Empty: the value arrives through `slotWidthChanged`.
    virtual void slotWidthActivated(const QString& text);
    /// Empty: the value arrives through `slotHeightChanged`.
    virtual void slotHeightActivated(const QString& text);
    virtual void slotCompressionActivated(int index);
    /// Empty: the value arrives through `slotSamplerateChanged`.
    virtual void slotSampleRateActivated(int index);
    virtual void slotChannelsActivated(int index);
    virtual void slotMaxBitrateActivated(int index);
    virtual void slotAvgBitrateActivated(int index);
    virtual void slotSaveClicked();
    virtual void slotDeleteClicked();
    /// Renders into a file, or asks the running render to stop.
    virtual void slotRenderClicked();
    virtual void slotWidthChanged(const QString& text);
    virtual void slotHeightChanged(const QString& text);
    virtual void slotFpsChanged(const QString& text);
    virtual void slotSamplerateChanged(const QString& text);
    virtual void slotMaxBitrateChanged(const QString& text);
    virtual void slotAvgBitrateChanged(const QString& text);
    /// Mark-in = last frame x `fraction`; shown in its time code. Nothing without a timeline.
    virtual void slotMarkInChanged(double fraction, QWidget* sender);
    /// Mark-out = last frame x (1 - `fraction`) (the handle counts from the right end).
    virtual void slotMarkOutChanged(double fraction, QWidget* sender);
    /// Takes the preview's position (on the camera tab the open live output's) as mark-in when
    /// it lies before mark-out.
    virtual void slotMarkInClicked();
    /// Takes the preview's position (on the camera tab the open live output's) as mark-out when
    /// it lies after mark-in.
    virtual void slotMarkOutClicked();
    virtual void tabBarChanged(int tab);
    /// The camera page's timeline mode; the live output comes with the camera page.
    virtual void slotTimelineModeActivated(bool on);
    virtual void slotTimelineModeDeviceCommand(long command);
    /// Switches the play toggle on (or off) when it is not already.
    virtual void slotEnablePlaybackButton();
    virtual void slotDisablePlaybackButton();
    virtual void slotTimelineQuery();
    /// Return in the profile name: renames a user profile; a refused name puts the old one back.
    virtual void slotUpdateFormat();
    /// Empty: Return in the frame rate changes nothing beyond the typed value.
    virtual void slotUpdateFrameRate();
    virtual void slotUpdateMaxBitrate();
    virtual void slotUpdateAvgBitrate();
    /// Empty: Return in the width changes nothing beyond the typed value.
    virtual void slotUpdateWidth();
    /// Empty: Return in the height changes nothing beyond the typed value.
    virtual void slotUpdateHeight();
    /// Transport off the camera tab: the preview's operations of the same names.
    virtual void framerew();
    virtual void framefwd();
    virtual void rewind();
    virtual void forward();
    /// Flips the loop flag and, off the camera tab, the preview's loop.
    virtual void loop();
    /// From the preview: a stopped preview gives the controls back, the play toggle off.
    virtual void stateChanged();

    /// Plays or stops the preview (off the camera tab), disabling the other controls meanwhile.
    void toggle_play_stop(bool on);
    /// From the preview: the knob follows `position`; nothing without a timeline or position.
    void gotoPosition(IZRPos* position, QWidget* sender);
    /// From the slider: the preview moves to last frame x `fraction`; on the camera tab the open
    /// live output sends the frame there to the device.
    void gotoPosition(double fraction, QWidget* sender);

Q_SIGNALS:
    void sigTimelineStateChanged(long state, long code);
    void sigTabBarChanged(int tab);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void composeBackground(int x, int y, int w, int h) override;
    using ZRFrame::composeBackground;

private:
    enum class Edit { Width, Height, Fps, SampleRate, Channels };

    ZRComboBox* makeBox(bool editable, const char* name, const QString& toolTip);
    void setProfileBoxEditable(bool editable);
    void fillCodecLists(ExportProfile& profile);
    /// The profile an edit goes to: the current one, or a profile derived from a built-in one.
    ExportProfile* editTarget();
    void deriveProfile();
    void applyEdit(Edit edit, const QString& text);
    void commitMaximum();
    void commitAverage();
    void showBitrates(const QString& maximum, const QString& average, int beeps);
    void layoutProfileArea();
    void createPlayerArea();
    void layoutPlayerArea();
    /// The last frame's fraction of `position` (0 when the last frame is 0 or less).
    double fractionOf(const IZRPos* position) const;
    /// Sets `target` to last frame x `fraction` in whole milliseconds.
    void setToFraction(IZRPos* target, double fraction);
    /// Recomputes the last frame (end - 1 frame) from the engine.
    void updateLastFrame();
    /// Puts the slider's handles where the marks are.
    void showMarksOnSlider();
    void applySliderRule();
    // The render's steps after the file is chosen; false ends the render early.
    bool checkProfile(const ExportProfile& profile);
    void runRender(const ExportProfile& profile, const ExportTarget& target,
                   const QString& fileName);
    void endRender();
    void showRenderFailure(int result);
    /// Steps 3-11 of the disk watch on `position`; true when the handler goes on.
    void watchDiskSpace(IZRPos* position);
    void processEventsEvery50ms();
    /// Ends timeline mode's live output; while it plays, a stop is requested and the object goes
    /// once its play returned.
    void deleteLiveOutput();
    /// The live output when open, else null.
    ZRLiveOutput* openLiveOutput() const;
    /// Moves the live output to `position`, sends that frame and moves the page there.
    void sendLiveFrame(IZRPos* position);
    /// Where the range buttons take their mark: the live output's position on the camera tab
    /// (null without an open one), else the preview's.
    IZRPos* markSource() const;

    IZRTimeline* m_timeline = nullptr;
    ZRExportProfiles m_profiles;
    int m_current = -1;
    bool m_committing = false;

    ZRComboBox* m_profileBox;
    ZRComboBox* m_videoCodecBox;
    ZRComboBox* m_frameRateBox;
    ZRComboBox* m_widthBox;
    ZRComboBox* m_heightBox;
    ZRComboBox* m_audioCodecBox;
    ZRComboBox* m_sampleRateBox;
    ZRComboBox* m_channelsBox;
    ZRComboBox* m_maxBitrateBox;
    ZRComboBox* m_avgBitrateBox;
    ZRPushButton* m_saveButton;
    ZRPushButton* m_deleteButton;
    QIntValidator* m_sizeValidator;
    QDoubleValidator* m_fpsValidator;
    QIntValidator* m_sampleRateValidator;
    QIntValidator* m_bitrateValidator;
    std::vector<ZRLabel*> m_labels; ///< label, box pairs in `layoutProfileArea` order

    ZRTabBar* m_tabBar = nullptr;
    ZRSBPSlider* m_slider = nullptr;
    ZRSBPreview* m_preview = nullptr;
    std::array<ZRPushButton*, TransportCount> m_transport{};
    /// The buttons' places on the slider's panel (they are the page's children: the slider is
    /// disabled on its own while they work).
    std::array<QRect, TransportCount> m_transportRects{};
    ZRPushButton* m_markInButton = nullptr;
    ZRPushButton* m_markOutButton = nullptr;
    ZRTCWidget* m_markInCode = nullptr;
    ZRTCWidget* m_markOutCode = nullptr;
    ZRPushButton* m_renderButton = nullptr;
    ZRLabel* m_diskLabel = nullptr;
    QSBWidget* m_cameraPage = nullptr;
    std::unique_ptr<ZRLiveOutput> m_liveOutput;
    bool m_deleteLiveOutputAfterPlay = false;
    QTimer* m_queryTimer = nullptr;
    QWidget* m_cameraVideo = nullptr;
    QSBWidget* m_vcdPage = nullptr;
    QSBWidget* m_webPage = nullptr;
    QSBWidget* m_dvdPage = nullptr;
    std::unique_ptr<ZRSkinBox> m_innerBox;
    std::unique_ptr<ZRSkinBox> m_bottomBox;

    IZRPos* m_markIn = nullptr;
    IZRPos* m_markOut = nullptr;
    IZRPos* m_lastFrame = nullptr;
    int m_tab = DiskTab;
    bool m_loop = false;
    QString m_exportFolder;
    int64_t m_freeAtStart = 0;
    /// The start of the rendered range, for the elapsed time of the disk watch.
    double m_renderStartMs = 0.0;
    FreeSpaceQuery m_freeSpace;
    QElapsedTimer m_sinceEvents;
};
