#pragma once

/// The two process-wide flags that export and DV live output share: an export is running, and a
/// stop was requested. An export sets the running flag for its whole run and ends after the
/// frame during which a stop was requested.
/// Thread-safety: atomics; read and written from any thread.
bool zrExportRunning();
void zrSetExportRunning(bool on);
bool zrStopRequested();
void zrSetStopRequested(bool on);
