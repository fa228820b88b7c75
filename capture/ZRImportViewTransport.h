#pragma once

class QAbstractButton;
class QObject;
class ZRJogShuttle;

/// The camera transport as the capture page drives it: the transport controller
/// (`ZRRemoteCtrl`, which the page makes for itself) implements it and is handed to the page
/// (`setTransport`); without one every call does nothing. GUI thread only.
class IZRCaptureTransport {
public:
    virtual ~IZRCaptureTransport() = default;
    /// The controller object whose `rcStateChanged(long,long)` signal and
    /// `rcChangeState(long,long)` slot the camera path is linked with.
    virtual QObject* object() = 0;
    /// Wires a page button to transport command `index` (0 wind back, 4 step back, 5 pause,
    /// 6 step forward, 8 play, 10 wind forward, 14 stop): its clicks press the command, and the
    /// controller shows the reported tape state on it. The page undoes the connections made
    /// with `object()` when it takes another transport.
    virtual void connectButtons(int index, QAbstractButton* button) = 0;
    /// Wires the page's jog shuttle: its values become speeds.
    virtual void connectJogShuttle(ZRJogShuttle* knob) = 0;
    /// Presses a transport command as its button would.
    virtual void command(int index) = 0;
    /// Presses "Stop" and "Play" as their buttons would.
    virtual void clickStop() = 0;
    virtual void clickPlayFwd() = 0;
    /// Forgets the remembered tape states.
    virtual void resetStates() = 0;
    /// True when the last reported tape state is playing.
    virtual bool isPlaying() const = 0;
    virtual void setEnabled(bool on) = 0;
};
