#include "views/ZRTransportButtons.h"

#include "views/ZRSBPreview.h"
#include "views/ZRSBPreviewFrame.h"

#include <QAbstractButton>

ZRTransportButtons::ZRTransportButtons(QObject* parent) : QObject(parent) {}

void ZRTransportButtons::attach(const Buttons& buttons, ZRSBPreviewFrame* frame) {
    if (m_frame || !frame) return;
    for (QAbstractButton* b : buttons)
        if (!b) return;
    m_frame = frame;
    for (int i = 0; i < ButtonCount; ++i)
        m_buttons[i] = buttons[i];
    ZRSBPreview* preview = frame->preview();
    connect(buttons[Play], &QAbstractButton::toggled, frame, &ZRSBPreviewFrame::toggle_play_stop);
    // The frame buttons step on press, so that holding one does not wait for the release.
    connect(buttons[FrameBack], &QAbstractButton::pressed, frame, &ZRSBPreviewFrame::framerew);
    connect(buttons[FrameForward], &QAbstractButton::pressed, frame, &ZRSBPreviewFrame::framefwd);
    connect(buttons[SkipBack], &QAbstractButton::clicked, frame, &ZRSBPreviewFrame::rewind);
    connect(buttons[SkipForward], &QAbstractButton::clicked, frame, &ZRSBPreviewFrame::forward);
    connect(buttons[Loop], &QAbstractButton::clicked, frame, &ZRSBPreviewFrame::loop);
    connect(preview, &ZRSBPreview::playingChanged, this,
            [this](bool playing) { setStepButtonsEnabled(!playing); });
    connect(preview, &ZRSBPreview::filePreviewStarted, this,
            &ZRTransportButtons::lendToFilePreview);
    connect(preview, &ZRSBPreview::filePreviewEnded, this,
            &ZRTransportButtons::giveBackFromFilePreview);
    connect(preview, &ZRSBPreview::filePreviewClosed, this, &ZRTransportButtons::releaseLoop);
}

void ZRTransportButtons::setStepButtonsEnabled(bool on) {
    for (Button b : {SkipBack, FrameBack, FrameForward, SkipForward})
        if (QAbstractButton* button = m_buttons[b]) button->setEnabled(on);
}

void ZRTransportButtons::lendToFilePreview() {
    QAbstractButton* play = m_buttons[Play];
    QAbstractButton* loop = m_buttons[Loop];
    ZRSBPreview* preview = m_frame ? m_frame->preview() : nullptr;
    if (!preview) return;
    // Play is cut from the project's player first, so that checking it starts nothing there.
    if (play)
        disconnect(play, &QAbstractButton::toggled, m_frame, &ZRSBPreviewFrame::toggle_play_stop);
    setStepButtonsEnabled(false);
    if (play) play->setChecked(true);
    if (loop) {
        loop->setEnabled(true);
        loop->setChecked(false);
    }
    if (play) connect(play, &QAbstractButton::toggled, preview, &ZRSBPreview::slotPlayToggled);
    if (loop)
        connect(loop, &QAbstractButton::toggled, preview, &ZRSBPreview::slotLoopButtonToggled);
}

void ZRTransportButtons::giveBackFromFilePreview() {
    QAbstractButton* play = m_buttons[Play];
    ZRSBPreview* preview = m_frame ? m_frame->preview() : nullptr;
    if (play && preview)
        disconnect(play, &QAbstractButton::toggled, preview, &ZRSBPreview::slotPlayToggled);
    setStepButtonsEnabled(true);
    // Unchecked while connected to neither player, so that nothing starts or stops.
    if (play) play->setChecked(false);
    if (play && m_frame)
        connect(play, &QAbstractButton::toggled, m_frame, &ZRSBPreviewFrame::toggle_play_stop,
                Qt::UniqueConnection);
}

void ZRTransportButtons::releaseLoop() {
    QAbstractButton* loop = m_buttons[Loop];
    ZRSBPreview* preview = m_frame ? m_frame->preview() : nullptr;
    if (loop && preview)
        disconnect(loop, &QAbstractButton::toggled, preview, &ZRSBPreview::slotLoopButtonToggled);
}
