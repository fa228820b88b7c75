#include "app/ZRWindowServices.h"

#include "app/ZRAboutDialog.h"
#include "classes/dialogs/ZRFileDialog.h"
#include "output/BPSWarning.h"
#include "output/ZRProfileDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace {

ZRWindowServices gRealServices;
ZRWindowServices* gInstalled = nullptr;

// Pending events are processed once a box closes, so the window repaints under it at once.
void settle() {
    QCoreApplication::processEvents();
}

} // namespace

QString ZRWindowServices::fileName(QWidget* parent, bool openMode, const QString& caption,
                                   const QString& startPath, const QString& filter) {
    return ZRFileDialog(parent, openMode).getFileName(caption, startPath, filter);
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

void ZRWindowServices::warning(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox::warning(parent, caption, text, QMessageBox::Ok);
}

int ZRWindowServices::runProfileDialog(ZRProfileDialog& dialog) {
    return dialog.exec();
}

ZRWindowServices::WarningAnswer ZRWindowServices::runBitrateWarning(QWidget* parent) {
    BPSWarning warning(parent, nullptr, true);
    const bool accepted = warning.exec() == QDialog::Accepted;
    settle();
    return {accepted, warning.m_checkBox->isChecked()};
}

void ZRWindowServices::showAbout(QWidget* parent) {
    // The about box deletes itself when it closes.
    QPointer<ZRAboutDialog> about = new ZRAboutDialog(parent, "zraboutdialog");
    QCoreApplication::processEvents(QEventLoop::AllEvents, 500);
    if (about) about->exec();
    settle();
}

ZRWindowServices& ZRWindowServices::current() {
    return gInstalled ? *gInstalled : gRealServices;
}

ZRWindowServices* ZRWindowServices::install(ZRWindowServices* services) {
    ZRWindowServices* before = gInstalled;
    gInstalled = services;
    return before;
}
