#pragma once

#include <QString>

class QConfig;

/// The program's settings file "clipstead.ini": its place, its first lines, the group and key
/// names the shell reads and writes, and the capture split sizes of the Options menu. Readers
/// test `hasKey` first and fall back to the defaults given here. GUI thread only, like the one
/// configuration object the state object owns.
namespace settingsfile {

inline constexpr const char* kFileName = "clipstead.ini";
inline constexpr const char* kGeneral = "General Settings";

inline constexpr const char* kMediaFolder = "MediaFolder";
inline constexpr const char* kSnapshotFolder = "SnapshotFolder";
inline constexpr const char* kBackgroundImage = "BackgroundImage";
inline constexpr const char* kStretchedBackground = "StretchedBackgroundImage";
inline constexpr const char* kOldBackgroundImage = "OldBackgroundImage";
inline constexpr const char* kStretchedOldBackground = "StretchedOldBackgroundImage";
inline constexpr const char* kSnapshotDeinterlace = "Snapshot_Deinterlace";
inline constexpr const char* kSnapshotToClipboard = "Snapshot_CopyToClipboard";
inline constexpr const char* kUseBackgroundRenderer = "UseBackgroundRenderer";
inline constexpr const char* kFileSplitSize = "FileSplitsize";
inline constexpr const char* kFileSplitScene = "FileSplitSzene";
inline constexpr const char* kProfileDialogFormat = "ProfileDialogFormat";
inline constexpr const char* kProfileDialogStandard = "ProfileDialogStandard";
inline constexpr const char* kOpenProjectFolder = "OpenProjectFolder";
inline constexpr const char* kSaveProjectFolder = "SaveProjectFolder";

/// The default background, relative to the program folder.
inline constexpr const char* kDefaultBackground = "backgrounds/Gold Reflection.bmp";
/// The default split size in kilobytes (the "4 GB" entry) and the one a stored size of 0 or
/// less falls back to (the "2 GB" entry).
inline constexpr int kDefaultSplitSize = 3784704;
inline constexpr int kFallbackSplitSize = 2096000;
inline constexpr int kDefaultProfileFormat = 3;

/// How long after a change the settings file is saved in the background (besides at exit).
inline constexpr int kSaveDelayMs = 3000;

/// "clipstead.ini" in the per-user state folder.
QString path();
/// The settings file at `filePath`, created with "# Config File" and "[General Settings]" when
/// it does not exist; null when it can be neither read nor created. The caller owns it.
QConfig* open(const QString& filePath);

/// Fills "MediaFolder" and "SnapshotFolder" of "General Settings" when missing: the desktop's
/// movies and pictures folders when they exist, else "My Videos" and "My Pictures" made in the
/// documents folder, else the home folder; with native separators.
void fillDefaultFolders(QConfig& settings);

/// The readers of the pattern every reader follows: the value when the current group has the
/// key, else `fallback`.
bool readBool(const QConfig& settings, const char* key, bool fallback);
int readInt(const QConfig& settings, const char* key, int fallback);
QString readString(const QConfig& settings, const char* key, const QString& fallback);

/// Menu ids and sizes of the capture split sizes (kilobytes); 3203 and 3207 are not shown.
struct SplitSize {
    int menuId;
    int kilobytes;
};
inline constexpr int kSplit4GBItem = 3201;
inline constexpr int kSplit2GBItem = 3202;
inline constexpr int kSplit1490000KBItem = 3203;
inline constexpr int kSplit650MBItem = 3204;
inline constexpr int kSplit700MBItem = 3205;
inline constexpr int kSplit800MBItem = 3206;
inline constexpr int kSplit5120KBItem = 3207;
inline constexpr SplitSize kSplitSizes[] = {
    {kSplit4GBItem, 3784704},  {kSplit2GBItem, 2096000},  {kSplit1490000KBItem, 1490000},
    {kSplit650MBItem, 645000}, {kSplit700MBItem, 695000}, {kSplit800MBItem, 795000},
    {kSplit5120KBItem, 5120}};
/// The menu id of a split size; 3202 for a size off the table.
int splitMenuId(int kilobytes);
/// The size of a split menu id; 0 for an id off the table.
int splitKilobytes(int menuId);

} // namespace settingsfile
