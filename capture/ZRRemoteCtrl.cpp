#include "capture/ZRRemoteCtrl.h"

#include "capture/ZRJogShuttle.h"

#include <QAbstractButton>

namespace {

using Plain = void (ZRRemoteCtrl::*)();
using Flag = void (ZRRemoteCtrl::*)(bool);

const Plain kShow[ZRRemoteCtrl::ControlCount] = {
    &ZRRemoteCtrl::guiShowWindRev,  &ZRRemoteCtrl::guiShowFastRev,   &ZRRemoteCtrl::guiShowPlayRev,
    &ZRRemoteCtrl::guiShowSlowRev,  &ZRRemoteCtrl::guiShowStepRev,   &ZRRemoteCtrl::guiShowPausFwd,
    &ZRRemoteCtrl::guiShowStepFwd,  &ZRRemoteCtrl::guiShowSlowFwd,   &ZRRemoteCtrl::guiShowPlayFwd,
    &ZRRemoteCtrl::guiShowFastFwd,  &ZRRemoteCtrl::guiShowWindFwd,   &ZRRemoteCtrl::guiShowRec,
    &ZRRemoteCtrl::guiShowRecPause, &ZRRemoteCtrl::guiShowGoto,      &ZRRemoteCtrl::guiShowStop,
    &ZRRemoteCtrl::guiShowEject,    &ZRRemoteCtrl::guiShowJogShuttle};
const Plain kHide[ZRRemoteCtrl::ControlCount] = {
    &ZRRemoteCtrl::guiHideWindRev,  &ZRRemoteCtrl::guiHideFastRev,   &ZRRemoteCtrl::guiHidePlayRev,
    &ZRRemoteCtrl::guiHideSlowRev,  &ZRRemoteCtrl::guiHideStepRev,   &ZRRemoteCtrl::guiHidePausFwd,
    &ZRRemoteCtrl::guiHideStepFwd,  &ZRRemoteCtrl::guiHideSlowFwd,   &ZRRemoteCtrl::guiHidePlayFwd,
    &ZRRemoteCtrl::guiHideFastFwd,  &ZRRemoteCtrl::guiHideWindFwd,   &ZRRemoteCtrl::guiHideRec,
    &ZRRemoteCtrl::guiHideRecPause, &ZRRemoteCtrl::guiHideGoto,      &ZRRemoteCtrl::guiHideStop,
    &ZRRemoteCtrl::guiHideEject,    &ZRRemoteCtrl::guiHideJogShuttle};
const Flag kEnable[ZRRemoteCtrl::ControlCount] = {
    &ZRRemoteCtrl::guiEnableWindRev,   &ZRRemoteCtrl::guiEnableFastRev,
    &ZRRemoteCtrl::guiEnablePlayRev,   &ZRRemoteCtrl::guiEnableSlowRev,
    &ZRRemoteCtrl::guiEnableStepRev,   &ZRRemoteCtrl::guiEnablePausFwd,
    &ZRRemoteCtrl::guiEnableStepFwd,   &ZRRemoteCtrl::guiEnableSlowFwd,
    &ZRRemoteCtrl::guiEnablePlayFwd,   &ZRRemoteCtrl::guiEnableFastFwd,
    &ZRRemoteCtrl::guiEnableWindFwd,   &ZRRemoteCtrl::guiEnableRec,
    &ZRRemoteCtrl::guiEnableRecPause,  &ZRRemoteCtrl::guiEnableGoto,
    &ZRRemoteCtrl::guiEnableStop,      &ZRRemoteCtrl::guiEnableEject,
    &ZRRemoteCtrl::guiEnableJogShuttle};
const Flag kToggle[16] = {&ZRRemoteCtrl::guiToggleWindRev,  &ZRRemoteCtrl::guiToggleFastRev,
                          &ZRRemoteCtrl::guiTogglePlayRev,  &ZRRemoteCtrl::guiToggleSlowRev,
                          &ZRRemoteCtrl::guiToggleStepRev,  &ZRRemoteCtrl::guiTogglePausFwd,
                          &ZRRemoteCtrl::guiToggleStepFwd,  &ZRRemoteCtrl::guiToggleSlowFwd,
                          &ZRRemoteCtrl::guiTogglePlayFwd,  &ZRRemoteCtrl::guiToggleFastFwd,
                          &ZRRemoteCtrl::guiToggleWindFwd,  &ZRRemoteCtrl::guiToggleRec,
                          &ZRRemoteCtrl::guiToggleRecPause, &ZRRemoteCtrl::guiToggleGoto,
                          &ZRRemoteCtrl::guiToggleStop,     &ZRRemoteCtrl::guiToggleEject};
const Plain kClick[16] = {
    &ZRRemoteCtrl::guiClickWindRev,  &ZRRemoteCtrl::guiClickFastRev, &ZRRemoteCtrl::guiClickPlayRev,
    &ZRRemoteCtrl::guiClickSlowRev,  &ZRRemoteCtrl::guiClickStepRev, &ZRRemoteCtrl::guiClickPausFwd,
    &ZRRemoteCtrl::guiClickStepFwd,  &ZRRemoteCtrl::guiClickSlowFwd, &ZRRemoteCtrl::guiClickPlayFwd,
    &ZRRemoteCtrl::guiClickFastFwd,  &ZRRemoteCtrl::guiClickWindFwd, &ZRRemoteCtrl::guiClickRec,
    &ZRRemoteCtrl::guiClickRecPause, &ZRRemoteCtrl::guiClickGoto,    &ZRRemoteCtrl::guiClickStop,
    &ZRRemoteCtrl::guiClickEject};

/// The request of each control and the state it leaves the transport in.
struct Command {
    long code;
    long parameter;
    long expectedState;
    long expectedParameter;
};
const Command kCommands[16] = {
    {4301, 0, 0x30C4, 0x65},      {5031, 0, 0x30C3, 0x4F}, {5035, 0, 0x30C3, 0x65},
    {5032, 0, 0x30C3, 0x41},      {4298, 0, 0x30C3, 0x40}, {4298, 0, 0x30C3, 0x7D},
    {4298, 0, 0x30C3, 0x30},      {5030, 0, 0x30C3, 0x31}, {4296, 0, 0x30C3, 0x75},
    {5029, 0, 0x30C3, 0x3F},      {4300, 0, 0x30C4, 0x75}, {4302, 0, 0x30C2, 0x75},
    {4904, 0, 0x30C2, 0x7D},      {0x3004, 0, 0x3004, 0},  {4297, 0, 0x30C4, 0x60},
    {0x30C1, 0x60, 0x30C1, 0x60},
};

/// The display state of a reported pair; -1 for none.
int displayOf(long state, long parameter) {
    switch (state) {
    case 4296:
        return ZRRemoteCtrl::PlayFwd;
    case 4297:
        return ZRRemoteCtrl::ShowStopped;
    case 4298:
    case 4304:
    case 4905:
        return ZRRemoteCtrl::PausFwd;
    case 4300:
        return ZRRemoteCtrl::WindFwd;
    case 4301:
        return ZRRemoteCtrl::WindRev;
    case 4302:
        return ZRRemoteCtrl::Rec;
    case 4904:
        return ZRRemoteCtrl::RecPause;
    case 5029:
        return ZRRemoteCtrl::FastFwd;
    case 5030:
        return ZRRemoteCtrl::SlowFwd;
    case 5031:
        return ZRRemoteCtrl::FastRev;
    case 5032:
        return ZRRemoteCtrl::SlowRev;
    case 5035:
        return ZRRemoteCtrl::PlayRev;
    case 0x30C1:
        return parameter == 0x60 ? ZRRemoteCtrl::ShowEjected : -1;
    case 0x30C2:
        if (parameter == 0x75) return ZRRemoteCtrl::Rec;
        return parameter == 0x7D ? ZRRemoteCtrl::RecPause : -1;
    case 0x30C3:
        switch (parameter) {
        case 0x75:
            return ZRRemoteCtrl::PlayFwd;
        case 0x30:
        case 0x40:
        case 0x6D:
        case 0x7D:
            return ZRRemoteCtrl::PausFwd;
        case 0x3F:
            return ZRRemoteCtrl::FastFwd;
        case 0x31:
            return ZRRemoteCtrl::SlowFwd;
        case 0x4F:
            return ZRRemoteCtrl::FastRev;
        case 0x41:
            return ZRRemoteCtrl::SlowRev;
        case 0x65:
            return ZRRemoteCtrl::PlayRev;
        default:
            return -1;
        }
    case 0x30C4:
        switch (parameter) {
        case 0x60:
            return ZRRemoteCtrl::ShowStopped;
        case 0x75:
            return ZRRemoteCtrl::WindFwd;
        case 0x45:
        case 0x65:
            return ZRRemoteCtrl::WindRev;
        case 0x30:
        case 0x31:
            return ZRRemoteCtrl::ShowStopping;
        default:
            return -1;
        }
    default:
        return -1;
    }
}

uint32_t bcd2(long v) {
    v = v < 0 ? 0 : v % 100;
    return uint32_t((v / 10) << 4 | (v % 10));
}

} // namespace

ZRRemoteCtrl::ZRRemoteCtrl(QObject* parent) : QObject(parent), m_stepTimer(new QTimer(this)) {
    m_stepTimer->setObjectName(QStringLiteral("mpStepTimer"));
    m_stepTimer->setInterval(kStepMs);
    connect(m_stepTimer, &QTimer::timeout, this, &ZRRemoteCtrl::slotTimerLastStep);
}

ZRRemoteCtrl::~ZRRemoteCtrl() = default;

void ZRRemoteCtrl::connectButtons(int index, QAbstractButton* button) {
    if (index < 0 || index >= 16 || !button) return;
    if (QAbstractButton* old = m_buttons[size_t(index)]) {
        disconnect(old, nullptr, this, nullptr);
        disconnect(this, nullptr, old, nullptr);
    }
    m_buttons[size_t(index)] = button;
    button->setCheckable(true);
    connect(button, &QAbstractButton::clicked, this, kClick[index]);
    connect(this, kShow[index], button, &QWidget::show);
    connect(this, kHide[index], button, &QWidget::hide);
    connect(this, kEnable[index], button, &QWidget::setEnabled);
    connect(this, kToggle[index], button, &QAbstractButton::setChecked);
}

void ZRRemoteCtrl::connectJogShuttle(ZRJogShuttle* knob) {
    if (!knob) return;
    if (m_knob) {
        disconnect(m_knob, nullptr, this, nullptr);
        disconnect(this, nullptr, m_knob, nullptr);
    }
    m_knob = knob;
    connect(knob, &ZRJogShuttle::valueChanged, this, &ZRRemoteCtrl::guiJogShuttle);
    connect(this, &ZRRemoteCtrl::guiShowJogShuttle, knob, &QWidget::show);
    connect(this, &ZRRemoteCtrl::guiHideJogShuttle, knob, &QWidget::hide);
    connect(this, &ZRRemoteCtrl::guiEnableJogShuttle, knob, &ZRJogShuttle::setEnabled);
}

void ZRRemoteCtrl::resetLastStates() {
    m_lastCommand = -1;
    m_expectedState = m_expectedParameter = -1;
    m_lastState = m_lastParameter = -1;
}

bool ZRRemoteCtrl::isPlaying() const {
    if (m_lastState == 0x30C3 && (m_lastParameter == 0x75 || m_lastParameter == 0x38)) return true;
    if (m_lastState == 4296) return true;
    return m_lastState == -1 && m_lastParameter == -1 && m_lastCommand == PlayFwd;
}

void ZRRemoteCtrl::emitShow(int control, bool show) {
    if (control < 0 || control >= ControlCount) return;
    const Plain signal = show ? kShow[size_t(control)] : kHide[size_t(control)];
    (this->*signal)();
}

void ZRRemoteCtrl::emitEnable(int control, bool on) {
    if (control < 0 || control >= ControlCount) return;
    const Flag signal = kEnable[size_t(control)];
    (this->*signal)(on);
}

void ZRRemoteCtrl::guiShow(long mask) {
    m_visibleMask = mask;
    guiShow();
}

void ZRRemoteCtrl::guiShow() {
    for (int i = 0; i < ControlCount; ++i)
        emitShow(i, (m_visibleMask >> i) & 1);
}

void ZRRemoteCtrl::guiHide() {
    for (int i = 0; i < ControlCount; ++i)
        emitShow(i, false);
}

void ZRRemoteCtrl::guiEnable(long mask, bool on) {
    // Disabling keeps the stored mask for the next enable.
    if (on) m_enableMask = mask;
    const long use = on ? mask : 0;
    for (int i = 0; i < ControlCount; ++i)
        emitEnable(i, (use >> i) & 1);
}

void ZRRemoteCtrl::guiEnable(bool on) {
    guiEnable(m_enableMask, on);
}

void ZRRemoteCtrl::guiStartCapture() {
    if (m_link) click(PlayFwd);
}

void ZRRemoteCtrl::guiStartPlayback() {
    if (m_link) click(Rec);
}

void ZRRemoteCtrl::guiDestinationTime(long hours, long minutes, long seconds, long frames) {
    guiDestinationTimecode(
        long(bcd2(hours) << 24 | bcd2(minutes) << 16 | bcd2(seconds) << 8 | bcd2(frames)));
}

void ZRRemoteCtrl::click(int index) {
    if (m_busy) return;
    m_busy = true;
    m_stepTimer->stop();
    m_lastCommand = index;
    sendCommand(index);
    m_busy = false;
}

void ZRRemoteCtrl::sendCommand(int index) {
    if (index < 0 || index >= 16) return;
    const Command& c = kCommands[index];
    const long parameter = index == Goto ? m_destination : c.parameter;
    Q_EMIT rcStateChanged(c.code, parameter);
    // A step pauses first, then moves a frame.
    if (index == StepRev) Q_EMIT rcStateChanged(0x30C3, 0x40);
    if (index == StepFwd) Q_EMIT rcStateChanged(0x30C3, 0x30);
    m_expectedState = c.expectedState;
    m_expectedParameter = index == Goto ? m_destination : c.expectedParameter;
}

void ZRRemoteCtrl::stepBack() {
    startStepping(-1);
}

void ZRRemoteCtrl::stepForward() {
    startStepping(1);
}

void ZRRemoteCtrl::startStepping(int direction) {
    m_stepDirection = direction;
    m_stepTimer->start();
    repeatStep();
}

void ZRRemoteCtrl::repeatStep() {
    sendCommand(m_stepDirection < 0 ? StepRev : StepFwd);
}

void ZRRemoteCtrl::slotTimerLastStep() {
    if (m_busy) return;
    m_busy = true;
    repeatStep();
    m_busy = false;
}

void ZRRemoteCtrl::guiJogShuttle(long value) {
    if (value < -5 || value > 5 || m_busy) return;
    m_busy = true;
    m_stepTimer->stop();
    m_lastCommand = kKnobCommand;
    static const int kSenders[11] = {WindRev, FastRev, PlayRev, SlowRev, -1,     PausFwd,
                                     -1,      SlowFwd, PlayFwd, FastFwd, WindFwd};
    if (value == -1)
        stepBack();
    else if (value == 1)
        stepForward();
    else
        sendCommand(kSenders[value + 5]);
    m_busy = false;
}

void ZRRemoteCtrl::rcChangeState(long state, long parameter) {
    if (m_busy || (state == m_lastState && parameter == m_lastParameter)) return;
    m_busy = true;
    handleState(state, parameter);
    m_busy = false;
}

void ZRRemoteCtrl::handleState(long state, long parameter) {
    m_lastState = state;
    m_lastParameter = parameter;
    const int display = displayOf(state, parameter);
    if (display >= 0) showDisplayState(display);
}

void ZRRemoteCtrl::setButtonStates(long enable, long pressed) {
    for (int i = 0; i < 16; ++i) {
        emitEnable(i, (enable >> i) & 1);
        const Flag toggle = kToggle[i];
        (this->*toggle)((pressed >> i) & 1);
    }
}

void ZRRemoteCtrl::showDisplayState(int state) {
    switch (state) {
    case ShowStopped:
        setButtonStates(kAllControls, 0);
        break;
    case ShowEjected:
        setButtonStates(0, 1L << Eject);
        break;
    case ShowStopping:
        setButtonStates(0, 1L << Stop);
        break;
    default:
        if (state >= 0 && state < 16) setButtonStates(kAllControls & ~(1L << state), 1L << state);
        break;
    }
}
