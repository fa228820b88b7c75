#pragma once

#include "output/ExportProfile.h"

#include <QString>

#include <vector>

class QConfig;

/// The produce page's list of export profiles, without the page: the nine built-in profiles
/// at positions 0-8, the user's stored profiles from 9 in stored order, derived profiles after
/// them. Names are unique without regard to case (the settings file matches group names that
/// way), so every profile saves into a group of its own.
///
/// Settings layout in "clipstead.ini": group "ProfilesList" with "NumProfiles" and "Profile0",
/// "Profile1", ... naming the stored profiles; one group per stored profile with "VideoCodec",
/// "AudioCodec", "Width", "Height", "FormatId", "SamplesPerSecond", "NumberOfChannels" and
/// "Fps". Confined to one thread (the GUI thread for the page).
class ZRExportProfiles {
public:
    static constexpr int kBuiltInCount = 9;
    /// Positions of the two built-in DVD profiles, the ones that show the bit rates.
    static constexpr int kDvdPal = 7;
    static constexpr int kDvdNtsc = 8;

    static constexpr const char* kListGroup = "ProfilesList";
    static constexpr const char* kCountKey = "NumProfiles";
    static constexpr const char* kNameKeyPrefix = "Profile";
    static constexpr const char* kVideoCodecKey = "VideoCodec";
    static constexpr const char* kAudioCodecKey = "AudioCodec";
    static constexpr const char* kWidthKey = "Width";
    static constexpr const char* kHeightKey = "Height";
    static constexpr const char* kFormatIdKey = "FormatId";
    static constexpr const char* kSampleRateKey = "SamplesPerSecond";
    static constexpr const char* kChannelsKey = "NumberOfChannels";
    static constexpr const char* kFpsKey = "Fps";

    /// Why a rename was refused; `Renamed` when it took place.
    enum class Rename {
        Renamed,
        NotUserMade,   ///< no such profile, or a built-in one
        Blank,         ///< empty or only white space
        BadCharacter,  ///< a line break or "]": the settings file cannot hold the group
        Listed,        ///< another profile has the name (in any case)
        ExistingGroup, ///< the settings file has a group of that name that is not the profile's
    };

    /// Appends the nine built-in profiles.
    void createBuiltInProfiles();
    /// Appends one profile that is not the user's.
    void addBuiltInProfile(const QString& name, const QString& videoCodec,
                           const QString& audioCodec, int width, int height, double fps,
                           int sampleRate, int channels, int formatId, bool saved);

    /// Appends the profiles stored in `config` (user-made and saved); answers how many. Reading
    /// stops at the count, or earlier at the first missing "Profile" key; an empty name, a name
    /// already listed (in any case) or the name of the list's own group is skipped. Missing
    /// keys read as 0, 0.0 or empty text (`ExportProfile::check` tells). Leaves the current
    /// group of `config` at "ProfilesList".
    int readProfiles(QConfig& config);
    /// Writes every saved profile in list order and the count, then saves the file. "Profile"
    /// keys at or above the new count and groups of removed profiles stay in the file unread.
    /// False when the file could not be written.
    [[nodiscard]] bool writeProfiles(QConfig& config) const;

    int size() const { return int(m_profiles.size()); }
    bool isEmpty() const { return m_profiles.empty(); }
    /// The profile at `index`, which must be in range.
    const ExportProfile& at(int index) const { return m_profiles[size_t(index)]; }
    ExportProfile& at(int index) { return m_profiles[size_t(index)]; }
    /// The first profile named exactly `name`; -1 when none.
    int indexOf(const QString& name) const;
    /// The first profile named `name` without regard to case; -1 when none.
    int indexOfIgnoringCase(const QString& name) const;

    /// The name a profile derived from `name` gets: `prefix` + " " + name, followed by " (2)",
    /// " (3)" ... while a profile of that name (in any case) exists.
    QString derivedName(const QString& prefix, const QString& name) const;
    /// Appends a user-made, unsaved copy of the profile at `index` named by `derivedName`;
    /// answers its position, -1 when `index` is out of range.
    int derive(int index, const QString& prefix);
    /// Renames the user-made profile at `index` to `name` without its outer white space,
    /// checked against the list and the groups of `config` (may be null); on refusal the old
    /// name stays.
    Rename rename(int index, const QString& name, const QConfig* config);
    /// Removes the profile at `index`; false when out of range.
    bool remove(int index);

private:
    std::vector<ExportProfile> m_profiles;
};
