#include "classes/dialogs/ZRFileDialog.h"

#include "classes/dialogs/ZRFileFilter.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>

namespace {

// Sets the dialog's filters. The dialog reads its patterns from the name filter text; where that
// text had to carry other patterns than the display name shows, the list of the widget-based
// dialog is relabelled so the user still sees the display name.
void applyFilters(QFileDialog& dialog, const QString& filter) {
    const QList<ZRFileFilter> filters = convertFileFilter(filter);
    dialog.setNameFilters(fileDialogNameFilters(filters));
    if (auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
        for (int i = 0; i < filters.size() && i < combo->count(); ++i)
            combo->setItemText(i, filters[i].displayName);
    }
}

// Runs the dialog modally and answers its selection, or nothing when it was cancelled. The
// dialog lives on the heap so that a parent deleted while it runs takes it along safely.
QStringList runDialog(QFileDialog* created) {
    QPointer<QFileDialog> dialog(created);
    const int result = dialog->exec();
    if (!dialog) return {};
    QStringList files;
    if (result == QDialog::Accepted) files = dialog->selectedFiles();
    delete dialog.data();
    return files;
}

} // namespace

ZRFileDialog::ZRFileDialog(QWidget* parent, bool openMode)
    : m_parent(parent), m_openMode(openMode) {}

QString ZRFileDialog::getFileName(const QString& caption, const QString& startPath,
                                  const QString& filter) {
    const QFileInfo start(startPath);
    QString folder;
    QString fileName;
    if (!startPath.isEmpty() && start.isDir()) {
        folder = startPath;
    } else if (!startPath.isEmpty()) {
        folder = start.absolutePath();
        fileName = start.fileName();
    }

    auto* dialog = new QFileDialog(m_parent, caption, QDir::toNativeSeparators(folder));
    dialog->setAcceptMode(m_openMode ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog->setFileMode(m_openMode ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    applyFilters(*dialog, filter);
    if (!fileName.isEmpty()) dialog->selectFile(fileName);

    const QStringList files = runDialog(dialog);
    return files.isEmpty() ? QString() : files.first();
}

QStringList ZRFileDialog::getFileNames(const QString& caption, const QString& startPath,
                                       const QString& filter) {
    const QFileInfo start(startPath);
    const QString folder = startPath.isEmpty() ? QString() : start.absolutePath();

    auto* dialog = new QFileDialog(m_parent, caption, QDir::toNativeSeparators(folder));
    dialog->setAcceptMode(m_openMode ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog->setFileMode(m_openMode ? QFileDialog::ExistingFiles : QFileDialog::AnyFile);
    applyFilters(*dialog, filter);
    if (!startPath.isEmpty() && !start.fileName().isEmpty())
        dialog->selectFile(QDir::toNativeSeparators(startPath));

    return runDialog(dialog);
}

QString ZRFileDialog::getExistingDirectory(const QString& startDir, QWidget* parent, const char*,
                                           const QString& caption) {
    const QString title = caption.isEmpty()
                              ? QCoreApplication::translate("ZRFileDialog", "Select a Directory")
                              : caption;
    QWidget* owner = parent ? parent->window() : QApplication::activeWindow();

    auto* dialog = new QFileDialog(owner, title, QDir::toNativeSeparators(startDir));
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);

    const QStringList folders = runDialog(dialog);
    return folders.isEmpty() ? QString() : folders.first();
}
