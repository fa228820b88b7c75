#pragma once

// What ffprobe says of a media file, for the export tests.

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace ffprobe {

struct Stream {
    std::string type; ///< "video" or "audio"
    std::string codec;
    int width = 0;
    int height = 0;
    double rate = 0; ///< frames per second (r_frame_rate)
    std::string rateText;
    int sampleRate = 0;
    int channels = 0;
    long long packets = 0;
    double duration = 0;
    std::string fieldOrder; ///< "progressive", "tt", "bb", ... ("" when unknown)
};

struct Probe {
    bool ok = false;
    std::string format;
    double duration = 0;
    std::vector<Stream> streams;

    const Stream* first(const char* type) const {
        for (const Stream& s : streams)
            if (s.type == type) return &s;
        return nullptr;
    }
};

// Runs `program` (ffprobe unless told) with posix_spawn (a plain fork and exec that the thread
// sanitizer follows, unlike the vfork-style start of QProcess) and answers its standard output
// (its error output with `errorsInstead`), or nothing when it cannot be run or fails.
inline QByteArray run(const QStringList& arguments, const char* program = "ffprobe",
                      bool errorsInstead = false) {
    std::vector<std::string> words{program};
    for (const QString& a : arguments)
        words.push_back(a.toStdString());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1],
                                     errorsInstead ? STDERR_FILENO : STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, errorsInstead ? STDOUT_FILENO : STDERR_FILENO,
                                     "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    const int spawned = ::posix_spawnp(&child, program, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    QByteArray output;
    if (spawned == 0) {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(out[0], buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            output.append(buffer, n);
        }
    }
    ::close(out[0]);
    if (spawned != 0) return {};
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
    return output;
}

inline double ratio(const QString& text) {
    const QStringList parts = text.split('/');
    if (parts.size() != 2 || parts[1].toDouble() == 0) return text.toDouble();
    return parts[0].toDouble() / parts[1].toDouble();
}

/// Streams (with their packet counts) and container of `path`.
inline Probe probe(const std::string& path) {
    Probe result;
    const QByteArray json = run({"-v", "error", "-count_packets", "-show_streams", "-show_format",
                                 "-of", "json", QString::fromStdString(path)});
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    if (root.isEmpty()) return result;
    result.ok = true;
    result.format = root["format"].toObject()["format_name"].toString().toStdString();
    result.duration = root["format"].toObject()["duration"].toString().toDouble();
    for (const QJsonValue& value : root["streams"].toArray()) {
        const QJsonObject s = value.toObject();
        Stream stream;
        stream.type = s["codec_type"].toString().toStdString();
        stream.codec = s["codec_name"].toString().toStdString();
        stream.width = s["width"].toInt();
        stream.height = s["height"].toInt();
        stream.rateText = s["r_frame_rate"].toString().toStdString();
        stream.rate = ratio(s["r_frame_rate"].toString());
        stream.sampleRate = s["sample_rate"].toString().toInt();
        stream.channels = s["channels"].toInt();
        stream.packets = s["nb_read_packets"].toString().toLongLong();
        stream.duration = s["duration"].toString().toDouble();
        stream.fieldOrder = s["field_order"].toString().toStdString();
        result.streams.push_back(stream);
    }
    return result;
}

/// The frames each stream of `path` decodes to, by type ("video", "audio"); with the audio's
/// samples a frame, so that durations follow. Empty when ffprobe fails.
struct Decoded {
    long long pictures = 0;
    long long soundFrames = 0;
    int samplesPerSoundFrame = 0;
    int sampleRate = 0;
    double soundSeconds() const {
        return sampleRate > 0 ? double(soundFrames) * samplesPerSoundFrame / sampleRate : 0.0;
    }
};
inline Decoded decoded(const std::string& path) {
    Decoded d;
    const QByteArray json = run({"-v", "error", "-count_frames", "-show_streams", "-of", "json",
                                 QString::fromStdString(path)});
    for (const QJsonValue& value : QJsonDocument::fromJson(json).object()["streams"].toArray()) {
        const QJsonObject s = value.toObject();
        const long long frames = s["nb_read_frames"].toString().toLongLong();
        if (s["codec_type"] == QStringLiteral("video")) {
            d.pictures = frames;
        } else if (s["codec_type"] == QStringLiteral("audio")) {
            d.soundFrames = frames;
            d.sampleRate = s["sample_rate"].toString().toInt();
            // Layer II frames hold 1152 samples; AC-3 1536; PCM is counted by its packets.
            const QString codec = s["codec_name"].toString();
            d.samplesPerSoundFrame = codec == QStringLiteral("mp2")   ? 1152
                                     : codec == QStringLiteral("ac3") ? 1536
                                                                      : 0;
        }
    }
    return d;
}

/// What decoding the whole of `path` reports as errors (ffmpeg's error level); empty when it
/// decodes cleanly.
inline std::string decodeErrors(const std::string& path) {
    return run({"-v", "error", "-i", QString::fromStdString(path), "-f", "null", "-"}, "ffmpeg",
               true)
        .toStdString();
}

/// The sizes of the packets of the first stream of `type` ("a" or "v"), in file order.
inline std::vector<int> packetSizes(const std::string& path, const char* type) {
    std::vector<int> sizes;
    const QByteArray json =
        run({"-v", "error", "-select_streams", QString(type) + ":0", "-show_entries", "packet=size",
             "-of", "json", QString::fromStdString(path)});
    for (const QJsonValue& p : QJsonDocument::fromJson(json).object()["packets"].toArray())
        sizes.push_back(p.toObject()["size"].toString().toInt());
    return sizes;
}

/// The key-frame flags of the video packets, in file order.
inline std::vector<bool> keyFrames(const std::string& path) {
    std::vector<bool> keys;
    const QByteArray json = run({"-v", "error", "-select_streams", "v:0", "-show_entries",
                                 "packet=flags", "-of", "json", QString::fromStdString(path)});
    for (const QJsonValue& p : QJsonDocument::fromJson(json).object()["packets"].toArray())
        keys.push_back(p.toObject()["flags"].toString().startsWith('K'));
    return keys;
}

} // namespace ffprobe
