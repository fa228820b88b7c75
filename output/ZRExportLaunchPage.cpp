#include "output/ZRExportLaunchPage.h"

#include "classes/widgets/ZRLabel.h"
#include "classes/widgets/ZRPushButton.h"
#include "editor/ZRAppState.h"
#include "platform/system/RegistryFile.h"
#include "views/ZRWindowServices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

ZRExportLaunchPage::ZRExportLaunchPage(const Program& program, const QString& description,
                                       const QString& buttonText, const QString& toolTip,
                                       const QString& failureMessage, QWidget* parent,
                                       const char* name)
    : QSBWidget(parent, name), m_program(program), m_failureMessage(failureMessage) {
    m_description = new ZRLabel(description, this, "description");
    m_description->setWordWrap(true);
    m_description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_button = new ZRPushButton(buttonText, this, "launch");
    m_button->setFixedSize(160, 20);
    m_button->setToolTip(toolTip);
    connect(m_button, &QAbstractButton::clicked, this, &ZRExportLaunchPage::buttonClicked);
}

void ZRExportLaunchPage::show() {
    QSBWidget::show();
}

void ZRExportLaunchPage::hide() {
    QSBWidget::hide();
}

QString ZRExportLaunchPage::programPath() const {
    const QString executable = QString::fromLatin1(m_program.executable);
    const std::optional<QString> folder = platform::registryValue(
        QString::fromLatin1(m_program.keyPath), QString::fromLatin1(m_program.valueName));
    // An install folder in the registry wins, as it does for the installed program; whether
    // the program is really there shows when it is started.
    if (folder && !folder->isEmpty()) return QDir(*folder).absoluteFilePath(executable);
    return QStandardPaths::findExecutable(executable);
}

void ZRExportLaunchPage::buttonClicked() {
    const QString program = programPath();
    QStringList arguments;
    if (m_program.passSelectedFile) arguments << appState().selectedBrowserFile();
    const QString folder = m_program.runInInstallFolder && !program.isEmpty()
                               ? QFileInfo(program).absolutePath()
                               : QString();
    ZRWindowServices& services = ZRWindowServices::current();
    if (program.isEmpty() || !services.startProgram(program, arguments, folder))
        services.informAbort(this,
                             QCoreApplication::translate(metaObject()->className(), "Clipstead 5"),
                             m_failureMessage);
}

// The description across the top, the button centred 24 pixels under it.
void ZRExportLaunchPage::resizeEvent(QResizeEvent* e) {
    QSBWidget::resizeEvent(e);
    m_description->setGeometry(10, 9, width() - 20, 36);
    const int centreY = m_description->geometry().bottom() + 1 + 24;
    m_button->move((width() - m_button->width()) / 2, centreY - m_button->height() / 2);
}
