#include "views/ZRWindowServices.h"

#include "classes/dialogs/ZRFileDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>

namespace {

ZRWindowServices gPlainServices;
ZRWindowServices* gProgramServices = nullptr;
ZRWindowServices* gInstalled = nullptr;

} // namespace

QString ZRWindowServices::fileName(QWidget* parent, bool openMode, const QString& caption,
                                   const QString& startPath, const QString& filter) {
    return ZRFileDialog(parent, openMode).getFileName(caption, startPath, filter);
}

QStringList ZRWindowServices::fileNames(QWidget* parent, const QString& caption,
                                        const QString& startPath, const QString& filter) {
    return ZRFileDialog(parent, true).getFileNames(caption, startPath, filter);
}

int ZRWindowServices::question(QWidget* parent, const QString& caption, const QString& text,
                               const QStringList& buttons, int defaultButton, int escapeButton) {
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::NoButton, parent);
    QList<QPushButton*> pushed;
    for (const QString& label : buttons)
        pushed.append(box.addButton(label, QMessageBox::ActionRole));
    if (defaultButton >= 0 && defaultButton < pushed.size())
        box.setDefaultButton(pushed[defaultButton]);
    if (escapeButton >= 0 && escapeButton < pushed.size())
        box.setEscapeButton(pushed[escapeButton]);
    box.exec();
    settle();
    const int index = int(pushed.indexOf(static_cast<QPushButton*>(box.clickedButton())));
    return index < 0 ? escapeButton : index;
}

ZRWindowServices::SaveAnswer
ZRWindowServices::askSaveChanges(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::NoButton, parent);
    QPushButton* save = box.addButton(QObject::tr("Save"), QMessageBox::YesRole);
    QPushButton* discard = box.addButton(QObject::tr("Don't Save"), QMessageBox::NoRole);
    QPushButton* cancel = box.addButton(QObject::tr("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    settle();
    if (box.clickedButton() == save) return SaveAnswer::Save;
    if (box.clickedButton() == discard) return SaveAnswer::DontSave;
    return SaveAnswer::Cancel;
}

bool ZRWindowServices::confirmOverwrite(QWidget* parent, const QString& caption,
                                        const QString& text) {
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::NoButton, parent);
    QPushButton* overwrite = box.addButton(QObject::tr("Overwrite"), QMessageBox::YesRole);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    settle();
    return box.clickedButton() == overwrite;
}

bool ZRWindowServices::confirmAbort(QWidget* parent, const QString& caption, const QString& text) {
    return QMessageBox::information(parent, caption, text, QMessageBox::Abort | QMessageBox::Cancel,
                                    QMessageBox::Cancel) == QMessageBox::Abort;
}

void ZRWindowServices::informAbort(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox::information(parent, caption, text, QMessageBox::Abort, QMessageBox::Abort);
    settle();
}

void ZRWindowServices::warning(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox::warning(parent, caption, text, QMessageBox::Ok);
}

int ZRWindowServices::askYesNoAbort(QWidget* parent, const QString& caption, const QString& text) {
    return question(parent, caption, text,
                    {QObject::tr("Yes"), QObject::tr("No"), QObject::tr("Abort")}, 0, 2);
}

void ZRWindowServices::information(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox::information(parent, caption, text, QMessageBox::Ok);
    settle();
}

QString ZRWindowServices::folderName(QWidget* parent, const QString& caption,
                                     const QString& startFolder) {
    const QString folder =
        ZRFileDialog::getExistingDirectory(startFolder, parent, nullptr, caption);
    settle();
    return folder;
}

// The program's dialogs live above the views: without the program's services nothing is shown.
int ZRWindowServices::runProfileDialog(ZRProfileDialog&) {
    return 0;
}

ZRWindowServices::WarningAnswer ZRWindowServices::runBitrateWarning(QWidget*) {
    return {};
}

ZRWindowServices::WarningAnswer ZRWindowServices::runWren80Warning(QWidget*) {
    return {};
}

void ZRWindowServices::showAbout(QWidget*) {}

bool ZRWindowServices::startProgram(const QString& program, const QStringList& arguments,
                                    const QString& workingFolder) {
    return !program.isEmpty() && QProcess::startDetached(program, arguments, workingFolder);
}

QColor ZRWindowServices::chooseColor(QWidget* parent, const QColor& initial) {
    const QColor chosen = QColorDialog::getColor(initial, parent);
    settle();
    return chosen;
}

void ZRWindowServices::settle() {
    QCoreApplication::processEvents();
}

ZRWindowServices& ZRWindowServices::current() {
    if (gInstalled) return *gInstalled;
    return gProgramServices ? *gProgramServices : gPlainServices;
}

void ZRWindowServices::setProgramServices(ZRWindowServices* services) {
    gProgramServices = services;
}

ZRWindowServices* ZRWindowServices::install(ZRWindowServices* services) {
    ZRWindowServices* before = gInstalled;
    gInstalled = services;
    return before;
}
