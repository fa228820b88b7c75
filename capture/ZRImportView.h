#pragma once

#include "capture/ZRDeviceInfo.h"
#include "capture/ZRImportViewTransport.h"
#include "classes/widgets/ZRFrame.h"

#include <QPointer>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

struct PSDLayer;
struct PSDLayerSet;
class QCheckBox;
class QSlider;
class QSpinBox;
class QTimer;
class ZRComboBox;
class ZRGraphFactory;
class ZRJogShuttle;
class ZRLabel;
class ZRPushButton;
class ZRRemoteCtrl;
class ZRSkinBox;
class ZRTabBar;
class ZRTCWidget;
class ZRVideoWidget;
template <class T> class QDict;

/// The main window's "CAPTURE" page: the live picture of the chosen capture device, the device,
/// folder, file name and format choices, the device's properties, a record timer and the
/// recording to disk, all through one graph factory that exists while the page is shown.
///
/// A capture goes to "<folder>/<name>.<extension by device class>"; when it ends it is found
/// (segment list, or its single file), MPEG lists are joined, and it is added to the browser's
/// "Captured" folder; the next free name follows. The record display runs once a second while
/// the page is shown and stops a capture when the timer expires or the disk fills. While
/// recording, device and file changes are refused. Hiding the page stops and collects a running
/// capture first.
///
/// The clock, the free-space query and the camera's start-up wait are injectable for tests.
/// GUI thread only.
class ZRImportView : public ZRFrame {
    Q_OBJECT
public:
    /// Recording states.
    enum RecordState { Recording = 1, Idle = 4 };
    /// Disk button bits of `setButtonsEnabled` and `setButtonsToggled`.
    enum DiskButton : unsigned { StopHdd = 0x100, PlayHdd = 0x200, RecordHdd = 0x400 };
    /// The seven transport buttons (then "RECORD" and the three disk buttons), skin set order.
    enum Button {
        Rewind,
        Ffwd,
        FrameBwd,
        FrameFwd,
        Pause,
        Stop,
        Play,
        Record,
        StopHddButton,
        PlayHddButton,
        RecordHddButton,
        ButtonCount
    };
    /// Property codes of `getAVProp` and `setAVProp`.
    enum AVProp {
        Brightness = 1,
        Contrast,
        Hue,
        Saturation,
        Sharpness,
        Bitrate,
        Input,
        TVTuner,
        TVFormat,
        Volume,
        Balance,
        TVAudio
    };

    static constexpr const char* kCapturedFolder = "Captured";
    static constexpr int kDefaultBitrate = 8000000;
    /// Seconds from "now" (the clock) and free bytes of a folder (nothing when unknown).
    using Clock = std::function<int64_t()>;
    using FreeSpaceQuery = std::function<std::optional<int64_t>(const QString& folder)>;
    using Wait = std::function<void(int ms)>;

    ZRImportView(QWidget* parent = nullptr, const char* name = nullptr, Qt::WindowFlags flags = {});
    ~ZRImportView() override;

    void setClock(Clock clock) { m_clock = std::move(clock); }
    void setFreeSpaceQuery(FreeSpaceQuery query) { m_freeSpace = std::move(query); }
    void setWait(Wait wait) { m_wait = std::move(wait); }
    /// The camera transport controller (not owned; null for none): the seven transport buttons
    /// and the jog shuttle drive it from now on. The page starts with its own `ZRRemoteCtrl`.
    void setTransport(IZRCaptureTransport* transport);
    IZRCaptureTransport* transport() const { return m_transport; }
    /// The page's own transport controller, "mpRemoteCtrl import".
    ZRRemoteCtrl* remoteControl() const { return m_remote; }
    ZRJogShuttle* jogShuttle() const { return m_jogShuttle; }

    /// Shown and hidden run here on a real change: Qt's show() and hide() are not virtual.
    void setVisible(bool visible) override;

    // Read by tests and the main window.
    int splitSettingsChanges() const { return m_splitSettingsChanges; }
    int recordState() const { return m_recordState; }
    ZRGraphFactory* factory() const { return m_factory.get(); }
    const QString& capturePath() const { return m_capturePath; }
    const QString& pendingFile() const { return m_pendingFile; }
    int videoClass() const { return m_videoClass; }
    int videoType() const { return m_videoType; }
    long graphKind() const { return m_lastKind; }
    const QString& videoDeviceName() const { return m_videoName; }
    int recordTimeSet() const { return m_recordTime; }
    int appliedBitrate() const { return m_appliedBitrate; }
    ZRComboBox* videoDeviceCombo() const { return m_videoCombo; }
    ZRComboBox* audioDeviceCombo() const { return m_audioCombo; }
    ZRComboBox* encoderCombo() const { return m_encoderCombo; }
    ZRComboBox* folderCombo() const { return m_folderCombo; }
    ZRComboBox* fileNameCombo() const { return m_fileCombo; }
    ZRComboBox* resolutionCombo() const { return m_resolutionCombo; }
    ZRComboBox* audioFormatCombo() const { return m_audioFormatCombo; }
    ZRComboBox* propertySelector() const { return m_propSelector; }
    ZRComboBox* inputCombo() const { return m_inputCombo; }
    ZRComboBox* tvFormatCombo() const { return m_tvFormatCombo; }
    QSlider* propertySlider(int code) const;
    QSpinBox* bitrateSpin() const { return m_bitrateSpin; }
    ZRPushButton* bitrateAccept() const { return m_bitrateAccept; }
    ZRPushButton* tunerButton() const { return m_tunerButton; }
    ZRPushButton* tvAudioButton() const { return m_tvAudioButton; }
    ZRPushButton* button(int index) const;
    QSpinBox* timeSpin(int index) const { return m_timeSpins[size_t(index)]; }
    QCheckBox* timerCheck() const { return m_timerCheck; }
    ZRLabel* toGoLabel() const { return m_toGoLabel; }
    ZRLabel* freeLabel() const { return m_freeLabel; }
    ZRTCWidget* cameraTimeCode() const { return m_cameraCode; }
    ZRTCWidget* elapsedTimeCode() const { return m_elapsedCode; }
    ZRVideoWidget* previewWindow() const { return m_preview; }
    QTimer* displayTimer() const { return m_displayTimer; }
    /// The text the video device list shows for a record of `deviceClass` and driver `type`.
    static QString deviceListText(int deviceClass, int type, const QString& friendlyName,
                                  const QString& modelText);
    /// The captions drawn on the frame, in order.
    static const char* const kCaptions[6];

public Q_SLOTS:
    virtual void slotSelectFile();
    virtual void slotSelectDevice();
    virtual void slotStartRec();
    virtual void slotStopRec();
    virtual void slotMyShow();
    virtual void slotMyHide();
    virtual void slotGraphStopped(long code);
    virtual void slotDevicesChanged();
    virtual void slotToggleHDDRecordButton(bool on);
    virtual void slotHDDStop();
    virtual void slotStop();
    virtual void slotShowTimeCode(long tc);
    virtual void slotResetDeviceList();
    virtual void slotVideoDeviceSelected(int index);
    virtual void slotAudioDeviceSelected(int index);
    virtual void slotVideoEncoderSelected(int index);
    virtual void slotTempFolderSelected();
    virtual void slotOutputFilenameSelected();
    virtual void slotResolutionSelected(int index);
    virtual void slotAudioResolutionSelected(int index);
    virtual void slotTempFolderActivated(const QString& text);
    virtual void slotFilenameActivated(const QString& text);
    /// Rebuilds the graph with the state object's split size and scene split, when a graph
    /// exists and nothing is recording.
    virtual void slotSplitSettingsChange();
    virtual void slot_destroy();
    void slotTempFolderFocusLost();
    void slotFilenameFocusLost();
    void slotRecTimerEnabled(bool on);
    void slotRecTimer();
    void slotRecTimeSet(int value);
    virtual void slotAVPropSelect(int index);
    virtual void slotAVPropVBrightness(int value);
    virtual void slotAVPropVContrast(int value);
    virtual void slotAVPropVHue(int value);
    virtual void slotAVPropVSaturation(int value);
    virtual void slotAVPropVSharpness(int value);
    virtual void slotAVPropVBitrateMax(int value);
    virtual void slotAVPropVBitrateMaxAccept();
    virtual void slotAVPropVInputSelect(int index);
    virtual void slotAVPropVTVTunerDlg();
    virtual void slotAVPropVTVFormat(int index);
    virtual void slotAVPropAVolume(int value);
    virtual void slotAVPropABalance(int value);
    virtual void slotAVPropATVAudioDlg();

public:
    virtual void clearAllFocus();
    /// For each disk button bit set in `mask`, the button is set on (signals blocked) when the
    /// bit is set in `bits`, else off.
    virtual void setButtonsToggled(unsigned bits, unsigned mask);
    /// For each disk button bit set in `mask`, the button is enabled when the bit is set in
    /// `bits`.
    virtual void setButtonsEnabled(unsigned bits, unsigned mask);
    /// Refreshes buttons, property selector, format lists and tool tips.
    void refresh();

Q_SIGNALS:
    /// A capture ended in `file`.
    void capturedFile(const QString& file);

protected:
    void updateLayout() override;
    void resizeEvent(QResizeEvent* e) override;
    void composeBackground(int x, int y, int w, int h) override;
    using ZRFrame::composeBackground;

private:
    // Page life (ZRImportView.cpp)
    void createChildren();
    void connectChildren();
    void pageShown();
    void pageHidden();
    void createFactory();
    void releaseFactory();
    void tearDown();
    void buildCaptureGraph();
    bool graphRunning();
    void status(const QString& text);
    // Devices and formats (ZRImportViewDevices.cpp)
    void lookUpDeviceTypes();
    void showDeviceControls();
    void fillFormatLists();
    void setDeviceComboItem(ZRComboBox* combo, int index);
    void maybeWarnWren80();
    // Files and recording (ZRImportViewRecord.cpp)
    void setFolder(const QString& text);
    void setFileName(const QString& text);
    QString folderText() const;
    QString fileText() const;
    void recomputeCapturePath();
    void targetFileCheck();
    void cleanFolders();
    void deletePendingFile();
    void clearTiming();
    void writeMediaKeys();
    void collectCapture(bool fromGraphStop);
    void announce(const QString& path);
    void finishCapture(bool fromGraphStop);
    void reportFrames();
    int64_t now() const;
    std::optional<int64_t> freeBytes() const;
    // Properties (ZRImportViewProperties.cpp)
    void fillPropertySelector();
    void hidePropertyControls();

    std::unique_ptr<QDict<PSDLayer>> m_skinLayers;
    std::unique_ptr<QDict<PSDLayerSet>> m_skinSets;
    std::unique_ptr<ZRSkinBox> m_innerBox;
    std::unique_ptr<ZRSkinBox> m_bottomBox;

    ZRVideoWidget* m_preview = nullptr;
    std::array<ZRPushButton*, ButtonCount> m_buttons{};
    ZRJogShuttle* m_jogShuttle = nullptr;
    ZRRemoteCtrl* m_remote = nullptr;
    ZRTCWidget* m_cameraCode = nullptr;
    ZRTabBar* m_tabBar = nullptr;
    ZRTabBar* m_optionTabs = nullptr;
    ZRTCWidget* m_elapsedCode = nullptr;
    ZRComboBox* m_videoCombo = nullptr;
    ZRComboBox* m_audioCombo = nullptr;
    ZRComboBox* m_encoderCombo = nullptr;
    ZRComboBox* m_folderCombo = nullptr;
    ZRComboBox* m_fileCombo = nullptr;
    ZRComboBox* m_resolutionCombo = nullptr;
    ZRComboBox* m_audioFormatCombo = nullptr;
    ZRPushButton* m_refreshButton = nullptr;
    ZRPushButton* m_folderBrowse = nullptr;
    ZRPushButton* m_fileBrowse = nullptr;
    std::array<ZRLabel*, 6> m_captions{};
    ZRLabel* m_timerLabel = nullptr;
    std::array<ZRLabel*, 3> m_timeLabels{};
    std::array<QSpinBox*, 3> m_timeSpins{};
    QCheckBox* m_timerCheck = nullptr;
    ZRLabel* m_toGoLabel = nullptr;
    ZRLabel* m_freeLabel = nullptr;
    ZRComboBox* m_propSelector = nullptr;
    std::array<QSlider*, 7> m_propSliders{}; ///< codes 1-5, then volume and balance
    QSpinBox* m_bitrateSpin = nullptr;
    ZRPushButton* m_bitrateAccept = nullptr;
    ZRComboBox* m_inputCombo = nullptr;
    ZRPushButton* m_tunerButton = nullptr;
    ZRComboBox* m_tvFormatCombo = nullptr;
    ZRPushButton* m_tvAudioButton = nullptr;
    QTimer* m_displayTimer = nullptr;
    IZRCaptureTransport* m_transport = nullptr;

    std::unique_ptr<ZRGraphFactory> m_factory;
    int m_recordState = Idle;
    bool m_devicesChanged = false;
    bool m_inGraphStopped = false;
    bool m_inRecTimeSet = false;
    QString m_videoName;
    QString m_audioName;
    QString m_encoderName;
    int m_videoClass = 0;
    int m_videoType = 0;
    int m_audioClass = 0;
    int m_audioType = 0;
    int m_encoderClass = 0;
    int m_encoderType = 0;
    QString m_rememberedFolder;
    QString m_rememberedFile;
    std::array<int, 3> m_previousIndexes{};
    QString m_capturePath;
    QString m_pendingFile;
    int64_t m_startTime = 0;
    std::optional<int64_t> m_freeAtStart;
    int m_recordTime = 1800;
    int m_hours = 0;
    int m_minutes = 30;
    int m_seconds = 0;
    int m_requestedBitrate = kDefaultBitrate;
    int m_appliedBitrate = kDefaultBitrate;
    ZRVideoResolutions m_videoFormats;
    ZRAudioResolutions m_audioFormats;
    long m_lastKind = 0;
    int m_splitSettingsChanges = 0;
    bool m_shown = false;

    Clock m_clock;
    FreeSpaceQuery m_freeSpace;
    Wait m_wait;
};
