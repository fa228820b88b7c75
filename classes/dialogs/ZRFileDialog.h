#pragma once

#include <QString>
#include <QStringList>

class QWidget;

/// The program's open and save dialogs for one file or several, with filter strings of the form
/// "Video (*.avi *.mpg);;All Files (*.*)", and its folder chooser. Every call is modal and runs on
/// the GUI thread; a cancelled dialog answers a null string or an empty list.
class ZRFileDialog {
public:
    /// `parent` owns the dialogs (it may be null); `openMode` chooses the open dialog, else save.
    ZRFileDialog(QWidget* parent, bool openMode);

    /// One file. `startPath` naming a folder opens there with no name; otherwise the dialog opens
    /// in its folder with its file name filled in. Saving asks no question about an existing
    /// file: callers that overwrite ask themselves.
    QString getFileName(const QString& caption, const QString& startPath, const QString& filter);

    /// Several files, as full paths. The dialog opens in `startPath`'s folder with the whole
    /// `startPath` filled in when it has a file name.
    QStringList getFileNames(const QString& caption, const QString& startPath,
                             const QString& filter);

    /// A folder, starting at `startDir`; the caption is "Select a Directory" when empty. The
    /// dialog belongs to `parent`'s window (to the active window without a parent); `name` is
    /// not used.
    static QString getExistingDirectory(const QString& startDir, QWidget* parent = nullptr,
                                        const char* name = nullptr,
                                        const QString& caption = QString());

private:
    QWidget* m_parent;
    bool m_openMode;
};
