#pragma once

// Small folder operations of the capture code. Reentrant; they touch the file system only.

#include <QString>

/// The absolute folder of `path`, a "/" unless it ends with one (or "\\"), the file's name up
/// to its last dot, ".", and `suffix`: "/media/clip.avi" with "idx" gives "/media/clip.idx".
QString filePathPart(const QString& path, const QString& suffix);

/// True when `folder` holds at least one file or folder (".", ".." aside) whose name matches the
/// name filter (wildcards, case ignored); false for a missing folder.
bool listFolderEntries(const QString& folder, const QString& filter);

/// Deletes every plain file of `folder` whose name matches the filter; answers true.
bool removeFolderFiles(const QString& folder, const QString& filter);

/// Deletes every plain file of size 0 in `folder`; answers true.
bool removeEmptyFiles(const QString& folder);
