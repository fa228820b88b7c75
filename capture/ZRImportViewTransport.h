#pragma once

class QObject;

/// The camera transport as the capture page drives it: the transport controller of the camera
/// paths implements it and is handed to the page (`setTransport`); without one every call does
/// nothing. GUI thread only.
class IZRCaptureTransport {
public:
    virtual ~IZRCaptureTransport() = default;
    /// The controller object whose `rcStateChanged(long,long)` signal and
    /// `rcChangeState(long,long)` slot the camera path is linked with.
    virtual QObject* object() = 0;
    /// Presses a transport command (0 wind back, 4 step back, 5 pause, 6 step forward, 8 play,
    /// 10 wind forward, 14 stop) as its button would.
    virtual void command(int index) = 0;
    virtual void guiClickStop() = 0;
    virtual void guiClickPlayFwd() = 0;
    /// Forgets the remembered tape states.
    virtual void resetStates() = 0;
    /// True when the last reported tape state is playing.
    virtual bool isPlaying() const = 0;
    virtual void setEnabled(bool on) = 0;
};
