#pragma once

class QString;

/// Tells the user, once per run of the program, that previews play without sound because the
/// sound device did not open (`reason`); the status bar shows it when there is a main window.
/// GUI thread only.
void zrReportSilentPreview(const QString& reason);
