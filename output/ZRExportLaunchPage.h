#pragma once

#include "classes/widgets/QSBWidget.h"

#include <QString>
#include <QStringList>

class ZRLabel;
class ZRPushButton;

/// A produce page that hands the user over to an optional outside program: a description and one
/// button that starts the program.
///
/// The program is found in the install folder that "registry.ini" names (key and value as given),
/// else on `PATH`. It is started detached through the window services, its arguments passed as a
/// list (a file name with quotes or blanks stays one argument); nothing waits for it, so the
/// program can quit while it runs, and each click starts another instance. When it cannot be
/// found or started, an information box with one Abort button says so. GUI thread only.
class ZRExportLaunchPage : public QSBWidget {
    Q_OBJECT

public:
    /// What a page launches.
    struct Program {
        const char* keyPath;     ///< registry key of the install folder
        const char* valueName;   ///< its value
        const char* executable;  ///< the program's file name
        bool passSelectedFile;   ///< the browser's selected file is its one argument
        bool runInInstallFolder; ///< the program's own folder is its working folder
    };

    ZRExportLaunchPage(const Program& program, const QString& description,
                       const QString& buttonText, const QString& toolTip,
                       const QString& failureMessage, QWidget* parent, const char* name);

    /// The program's path: install folder and file name when the registry names a folder, else
    /// the program found on `PATH`; empty when neither.
    QString programPath() const;

    ZRLabel* descriptionLabel() const { return m_description; }
    ZRPushButton* button() const { return m_button; }

public Q_SLOTS:
    void show();
    void hide();
    /// Starts the program, or tells the user it cannot be.
    void buttonClicked();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    Program m_program;
    QString m_failureMessage;
    ZRLabel* m_description;
    ZRPushButton* m_button;
};
