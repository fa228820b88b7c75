#pragma once

#include "capture/ZRDeviceInfo.h"
#include "classes/widgets/QSBWidget.h"

#include <QPointer>
#include <QRect>
#include <QString>

#include <array>
#include <memory>

class IZRPos;
class IZRTimeline;
class QAbstractButton;
class QButtonGroup;
class ZRComboBox;
class ZRGraphFactory;
class ZRJogShuttle;
class ZRPushButton;
class ZRRemoteCtrl;
class ZRSkinBox;
class ZRTCWidget;
class ZRVideoWidget;

/// The produce page's camera tab: sends video back to a camcorder, recorder or card output.
/// The user picks an output device, then plays a file chosen in the browser (browser mode: the
/// graph factory's playback path of the device's kind) or the timeline (timeline mode: the
/// produce page's DV live output, which opens this page's device name). Transport buttons and
/// the jog shuttle drive a remote control; in timeline mode its requests are translated into
/// the transport codes the produce page passes to the live output (`slotCmdToTimeline`).
///
/// Modes: browser (initial) and timeline. While playing, device changes are refused. The graph
/// factory lives from page show (or first need) to page hide; its calls are guarded, a failure
/// is traced and the page stays usable. GUI thread only.
class ZRExportCameraView : public QSBWidget {
    Q_OBJECT
public:
    /// The device list's masks: DV cameras (2) and analogue devices (4), and their models.
    static constexpr int32_t kFamilyMask = 6;
    static constexpr int32_t kModelMask = 1662;
    /// Capture types.
    static constexpr int32_t kDVCamera = 2;
    static constexpr int32_t kAnalogue = 4;
    static constexpr const char* kNoDevice = "-Select Device-";

    explicit ZRExportCameraView(QWidget* parent = nullptr, const char* name = nullptr);
    ~ZRExportCameraView() override;

    /// Not owned; outlives the page.
    void setTimeline(IZRTimeline* timeline) { m_timeline = timeline; }
    /// The widget the playback paths show in; not owned.
    void setVideoWidget(ZRVideoWidget* widget);
    /// The chosen device's display name; empty when none.
    QString deviceName() const { return m_deviceName; }
    /// After the profile dialog: format 0 enables "Timeline" for a non-empty timeline, 1-4
    /// disable it, others change nothing.
    void adaptToFormat(int format);

    /// The combo box's text for a device record.
    static QString deviceLabel(const VidCapDevInfo& record);
    /// The playback kind of a record: by driver type for analogue devices, else DV (0x002).
    static long playbackKind(const VidCapDevInfo& record);

    ZRComboBox* deviceBox() const { return m_deviceBox; }
    ZRPushButton* refreshButton() const { return m_refresh; }
    ZRPushButton* timelineButton() const { return m_timelineButton; }
    ZRPushButton* browserButton() const { return m_browserButton; }
    ZRRemoteCtrl* remoteControl() const { return m_remote; }
    ZRJogShuttle* jogShuttle() const { return m_jog; }
    ZRTCWidget* timeCodeBox() const { return m_timeCode; }
    ZRGraphFactory* factory() const { return m_factory.get(); }
    bool isBrowserMode() const { return m_browserMode; }
    bool isPlaying() const { return m_playing; }
    int32_t captureType() const { return m_captureType; }
    int32_t driverType() const { return m_driverType; }
    uint64_t externalDeviceId() const { return m_extDeviceId; }
    QString sourceFile() const { return m_sourceFile; }

public Q_SLOTS:
    virtual void slotSelectFile();
    virtual void slotSelectDevice();
    virtual void slotStartPlay();
    virtual void slotStopPlay();
    virtual void slotMyShow();
    virtual void slotMyHide();
    virtual void slotGraphStopped(long code);
    virtual void slotDevicesChanged();
    void show();
    void hide();
    /// Timeline mode only: a code below 12288 with operand 0 goes out unchanged; record, play
    /// and wind reports (12482-12484) are translated; others are dropped.
    virtual void slotCmdToTimeline(long code, long operand);
    void slotVcrRecord();
    void slotSourceModeSelect(int id);
    void slotPBControl(int button);
    void slotPBStart();
    void slotPBStop();
    virtual void slotResetDeviceList();
    void slotVideoDeviceSelected(int index);
    void browserMediaFileDClicked(const QString& file);
    void cameraModeActivated(bool on);
    void cameraTogglePlayMode(bool on);
    void cameraGotoPosition(IZRPos* position);
    /// Shows the device's packed BCD time code; a frame byte of 0x99 or more is none.
    void slotShowTimeCode(long code);

Q_SIGNALS:
    void timelineModeActivated(bool on);
    void timelineModeDeviceCommand(long code);
    void enablePlaybackButton();
    void disablePlaybackButton();

protected:
    void resizeEvent(QResizeEvent* e) override;
    void composeBackground(int x, int y, int w, int h) override;
    using QSBWidget::composeBackground;

private:
    void setSourceButtons(int selection);
    void setModeButtons(int bits);
    void ensureFactory();
    void teardown();
    void deleteFactory();
    void buildOutputGraph();
    void runGraph();
    /// Takes types and ID of the current row's record; zero when none.
    void lookUpRecord();
    const VidCapDevInfo* recordOf(const QString& displayName) const;
    bool timelineAllowed() const;
    void message(const QString& text);

    IZRTimeline* m_timeline = nullptr;
    QPointer<ZRVideoWidget> m_videoWidget;
    std::unique_ptr<ZRGraphFactory> m_factory;
    std::unique_ptr<ZRDisplayNameDict> m_names;
    QString m_deviceName;
    QString m_sourceFile;
    int32_t m_captureType = 0;
    int32_t m_driverType = 0;
    uint64_t m_extDeviceId = 0;
    bool m_refreshList = false;
    int m_lastIndex = 0;
    bool m_playing = false;
    bool m_browserMode = true;
    bool m_playToggle = false;

    std::array<std::unique_ptr<ZRSkinBox>, 3> m_boxes;
    std::array<QRect, 10> m_rects;
    std::array<QImage, 4> m_captions;
    ZRComboBox* m_deviceBox = nullptr;
    ZRPushButton* m_refresh = nullptr;
    ZRTCWidget* m_timeCode = nullptr;
    ZRJogShuttle* m_jog = nullptr;
    std::array<ZRPushButton*, 8> m_transport{};
    QButtonGroup* m_sourceGroup = nullptr;
    ZRPushButton* m_timelineButton = nullptr;
    ZRPushButton* m_browserButton = nullptr;
    ZRRemoteCtrl* m_remote = nullptr;
};
