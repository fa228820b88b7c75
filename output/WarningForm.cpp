#include "output/WarningForm.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>

namespace warningform {

Parts build(QDialog* dialog, const char* name, const char* defaultName, bool modal,
            const QRect& labelRect) {
    dialog->setObjectName(QString::fromUtf8(name ? name : defaultName));
    dialog->setModal(modal);
    dialog->setFixedSize(300, 140);
    // The texts go through the form's own translation context.
    const char* context = dialog->metaObject()->className();
    dialog->setWindowTitle(QCoreApplication::translate(context, "Clipstead 5"));

    Parts parts{};
    parts.label = new QLabel(dialog);
    parts.label->setObjectName(QStringLiteral("m_label"));
    parts.label->setGeometry(labelRect);

    parts.checkBox = new QCheckBox(dialog);
    parts.checkBox->setObjectName(QStringLiteral("m_checkBox"));
    parts.checkBox->setGeometry(kCheckBoxRect);
    parts.checkBox->setText(
        QCoreApplication::translate(context, "Don't Show Me This Message Again"));

    auto* row = new QWidget(dialog);
    row->setObjectName(QStringLiteral("Layout"));
    row->setGeometry(kButtonRowRect);
    parts.buttons = new QHBoxLayout(row);
    parts.buttons->setContentsMargins(0, 0, 0, 0);
    parts.buttons->setSpacing(6);
    return parts;
}

} // namespace warningform
