#pragma once

#include <QString>
#include <QStringList>

/// The project named on the command line: the first of `arguments` (those after the program
/// name) whose last extension is "zrs" in any case and which names an existing file, resolved
/// against `startFolder` (the folder the program was started in) and cleaned; empty when none
/// does. Later arguments are not looked at once one qualifies.
QString projectArgument(const QStringList& arguments, const QString& startFolder);

/// As above, from the command line's own bytes, each decoded as the system decodes file names
/// (`QFile::decodeName`). A project file that exists under its bytes but whose name does not
/// survive decoding (bytes that are no text in the locale's encoding) cannot be opened by any
/// name: it is returned as decoded, so that its opening fails where the user sees it, with
/// `*undecodable` set; otherwise `*undecodable` is false.
QString projectArgument(const QList<QByteArray>& arguments, const QString& startFolder,
                        bool* undecodable);

/// The command-line project of this run, absolute; empty when none was given. Set once by the
/// start-up; read by the main window when it is first shown. GUI thread only.
const QString& commandLineProject();
void setCommandLineProject(const QString& path);
