#include "output/Wren80Warning.h"

#include "output/WarningForm.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

Wren80Warning::Wren80Warning(QWidget* parent, const char* name, bool modal, Qt::WindowFlags flags)
    : QDialog(parent, flags) {
    const warningform::Parts parts =
        warningform::build(this, name, "Wren80Warning", modal, QRect(10, 10, 270, 60));
    m_label = parts.label;
    m_checkBox = parts.checkBox;
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_label->setWordWrap(true);
    m_label->setText(tr("The selected video capture device does not support the File Split "
                        "feature in Clipstead. Your video will be saved as one single file."));

    m_buttonOK = new QPushButton(tr("OK"), parts.buttons->parentWidget());
    m_buttonOK->setObjectName(QStringLiteral("m_buttonOK"));
    m_buttonOK->setAutoDefault(true);
    m_buttonOK->setDefault(true);
    parts.buttons->addWidget(m_buttonOK);

    connect(m_buttonOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_checkBox, &QCheckBox::stateChanged, this, &Wren80Warning::slotCheckBoxChanged);
    init();
}

Wren80Warning::~Wren80Warning() {
    destroy();
}

void Wren80Warning::slotCheckBoxChanged(int) {}

void Wren80Warning::init() {}

void Wren80Warning::destroy() {}
