#pragma once

#include <QObject>
#include <QPointer>

#include <array>

class QAbstractButton;
class ZRSBPreviewFrame;

/// The main window's six transport buttons wired to the player panel. The window owns one and
/// attaches it once its buttons and panel exist; the player only announces (playing, a file
/// preview starting, ending, closing) and this answers on the buttons: the step buttons are off
/// while the project plays, and play and loop are lent to a file preview while it runs. GUI
/// thread only.
class ZRTransportButtons : public QObject {
    Q_OBJECT
public:
    /// The buttons, in the order the window lays them out.
    enum Button { SkipBack = 0, FrameBack, Play, FrameForward, SkipForward, Loop, ButtonCount };
    using Buttons = std::array<QAbstractButton*, ButtonCount>;

    explicit ZRTransportButtons(QObject* parent = nullptr);

    /// Connects `buttons` (indexed by `Button`, none null) to `frame` and its player: play
    /// toggles play and stop, the frame buttons step on press, skip and loop act on click. Does
    /// nothing when already attached.
    void attach(const Buttons& buttons, ZRSBPreviewFrame* frame);

private:
    void setStepButtonsEnabled(bool on);
    /// Hands play and loop to the file preview: play shows it running, loop starts unchecked.
    void lendToFilePreview();
    /// Gives play back to the player, unchecked, and the step buttons on.
    void giveBackFromFilePreview();
    void releaseLoop();

    std::array<QPointer<QAbstractButton>, ButtonCount> m_buttons;
    QPointer<ZRSBPreviewFrame> m_frame;
};
