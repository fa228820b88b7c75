#include "output/WarningForm.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QRegularExpression>

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

QString keepUnitsWhole(const QString& text) {
    // Line breaking may part a number from its unit and breaks after any slash: "8 Mbit/" ended
    // one line and "s" began the next.
    static const QRegularExpression unit(QStringLiteral("(\\d) (\\p{L}+)/(\\p{L}+)"));
    QString result = text;
    result.replace(unit, QStringLiteral("\\1\u00A0\\2/\u2060\\3"));
    return result;
}

} // namespace warningform
