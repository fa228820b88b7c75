#pragma once

#include "classes/widgets/ZRDialog.h"

#include <cstdint>

class IZRTVTuner;
class QComboBox;
class QDoubleSpinBox;
class ZRPushButton;

/// The TV tuner and TV sound dialog of a capture card (property codes 8 and 12): the channel's
/// frequency in MHz and the sound mode (mono, stereo, first or second language, both). It
/// shows the device's current values; OK writes both to the device, Cancel nothing.
/// The tuner is not owned and must outlive the dialog. GUI thread only.
class ZRTunerDialog : public ZRDialog {
    Q_OBJECT
public:
    /// `code` 8 opens on the frequency, 12 on the sound mode.
    ZRTunerDialog(IZRTVTuner* tuner, int code, QWidget* parent = nullptr);

    /// The frequency shown, in units of 62.5 kHz (the device's).
    uint32_t frequency() const;
    void setFrequency(uint32_t units);
    /// The sound mode chosen (a V4L2_TUNER_MODE_ value).
    uint32_t audioMode() const;
    void setAudioMode(uint32_t mode);

public Q_SLOTS:
    /// Writes the frequency and the sound mode to the device, then closes.
    void accept() override;

private:
    IZRTVTuner* m_tuner;
    QDoubleSpinBox* m_frequency;
    QComboBox* m_mode;
    ZRPushButton* m_ok;
    ZRPushButton* m_cancel;
};
