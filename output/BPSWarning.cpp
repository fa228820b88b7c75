#include "output/BPSWarning.h"

#include "output/WarningForm.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLoggingCategory>
#include <QPushButton>

namespace {
Q_LOGGING_CATEGORY(lcWarning, "clipstead.output.warning", QtWarningMsg)
}

BPSWarning::BPSWarning(QWidget* parent, const char* name, bool modal, Qt::WindowFlags flags)
    : QDialog(parent, flags) {
    const warningform::Parts parts =
        warningform::build(this, name, "BPSWarning", modal, QRect(10, 10, 274, 60));
    m_label = parts.label;
    m_checkBox = parts.checkBox;
    m_label->setAlignment(Qt::AlignCenter);
    // The message's first line is wider than the label in most fonts: it wraps rather than
    // being cut off, before the bit rate rather than inside its unit.
    m_label->setWordWrap(true);
    m_label->setText(
        warningform::keepUnitsWhole(tr("Discwright supports video settings of 8 Mbit/s or less."
                                       "\nDo you wish to continue with this setting?")));

    m_buttonYes = new QPushButton(tr("Yes"), parts.buttons->parentWidget());
    m_buttonYes->setObjectName(QStringLiteral("m_buttonYes"));
    m_buttonYes->setAutoDefault(true);
    m_buttonYes->setDefault(true);
    m_buttonNo = new QPushButton(tr("No"), parts.buttons->parentWidget());
    m_buttonNo->setObjectName(QStringLiteral("m_buttonNo"));
    m_buttonNo->setAutoDefault(true);
    parts.buttons->addWidget(m_buttonYes);
    parts.buttons->addWidget(m_buttonNo);

    connect(m_buttonYes, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_buttonNo, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_checkBox, &QCheckBox::stateChanged, this, &BPSWarning::slotCheckBoxChanged);
    init();
}

BPSWarning::~BPSWarning() {
    destroy();
}

void BPSWarning::slotCheckBoxChanged(int) {
    qCDebug(lcWarning) << "BPSWarning::slotCheckBoxChanged(int): Not implemented yet!";
}

void BPSWarning::init() {}

void BPSWarning::destroy() {}
