#pragma once

#include "capture/ZRImportViewTransport.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <array>

class QAbstractButton;
class ZRJogShuttle;

/// The transport controller between a page's sixteen transport buttons and jog shuttle and a
/// camera's transport (`ZRWDMCaptureFilter::setState` listens to `rcStateChanged`). Clicks and
/// knob values become requests (a code and a parameter); state reports (`rcChangeState`) set
/// which buttons are pressed and enabled. Controls are numbered 0-16 (`Control`); bit i of
/// every mask is control i.
///
/// It is also the capture page's camera transport (`IZRCaptureTransport`): a command is a
/// click of its control, enabling is `guiEnable(bool)`, resetting is `resetLastStates`.
/// Thread-safety: GUI thread only.
class ZRRemoteCtrl : public QObject, public IZRCaptureTransport {
    Q_OBJECT
public:
    enum Control {
        WindRev,
        FastRev,
        PlayRev,
        SlowRev,
        StepRev,
        PausFwd,
        StepFwd,
        SlowFwd,
        PlayFwd,
        FastFwd,
        WindFwd,
        Rec,
        RecPause,
        Goto,
        Stop,
        Eject,
        JogShuttle,
        ControlCount
    };
    /// What the buttons show for a reported state.
    enum DisplayState { ShowStopped = ControlCount, ShowEjected, ShowStopping };
    /// The last command index of a knob move.
    static constexpr int kKnobCommand = 17;
    static constexpr long kAllControls = 0xFFFFF;
    static constexpr int kStepMs = 500;

    explicit ZRRemoteCtrl(QObject* parent = nullptr);
    ~ZRRemoteCtrl() override;

    /// Wires button `index` (0-15): its clicks to the control, the control's show, hide,
    /// enable and toggle signals to it (the button becomes checkable).
    void connectButtons(int index, QAbstractButton* button) override;
    void connectJogShuttle(ZRJogShuttle* knob) override;
    /// Stores the visible mask without showing or hiding anything.
    void storeVisibleMask(long mask) { m_visibleMask = mask; }
    /// Sets the five remembered words (expected and reported state, last command) to -1.
    void resetLastStates();

    long visibleMask() const { return m_visibleMask; }
    long enableMask() const { return m_enableMask; }
    int lastCommand() const { return m_lastCommand; }
    long expectedState() const { return m_expectedState; }
    long expectedParameter() const { return m_expectedParameter; }
    long lastState() const { return m_lastState; }
    long lastParameter() const { return m_lastParameter; }
    long destinationTimecode() const { return m_destination; }
    bool isBusy() const { return m_busy; }
    bool isLinked() const { return m_link; }
    /// -1 stepping back, +1 forward.
    int stepDirection() const { return m_stepDirection; }
    QTimer* stepTimer() const { return m_stepTimer; }
    /// The device is playing forward at normal speed (or nothing was reported yet and the last
    /// command was PlayFwd).
    bool isPlaying() const override;

    // The capture page's transport.
    QObject* object() override { return this; }
    void command(int index) override {
        if (index >= 0 && index < 16) click(index);
    }
    void clickStop() override { click(Stop); }
    void clickPlayFwd() override { click(PlayFwd); }
    void resetStates() override { resetLastStates(); }
    void setEnabled(bool on) override { guiEnable(on); }

public Q_SLOTS:
    void guiShow(long mask);
    void guiShow();
    void guiHide();
    void guiEnable(long mask, bool on);
    void guiEnable(bool on);
    void guiSetLink(bool on) { m_link = on; }
    void guiStartCapture();
    void guiStartPlayback();
    void guiDestinationTime(long hours, long minutes = 0, long seconds = 0, long frames = 0);
    void guiDestinationTimecode(long bcd) { m_destination = bcd; }
    void guiClickWindRev() { click(0); }
    void guiClickFastRev() { click(1); }
    void guiClickPlayRev() { click(2); }
    void guiClickSlowRev() { click(3); }
    void guiClickStepRev() { click(4); }
    void guiClickPausFwd() { click(5); }
    void guiClickStepFwd() { click(6); }
    void guiClickSlowFwd() { click(7); }
    void guiClickPlayFwd() { click(8); }
    void guiClickFastFwd() { click(9); }
    void guiClickWindFwd() { click(10); }
    void guiClickRec() { click(11); }
    void guiClickRecPause() { click(12); }
    void guiClickGoto() { click(13); }
    void guiClickStop() { click(14); }
    void guiClickEject() { click(15); }
    void guiJogShuttle(long value);
    void rcChangeState(long state, long parameter);
    void slotTimerLastStep();

Q_SIGNALS:
    void guiShowWindRev();
    void guiHideWindRev();
    void guiEnableWindRev(bool on);
    void guiShowFastRev();
    void guiHideFastRev();
    void guiEnableFastRev(bool on);
    void guiShowPlayRev();
    void guiHidePlayRev();
    void guiEnablePlayRev(bool on);
    void guiShowSlowRev();
    void guiHideSlowRev();
    void guiEnableSlowRev(bool on);
    void guiShowStepRev();
    void guiHideStepRev();
    void guiEnableStepRev(bool on);
    void guiShowPausFwd();
    void guiHidePausFwd();
    void guiEnablePausFwd(bool on);
    void guiShowStepFwd();
    void guiHideStepFwd();
    void guiEnableStepFwd(bool on);
    void guiShowSlowFwd();
    void guiHideSlowFwd();
    void guiEnableSlowFwd(bool on);
    void guiShowPlayFwd();
    void guiHidePlayFwd();
    void guiEnablePlayFwd(bool on);
    void guiShowFastFwd();
    void guiHideFastFwd();
    void guiEnableFastFwd(bool on);
    void guiShowWindFwd();
    void guiHideWindFwd();
    void guiEnableWindFwd(bool on);
    void guiShowRec();
    void guiHideRec();
    void guiEnableRec(bool on);
    void guiShowRecPause();
    void guiHideRecPause();
    void guiEnableRecPause(bool on);
    void guiShowGoto();
    void guiHideGoto();
    void guiEnableGoto(bool on);
    void guiShowStop();
    void guiHideStop();
    void guiEnableStop(bool on);
    void guiShowEject();
    void guiHideEject();
    void guiEnableEject(bool on);
    void guiShowJogShuttle();
    void guiHideJogShuttle();
    void guiEnableJogShuttle(bool on);
    void guiToggleWindRev(bool on);
    void guiToggleFastRev(bool on);
    void guiTogglePlayRev(bool on);
    void guiToggleSlowRev(bool on);
    void guiToggleStepRev(bool on);
    void guiTogglePausFwd(bool on);
    void guiToggleStepFwd(bool on);
    void guiToggleSlowFwd(bool on);
    void guiTogglePlayFwd(bool on);
    void guiToggleFastFwd(bool on);
    void guiToggleWindFwd(bool on);
    void guiToggleRec(bool on);
    void guiToggleRecPause(bool on);
    void guiToggleGoto(bool on);
    void guiToggleStop(bool on);
    void guiToggleEject(bool on);
    /// Every request: a transport code and its parameter.
    void rcStateChanged(long state, long parameter);

protected:
    /// Stores the reported pair and shows its display state.
    virtual void handleState(long state, long parameter);
    /// Sends the request or requests of control `index` (0-15) and stores its expected state.
    virtual void sendCommand(int index);
    virtual void stepBack();
    virtual void stepForward();
    /// One more step in the stored direction.
    virtual void repeatStep();
    /// Enables and presses controls 0-15 by the masks.
    virtual void setButtonStates(long enable, long pressed);
    /// A transport control's look (its button pressed and disabled) or one of `DisplayState`.
    virtual void showDisplayState(int state);

private:
    void click(int index);
    void startStepping(int direction);
    void emitShow(int control, bool show);
    void emitEnable(int control, bool on);

    std::array<QPointer<QAbstractButton>, 16> m_buttons;
    QPointer<ZRJogShuttle> m_knob;
    long m_visibleMask = kAllControls;
    long m_enableMask = kAllControls;
    int m_lastCommand = -1;
    long m_expectedState = -1;
    long m_expectedParameter = -1;
    long m_lastState = -1;
    long m_lastParameter = -1;
    long m_destination = 0;
    bool m_busy = false;
    bool m_link = false;
    int m_stepDirection = 1;
    QTimer* m_stepTimer;
};
