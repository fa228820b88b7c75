#include "output/ZRProfileDialog.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

namespace {

struct ProfileValues {
    int width;
    int heightNtsc;
    int heightPal;
    int sampleRate;
};

constexpr ProfileValues kProfiles[] = {
    {720, 480, 576, 48000}, // DV
    {352, 240, 288, 44100}, // VCD
    {480, 480, 576, 44100}, // SVCD
    {720, 480, 576, 44100}, // DVD
    {320, 200, 200, 22050}, // multimedia
};

} // namespace

ZRProfileDialog::ZRProfileDialog(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : QDialog(parent, flags) {
    if (name) setObjectName(QString::fromUtf8(name));
    setModal(true);
    setWindowTitle(tr("CHOOSE PROFILE"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    (new QVBoxLayout(this))->addWidget(buttons);
    slotSetStandard(1);
    slotSetProfile(0);
}

void ZRProfileDialog::slotSetProfile(int profile) {
    m_profile = profile;
    if (profile < 0 || profile >= int(std::size(kProfiles))) return;
    const ProfileValues& values = kProfiles[profile];
    const bool ntsc = m_standard == 1;
    m_width = values.width;
    m_height = ntsc ? values.heightNtsc : values.heightPal;
    m_rate = ntsc ? 30.0 : 25.0;
    m_sampleRate = values.sampleRate;
}

void ZRProfileDialog::slotSetStandard(int standard) {
    m_standard = standard;
    slotSetProfile(m_profile);
}
