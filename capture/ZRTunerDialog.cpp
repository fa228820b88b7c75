#include "capture/ZRTunerDialog.h"

#include "classes/widgets/ZRPushButton.h"
#include "platform/v4l2/ZRV4l2Interfaces.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>

#include <linux/videodev2.h>

#include <cmath>

namespace {

struct ModeEntry {
    const char* text;
    uint32_t mode;
};

constexpr ModeEntry kModes[] = {
    {QT_TRANSLATE_NOOP("ZRTunerDialog", "Mono"), V4L2_TUNER_MODE_MONO},
    {QT_TRANSLATE_NOOP("ZRTunerDialog", "Stereo"), V4L2_TUNER_MODE_STEREO},
    {QT_TRANSLATE_NOOP("ZRTunerDialog", "Language 1"), V4L2_TUNER_MODE_LANG1},
    {QT_TRANSLATE_NOOP("ZRTunerDialog", "Language 2"), V4L2_TUNER_MODE_LANG2},
    {QT_TRANSLATE_NOOP("ZRTunerDialog", "Language 1 and 2"), V4L2_TUNER_MODE_LANG1_LANG2},
};

// The tuner's frequency unit: 62.5 kHz, 16 to the MHz.
constexpr double kUnitsPerMHz = 16.0;
constexpr QRgb kTextColour = 0xFFE4E5E7;
constexpr QRgb kGroundColour = 0xFF30343B;

} // namespace

ZRTunerDialog::ZRTunerDialog(IZRTVTuner* tuner, int code, QWidget* parent)
    : ZRDialog(nullptr, parent, "zrtunerdialog", true, Qt::Dialog), m_tuner(tuner) {
    setFixedSize(340, 190);
    // The dialog's own calm dark ground, whether or not a shadow skin is loaded.
    QPalette ground = palette();
    ground.setColor(QPalette::Window, QColor::fromRgba(kGroundColour));
    ground.setColor(QPalette::WindowText, QColor::fromRgba(kTextColour));
    setPalette(ground);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(36, 30, 36, 30);
    layout->setHorizontalSpacing(14);
    layout->setVerticalSpacing(12);

    auto* title = new QLabel(code == 12 ? tr("TV Audio") : tr("TV Tuner"), this);
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() + 2);
    title->setFont(bold);
    auto* frequencyLabel = new QLabel(tr("Channel frequency"), this);
    auto* modeLabel = new QLabel(tr("Sound"), this);

    m_frequency = new QDoubleSpinBox(this);
    m_frequency->setRange(44.0, 958.0);
    m_frequency->setDecimals(2);
    m_frequency->setSingleStep(0.25);
    m_frequency->setSuffix(tr(" MHz"));
    m_mode = new QComboBox(this);
    for (const ModeEntry& m : kModes)
        m_mode->addItem(tr(m.text), QVariant::fromValue(m.mode));

    m_ok = new ZRPushButton(tr("OK"), this, "OK");
    m_ok->setDefault(true);
    m_cancel = new ZRPushButton(tr("Cancel"), this, "Cancel");
    for (ZRPushButton* b : {m_ok, m_cancel})
        b->setFixedSize(84, 26);
    connect(m_ok, &QPushButton::clicked, this, &ZRTunerDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &ZRDialog::reject);

    layout->addWidget(title, 0, 0, 1, 2);
    layout->addWidget(frequencyLabel, 1, 0);
    layout->addWidget(m_frequency, 1, 1);
    layout->addWidget(modeLabel, 2, 0);
    layout->addWidget(m_mode, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons, 3, 0, 1, 2);

    if (m_tuner) {
        setFrequency(m_tuner->frequency());
        setAudioMode(m_tuner->audioMode());
    }
    (code == 12 ? static_cast<QWidget*>(m_mode) : m_frequency)->setFocus();
}

uint32_t ZRTunerDialog::frequency() const {
    return uint32_t(std::lround(m_frequency->value() * kUnitsPerMHz));
}

void ZRTunerDialog::setFrequency(uint32_t units) {
    // A tuner that never was tuned reads 0: the range's start is shown.
    m_frequency->setValue(double(units) / kUnitsPerMHz);
}

uint32_t ZRTunerDialog::audioMode() const {
    return m_mode->currentData().toUInt();
}

void ZRTunerDialog::setAudioMode(uint32_t mode) {
    const int index = m_mode->findData(QVariant::fromValue(mode));
    if (index >= 0) m_mode->setCurrentIndex(index);
}

void ZRTunerDialog::accept() {
    if (m_tuner && m_tuner->hasTuner()) {
        (void)m_tuner->setFrequency(frequency());
        (void)m_tuner->setAudioMode(audioMode());
    }
    ZRDialog::accept();
}
