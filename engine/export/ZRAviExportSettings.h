#pragma once

#include <string>
#include <vector>

/// The timeline's settings for the format "AVI", which the engine writes itself (see
/// platform/aviwriter): the video and audio compressors present, by friendly name, and the two
/// chosen ("Cinepak Codec by Radius" and "PCM" until the host picks others).
/// Thread-safety: confined to the host's thread (exports run on it synchronously).
class ZRAviExportSettings {
public:
    /// The export format the engine serves itself; compared case-sensitively.
    static constexpr const char* kFormatName = "AVI";
    /// At most this many names of one kind are listed.
    static constexpr size_t kMaxCompressors = 40;

    ZRAviExportSettings();

    /// The video (true) or audio (false) compressor names, an array of texts ended by null.
    const char* const* compressors(bool video) const;
    const char* codecName(bool video) const;
    /// Stores the chosen name; a null name is ignored.
    void setCodecName(bool video, const char* name);

private:
    struct List {
        std::vector<std::string> names;
        std::vector<const char*> table; // into `names`, ended by null
    };
    static void fill(List& list, bool video);

    List m_video;
    List m_audio;
    std::string m_videoCodec;
    std::string m_audioCodec;
};
