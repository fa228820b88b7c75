#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

class QWidget;
class ZRProfileDialog;

/// What the main window and the pages ask of the user: file dialogs, message boxes, the profile
/// dialog, the bit-rate and split warnings and the about box. This class shows the boxes and file
/// dialogs itself; the program's own dialogs (profile dialog, bit-rate warning, about box) lie
/// above the views, so the program sets its services (`setProgramServices`, which show them) at
/// start-up, and without them those three show nothing. Tests install one that answers by script.
/// Web pages, documents and programs go through `ZRLauncher`. GUI thread only.
class ZRWindowServices {
public:
    enum class SaveAnswer { Save, DontSave, Cancel };
    /// How a warning form with a "Don't Show Me This Message Again" check box closed.
    struct WarningAnswer {
        bool accepted = false;      ///< "Yes" or "OK"
        bool dontShowAgain = false; ///< the check box as it was left
    };

    virtual ~ZRWindowServices() = default;

    /// `ZRFileDialog::getFileName` (open or save); empty when cancelled.
    virtual QString fileName(QWidget* parent, bool openMode, const QString& caption,
                             const QString& startPath, const QString& filter);
    /// `ZRFileDialog::getFileNames`: several files to open; empty when cancelled.
    virtual QStringList fileNames(QWidget* parent, const QString& caption, const QString& startPath,
                                  const QString& filter);
    /// A warning box with the given buttons, left to right; answers the index of the button
    /// pressed, `escapeButton` when the box is closed otherwise.
    virtual int question(QWidget* parent, const QString& caption, const QString& text,
                         const QStringList& buttons, int defaultButton, int escapeButton);
    /// The save-changes question: Save (default), Don't Save, Cancel (escape).
    virtual SaveAnswer askSaveChanges(QWidget* parent, const QString& caption, const QString& text);
    /// The overwrite question; true for Overwrite, false for Cancel (default and escape).
    virtual bool confirmOverwrite(QWidget* parent, const QString& caption, const QString& text);
    /// The abort-export question; true for Abort.
    virtual bool confirmAbort(QWidget* parent, const QString& caption, const QString& text);
    /// An information box with one Abort button (the produce and launch pages' failures).
    virtual void informAbort(QWidget* parent, const QString& caption, const QString& text);
    /// A warning with one OK button.
    virtual void warning(QWidget* parent, const QString& caption, const QString& text);
    /// The Yes / No / Abort question of an information box: 0 Yes, 1 No, 2 Abort (also when the
    /// box is closed otherwise). Asks through `question`.
    virtual int askYesNoAbort(QWidget* parent, const QString& caption, const QString& text);
    /// An information box with one OK button.
    virtual void information(QWidget* parent, const QString& caption, const QString& text);
    /// The toolkit's folder dialog starting at `startFolder`; empty when cancelled.
    virtual QString folderName(QWidget* parent, const QString& caption, const QString& startFolder);
    /// Runs the profile dialog modally; its result (1 accepted; 0 here).
    virtual int runProfileDialog(ZRProfileDialog& dialog);
    /// Runs the bit-rate warning (`BPSWarning`) modally.
    virtual WarningAnswer runBitrateWarning(QWidget* parent);
    /// Runs the capture page's split warning (`Wren80Warning`) modally.
    virtual WarningAnswer runWren80Warning(QWidget* parent);
    /// Shows the about box modally.
    virtual void showAbout(QWidget* parent);
    /// The standard colour dialog, starting at `initial`; an invalid colour when cancelled.
    virtual QColor chooseColor(QWidget* parent, const QColor& initial);
    /// Starts the outside program `program` with `arguments` (each one argument, whatever it
    /// holds) in `workingFolder` (the current one when empty), detached: nothing waits for it.
    /// False when it could not be started. The program's services start it through `ZRLauncher`.
    virtual bool startProgram(const QString& program, const QStringList& arguments,
                              const QString& workingFolder);

    /// The services in use: the installed ones, else the program's, else this class.
    static ZRWindowServices& current();
    /// Sets the program's own services (not owned; null for none), used when none are installed.
    static void setProgramServices(ZRWindowServices* services);
    /// Installs `services` (not owned; null restores the real ones); returns the one installed
    /// before (null for the real ones).
    static ZRWindowServices* install(ZRWindowServices* services);

protected:
    /// Processes pending events once a box closes, so the window repaints under it at once.
    static void settle();
};
