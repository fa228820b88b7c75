#pragma once

#include <QString>
#include <QStringList>

class QUrl;

/// Hands web addresses, documents and outside programs to the desktop: addresses and files open
/// in the user's chosen application (`QDesktopServices`), programs start detached from this
/// process. Every such call of the program goes through `ZRLauncher::current()`, so that tests
/// can put a fake in its place. GUI thread only.
class ZRLauncher {
public:
    virtual ~ZRLauncher();

    /// Opens a web address in the browser. False when no application took it.
    virtual bool openUrl(const QUrl& address);
    /// Opens a local file (a document) with the application the desktop assigns to its type.
    /// False when the file does not exist or no application took it.
    virtual bool openFile(const QString& path);
    /// Starts `program` with `arguments` in `workingFolder` (the current one when empty),
    /// detached: it runs on after this process ends. False when it could not be started.
    virtual bool startDetached(const QString& program, const QStringList& arguments = {},
                               const QString& workingFolder = QString());

    /// The launcher in use: the desktop's unless a replacement is set.
    static ZRLauncher& current();
    /// Puts `replacement` (borrowed; null: the desktop's again) in place of the launcher.
    static void setCurrent(ZRLauncher* replacement);
};
