#pragma once

#include <QString>
#include <QStringList>

/// The project named on the command line: the first of `arguments` (those after the program
/// name) whose last extension is "zrs" in any case and which names an existing file, resolved
/// against `startFolder` (the folder the program was started in) and cleaned; empty when none
/// does. Later arguments are not looked at once one qualifies.
QString projectArgument(const QStringList& arguments, const QString& startFolder);

/// The command-line project of this run, absolute; empty when none was given. Set once by the
/// start-up; read by the main window when it is first shown. GUI thread only.
const QString& commandLineProject();
void setCommandLineProject(const QString& path);
