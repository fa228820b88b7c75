// Our export modules, driven through their entry points as the engine drives them, with the
// files they write checked by ffprobe.
#include "tests/plugins/export/FFprobe.h"
#include "tests/plugins/export/ModuleSettingsFile.h"
#include "tests/support/FullDisk.h"
#include "tests/support/TestEnvironment.h"

#include "engine/api/zrplugin.h"
#include "platform/dvcodec/DVEncoder.h"
#include "platform/system/SystemPaths.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/log.h>
}

#include <QDir>
#include <QFile>
#include <QLibrary>

#include <atomic>
#include <cmath>
#include <csignal>
#include <cstring>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// One export module loaded from the program folder the build made.
struct Module {
    explicit Module(const char* file) {
        static const int anchor = 0;
        library.setFileName(platform::folderOfAddress(&anchor) + "../bin/exports/" + file);
        if (!library.load()) return;
        info = reinterpret_cast<ZRModuleInfoFunction>(library.resolve("moduleInfo20"));
        start = reinterpret_cast<ZRExportStartFunction>(library.resolve("exportStart"));
        encode = reinterpret_cast<ZRExportEncodeFunction>(library.resolve("exportEncode"));
        end = reinterpret_cast<ZRExportEndFunction>(library.resolve("exportEnd"));
    }
    bool ok() const { return info && start && encode && end; }

    QLibrary library;
    ZRModuleInfoFunction info = nullptr;
    ZRExportStartFunction start = nullptr;
    ZRExportEncodeFunction encode = nullptr;
    ZRExportEndFunction end = nullptr;
};

// Counts the warnings of the program-stream muxer that a stream's packets reach the decoder's
// buffers too late ("buffer underflow") while it lives; the modules log through the same
// library.
class UnderflowCount {
public:
    UnderflowCount() {
        s_count = 0;
        av_log_set_callback(&UnderflowCount::log);
    }
    ~UnderflowCount() { av_log_set_callback(av_log_default_callback); }
    int count() const { return s_count; }

private:
    static void log(void* object, int level, const char* format, va_list arguments) {
        if (format && std::strstr(format, "buffer underflow"))
            ++s_count;
        else
            av_log_default_callback(object, level, format, arguments);
    }
    static inline std::atomic<int> s_count{0};
};

Module& mpegModule() {
    static Module module("expmpego.so");
    return module;
}
Module& dvModule() {
    static Module module("expovl.so");
    return module;
}

// The settings the produce page writes before a render.
void writeSettings(const char* group, const std::vector<std::string>& lines) {
    QString body;
    for (const std::string& line : lines)
        body += QString::fromStdString(line) + "\n";
    replaceGroup(platform::stateFolder() + "/tmp_modules.ini", group, body);
}

std::string folder(const char* name) {
    const QString path = testsupport::homeFolder() + "/" + name;
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    return path.toStdString();
}

// The names of the files in `dir`, hidden ones too, in name order, joined by spaces.
std::string filesIn(const std::string& dir) {
    return QDir(QString::fromStdString(dir))
        .entryList(QDir::Files | QDir::Hidden)
        .join(' ')
        .toStdString();
}

std::unique_ptr<ZRExportRecord> record(const std::string& file, int width, int height,
                                       double rate) {
    auto r = std::make_unique<ZRExportRecord>();
    std::strncpy(r->fileName, file.c_str(), sizeof r->fileName - 1);
    r->width = width;
    r->height = height;
    r->frameRate = rate;
    r->hasAudio = 1;
    r->audioRate = 48000;
    r->audioBits = 16;
    r->audioChannels = 2;
    return r;
}

// Frames as the engine hands them: a moving picture, and audio of the video's share per frame
// with the first request five frames' worth.
struct Source {
    int width, height;
    double rate;
    std::vector<unsigned char> pixels;
    std::vector<int16_t> audio;
    long long samplesGiven = 0;

    Source(int w, int h, double r)
        : width(w), height(h), rate(r), pixels(size_t(w) * size_t(h) * 4) {}

    ZRImageRecord frame(int n) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                unsigned char* p = &pixels[(size_t(y) * size_t(width) + size_t(x)) * 4];
                p[0] = uint8_t(x + n * 3);
                p[1] = uint8_t(y + n);
                p[2] = uint8_t((x + y) / 2);
                p[3] = 255;
            }
        ZRImageRecord r{};
        r.pixels = pixels.data();
        r.width = width;
        r.height = height;
        r.stride = width * 4;
        return r;
    }
    // The samples for output frame n (from 1).
    int samples(int n) {
        const long long total = (long long)std::floor((n + 4) * 48000.0 / rate);
        const int count = int(total - samplesGiven);
        samplesGiven = total;
        audio.resize(size_t(count) * 2);
        for (int i = 0; i < count; ++i)
            audio[size_t(i) * 2] = audio[size_t(i) * 2 + 1] =
                int16_t(8000 * std::sin(double(i) * 0.05));
        return count;
    }
};

bool pushFrames(Module& m, Source& source, int frames) {
    for (int n = 1; n <= frames; ++n) {
        ZRImageRecord frame = source.frame(n);
        const int count = source.samples(n);
        if (!m.encode(&frame, source.audio.data(), count * 4)) return false;
    }
    return true;
}

QByteArray fileText(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

uint32_t word(const QByteArray& data, qsizetype at) {
    return uint32_t(uint8_t(data[at])) | uint32_t(uint8_t(data[at + 1])) << 8 |
           uint32_t(uint8_t(data[at + 2])) << 16 | uint32_t(uint8_t(data[at + 3])) << 24;
}

// The payloads of the chunks `id` of an AVI file's "movi" list, in order.
std::vector<QByteArray> chunks(const std::string& path, const char* id) {
    const QByteArray data = fileText(path);
    std::vector<QByteArray> found;
    const qsizetype movi = data.indexOf("movi");
    if (movi < 8) return found;
    const qsizetype end = std::min(data.size(), movi + qsizetype(word(data, movi - 4)));
    for (qsizetype at = movi + 4; at + 8 <= end;) {
        const uint32_t size = word(data, at + 4);
        if (data.mid(at, 4) == id) found.push_back(data.mid(at + 8, qsizetype(size)));
        at += 8 + qsizetype(size + (size & 1));
    }
    return found;
}

// The segment names of a list file, checked against the written form.
std::vector<std::string> listedSegments(const std::string& listPath) {
    const QByteArray text = fileText(listPath);
    std::vector<std::string> names;
    if (!text.startsWith("OVDV")) return names;
    for (const QByteArray& line : text.split('\n').mid(1)) {
        const qsizetype semicolon = line.indexOf("; ");
        if (semicolon < 0) return {};
        const std::string name = line.left(semicolon).toStdString();
        const QString path = QFileInfo(QString::fromStdString(listPath))
                                 .dir()
                                 .filePath(QString::fromStdString(name));
        if (line.mid(semicolon + 2).trimmed().toLongLong() != QFileInfo(path).size()) return {};
        names.push_back(path.toStdString());
    }
    return names;
}

} // namespace

TEST(ExportModules, Load) {
    ASSERT_TRUE(mpegModule().ok()) << mpegModule().library.errorString().toStdString();
    ASSERT_TRUE(dvModule().ok()) << dvModule().library.errorString().toStdString();
    EXPECT_STREQ(mpegModule().info(0, nullptr)->name, "MPEG");
    EXPECT_STREQ(dvModule().info(0, nullptr)->name, "AVI-DV Multifile");
}

// Each profile gives the streams, size and rate of its disc format and lasts as long as its
// frames; the muxer finds every packet in time for the decoder's buffers.
TEST(ExportModules, MpegProfiles) {
    ASSERT_TRUE(mpegModule().ok());
    struct Case {
        const char* format;
        double rate;
        int width, height;
        const char* video;
        const char* audio;
        int sampleRate;
    };
    const Case cases[] = {
        {"VCD", 25.0, 352, 288, "mpeg1video", "mp2", 44100},
        {"VCD", 29.97, 352, 240, "mpeg1video", "mp2", 44100},
        {"SVCD", 25.0, 480, 576, "mpeg2video", "mp2", 44100},
        {"SVCD", 29.97, 480, 480, "mpeg2video", "mp2", 44100},
        {"DVD", 25.0, 720, 576, "mpeg2video", "ac3", 48000},
        {"DVD", 29.97, 720, 480, "mpeg2video", "ac3", 48000},
    };
    const std::string dir = folder("mpeg");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.format) + " " + std::to_string(c.height));
        writeSettings("Export::MPEG", {std::string("Format=") + c.format, "Splitsize=3784704",
                                       "MaxBitrate=8000000", "AvgBitrate=6000000"});
        const std::string path = dir + "/" + c.format + std::to_string(c.height) + ".mpg";
        auto r = record(path, c.width, c.height, c.rate);
        const int frames = 36;
        UnderflowCount underflows;
        ASSERT_TRUE(mpegModule().start(r.get(), frames));
        Source source(c.width, c.height, c.rate);
        EXPECT_TRUE(pushFrames(mpegModule(), source, frames));
        mpegModule().end();
        EXPECT_EQ(underflows.count(), 0);

        const ffprobe::Probe probe = ffprobe::probe(path);
        ASSERT_TRUE(probe.ok);
        EXPECT_NE(probe.format.find("mpeg"), std::string::npos) << probe.format;
        const ffprobe::Stream* video = probe.first("video");
        const ffprobe::Stream* audio = probe.first("audio");
        ASSERT_TRUE(video && audio);
        EXPECT_EQ(video->codec, c.video);
        EXPECT_EQ(video->width, c.width);
        EXPECT_EQ(video->height, c.height);
        EXPECT_EQ(video->rateText, c.rate == 25.0 ? "25/1" : "30000/1001");
        EXPECT_EQ(video->packets, frames);
        EXPECT_EQ(audio->codec, c.audio);
        EXPECT_EQ(audio->sampleRate, c.sampleRate);
        EXPECT_EQ(audio->channels, 2);
        EXPECT_NEAR(probe.duration, frames / c.rate, 1.0 / c.rate);
    }
}

// Frames of another size are scaled to the profile's; a size limit cuts the program stream
// into files of at most that size, each starting a group of pictures.
TEST(ExportModules, MpegScalesAndSplits) {
    ASSERT_TRUE(mpegModule().ok());
    const std::string dir = folder("mpegsplit");
    writeSettings("Export::MPEG",
                  {"Format=DVD", "Splitsize=1500", "MaxBitrate=9000000", "AvgBitrate=8000000"});
    const std::string path = dir + "/movie.mpg";
    auto r = record(path, 640, 480, 25.0);
    const int frames = 100;
    ASSERT_TRUE(mpegModule().start(r.get(), frames));
    Source source(640, 480, 25.0);
    EXPECT_TRUE(pushFrames(mpegModule(), source, frames));
    mpegModule().end();

    long long packets = 0;
    std::vector<std::string> files{path};
    for (int i = 2; QFile::exists(QString::fromStdString(dir + "/movie" + (i < 10 ? "0" : "") +
                                                         std::to_string(i) + ".mpg"));
         ++i)
        files.push_back(dir + "/movie" + (i < 10 ? "0" : "") + std::to_string(i) + ".mpg");
    EXPECT_GE(files.size(), 2u);
    for (const std::string& file : files) {
        EXPECT_LE(QFileInfo(QString::fromStdString(file)).size(), 1500 * 1024) << file;
        const ffprobe::Probe probe = ffprobe::probe(file);
        ASSERT_TRUE(probe.ok) << file;
        ASSERT_TRUE(probe.first("video"));
        EXPECT_EQ(probe.first("video")->width, 720);
        EXPECT_EQ(probe.first("video")->height, 576);
        packets += probe.first("video")->packets;
        EXPECT_TRUE(ffprobe::keyFrames(file).front()) << file;
    }
    EXPECT_EQ(packets, frames);
}

TEST(ExportModules, RefusalsAtTheStart) {
    const std::string dir = folder("refusals");
    struct Case {
        Module& module;
        const char* group;
        const char* setting;
        std::string path;
        double rate;
    };
    const Case cases[] = {
        {mpegModule(), "Export::MPEG", "Format=VCD", "/nonexistent/folder/a.mpg", 25.0},
        {mpegModule(), "Export::MPEG", "Format=BLURAY", dir + "/b.mpg", 25.0},
        {mpegModule(), "Export::MPEG", "Format=DVD", dir + "/c.mpg", 50.0},
        {dvModule(), "Export::AVI Multifile", "Splitsize=2096000", "/nonexistent/folder/d.ovl",
         25.0},
        {dvModule(), "Export::AVI Multifile", "Splitsize=2096000", dir + "/e.ovl", 15.0},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(c.module.ok());
        writeSettings(c.group, {c.setting});
        auto r = record(c.path, 720, 576, c.rate);
        EXPECT_FALSE(c.module.start(r.get(), 10)) << c.path << " " << c.setting;
        Source source(720, 576, c.rate);
        ZRImageRecord frame = source.frame(1);
        EXPECT_FALSE(c.module.encode(&frame, nullptr, 0));
        c.module.end();
    }
    EXPECT_TRUE(QDir(QString::fromStdString(dir)).isEmpty());
}

// A settings file that is there but cannot be read refuses the export instead of exporting
// with default settings; a missing one means the defaults.
TEST(ExportModules, UnreadableSettingsRefuseTheStart) {
    const std::string dir = folder("unreadable");
    const QString settings = platform::stateFolder() + "/tmp_modules.ini";
    const QString kept = settings + ".kept";
    QFile::remove(kept);
    if (QFile::exists(settings)) {
        ASSERT_TRUE(QFile::rename(settings, kept));
    }
    struct Restore {
        QString settings, kept;
        ~Restore() {
            QDir(settings).removeRecursively();
            QFile::remove(settings);
            QFile::rename(kept, settings);
        }
    } restore{settings, kept};

    const std::string path = dir + "/movie.mpg";
    const std::string list = dir + "/movie.ovl";
    for (const char* kind : {"folder", "fifo"}) {
        SCOPED_TRACE(kind);
        if (std::strcmp(kind, "folder") == 0)
            ASSERT_TRUE(QDir().mkpath(settings));
        else
            ASSERT_EQ(::mkfifo(settings.toLocal8Bit().constData(), 0600), 0);
        auto r = record(path, 352, 288, 25.0);
        EXPECT_FALSE(mpegModule().start(r.get(), 10));
        mpegModule().end();
        auto d = record(list, 720, 576, 25.0);
        EXPECT_FALSE(dvModule().start(d.get(), 10));
        dvModule().end();
        QDir(settings).removeRecursively();
        QFile::remove(settings);
    }
    EXPECT_TRUE(QDir(QString::fromStdString(dir)).isEmpty());
    auto r = record(path, 352, 288, 25.0);
    EXPECT_TRUE(mpegModule().start(r.get(), 1)) << "no settings file: the defaults";
    mpegModule().end();
}

// A disk that fills up is reported: at the latest the export's last frame is refused.
TEST(ExportModules, FullDiskIsAFailure) {
    ASSERT_TRUE(mpegModule().ok());
    writeSettings("Export::MPEG", {"Format=VCD"});
    auto r = record("/dev/full", 352, 288, 25.0);
    if (!mpegModule().start(r.get(), 30)) return; // refused at once: a clear failure too
    Source source(352, 288, 25.0);
    EXPECT_FALSE(pushFrames(mpegModule(), source, 30));
    mpegModule().end();
}

// A disk that fills up in the middle of an export, simulated in a child process by a limit on
// the size of the files it writes: every export reports the failure and leaves no file behind
// (no segment, no list, nothing under a temporary name).
TEST(ExportModules, FullDiskLeavesNothingBehind) {
    ASSERT_TRUE(mpegModule().ok() && dvModule().ok());
    struct Case {
        Module& module;
        const char* group;
        const char* setting;
        const char* file;
        int width, height;
    };
    const Case cases[] = {
        {mpegModule(), "Export::MPEG", "Format=VCD", "movie.mpg", 352, 288},
        {mpegModule(), "Export::MPEG", "Format=DVD\nSplitsize=300", "split.mpg", 720, 576},
        {dvModule(), "Export::AVI Multifile", "Splitsize=2096000", "movie.ovl", 720, 576},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string dir = folder("fulldisk");
        writeSettings(c.group, {c.setting});
        EXPECT_TRUE(testsupport::onFullDisk(256 << 10, [&] {
            auto r = record(dir + "/" + c.file, c.width, c.height, 25.0);
            const int frames = 60;
            bool failed = !c.module.start(r.get(), frames);
            Source source(c.width, c.height, 25.0);
            if (!failed) failed = !pushFrames(c.module, source, frames);
            c.module.end();
            return failed;
        })) << "the export must report the full disk";
        EXPECT_EQ(filesIn(dir), "");
    }
}

// An export that ends before the frames it announced (the user stopped it) is discarded: no
// file of it under the name, no temporary one, an older file of the name as it was; also when it
// stops with the encoders busy on several groups of pictures (the scan is known after 50 frames).
TEST(ExportModules, AnExportStoppedEarlyLeavesTheOlderFile) {
    ASSERT_TRUE(mpegModule().ok() && dvModule().ok());
    struct Case {
        Module& module;
        const char* group;
        const char* setting;
        const char* file;
        int width, height;
        int pushed = 10;
    };
    const Case cases[] = {
        {mpegModule(), "Export::MPEG", "Format=VCD", "movie.mpg", 352, 288},
        {mpegModule(), "Export::MPEG", "Format=DVD", "disc.mpg", 720, 576, 80},
        {dvModule(), "Export::AVI Multifile", "Splitsize=2096000", "movie.ovl", 720, 576},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string dir = folder("stopped");
        writeSettings(c.group, {c.setting});
        const QString target = QString::fromStdString(dir + "/" + c.file);
        {
            QFile old(target);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("old");
        }
        auto r = record(dir + "/" + c.file, c.width, c.height, 25.0);
        ASSERT_TRUE(c.module.start(r.get(), c.pushed + 20));
        Source source(c.width, c.height, 25.0);
        EXPECT_TRUE(pushFrames(c.module, source, c.pushed));
        c.module.end();
        EXPECT_EQ(filesIn(dir), c.file);
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), QByteArray("old"));
    }
}

// The list names the segments beside it; each segment is DV of the system with 48 kHz stereo
// PCM of exactly the video's length.
TEST(ExportModules, DvSegmentsAndList) {
    ASSERT_TRUE(dvModule().ok());
    struct Case {
        double rate;
        int height;
        const char* rateText;
        int frames;
        long long splitKilobytes;
    };
    const Case cases[] = {
        {25.0, 576, "25/1", 30, 2096000},
        {29.97, 480, "30000/1001", 31, 2096000},
        {25.0, 576, "25/1", 40, 2000}, // split into several segments
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.height) + " " + std::to_string(c.splitKilobytes));
        const std::string dir = folder("dv");
        writeSettings("Export::AVI Multifile", {"Splitsize=" + std::to_string(c.splitKilobytes)});
        const std::string list = dir + "/movie.ovl";
        auto r = record(list, 720, c.height, c.rate);
        ASSERT_TRUE(dvModule().start(r.get(), c.frames));
        Source source(720, c.height, c.rate);
        EXPECT_TRUE(pushFrames(dvModule(), source, c.frames));
        dvModule().end();

        const std::vector<std::string> segments = listedSegments(list);
        ASSERT_FALSE(segments.empty());
        EXPECT_EQ(segments.front(), dir + "/movie01.avi");
        EXPECT_EQ(segments.size() > 1, c.splitKilobytes < 100000);
        long long videoFrames = 0;
        long long audioBytes = 0;
        for (const std::string& segment : segments) {
            EXPECT_LE(QFileInfo(QString::fromStdString(segment)).size(), c.splitKilobytes * 1024);
            const ffprobe::Probe probe = ffprobe::probe(segment);
            ASSERT_TRUE(probe.ok) << segment;
            EXPECT_EQ(probe.format, "avi");
            const ffprobe::Stream* video = probe.first("video");
            const ffprobe::Stream* audio = probe.first("audio");
            ASSERT_TRUE(video && audio);
            EXPECT_EQ(video->codec, "dvvideo");
            EXPECT_EQ(video->width, 720);
            EXPECT_EQ(video->height, c.height);
            EXPECT_EQ(video->rateText, c.rateText);
            EXPECT_EQ(audio->codec, "pcm_s16le");
            EXPECT_EQ(audio->sampleRate, 48000);
            EXPECT_EQ(audio->channels, 2);
            videoFrames += video->packets;
            for (const QByteArray& chunk : chunks(segment, "01wb"))
                audioBytes += chunk.size();
        }
        EXPECT_EQ(videoFrames, c.frames);
        const double pal = c.rate == 25.0 ? 25.0 : 30000.0 / 1001.0;
        EXPECT_EQ(audioBytes / 4, (long long)std::floor(c.frames * 48000.0 / pal));
    }
}

// Native DV frames are written byte for byte, and the module tells the engine so.
TEST(ExportModules, DvPassThrough) {
    ASSERT_TRUE(dvModule().ok());
    const std::string dir = folder("passthrough");
    writeSettings("Export::AVI Multifile", {"Splitsize=2096000"});
    const std::string list = dir + "/native.ovl";
    auto r = record(list, 720, 576, 25.0);
    const int frames = 8;
    ASSERT_TRUE(dvModule().start(r.get(), frames));
    Source source(720, 576, 25.0);
    platform::DVEncoder encoder;
    std::vector<QByteArray> natives;
    for (int n = 1; n <= frames; ++n) {
        ZRImageRecord frame = source.frame(n);
        QByteArray dv(144000, 0);
        size_t length = 0;
        ASSERT_EQ(encoder.encode(frame.pixels, frame.stride, 720, 576,
                                 {reinterpret_cast<unsigned char*>(dv.data()), 144000}, length),
                  platform::DVStatus::Ok);
        natives.push_back(dv);
        // Every other frame carries its native data; the rest are encoded by the module.
        if (n % 2) {
            frame.nativeKind = ZR_NATIVE_DV;
            frame.nativeData = natives.back().data();
            frame.nativeLength = 144000;
        }
        const int count = source.samples(n);
        ASSERT_TRUE(dvModule().encode(&frame, source.audio.data(), count * 4));
        EXPECT_EQ(frame.nativeKind, n % 2 ? ZR_NATIVE_PASSED : 0);
    }
    dvModule().end();
    const std::vector<QByteArray> written = chunks(dir + "/native01.avi", "00dc");
    ASSERT_EQ(written.size(), size_t(frames));
    for (int n = 1; n <= frames; n += 2)
        EXPECT_TRUE(written[size_t(n - 1)] == natives[size_t(n - 1)]) << n;
}

namespace {

bool renderDvList(const std::string& list, int frames) {
    auto r = record(list, 720, 576, 25.0);
    if (!dvModule().start(r.get(), frames)) return false;
    Source source(720, 576, 25.0);
    const bool pushed = pushFrames(dvModule(), source, frames);
    dvModule().end();
    return pushed;
}

std::string bareName(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

} // namespace

// A DV render replaces the list it was given and the segments that list names (its content),
// and no other file: a segment whose name another file has takes a free one.
TEST(ExportModules, DvSegmentsKeepTheUsersFiles) {
    ASSERT_TRUE(dvModule().ok());
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, QByteArray>> before; ///< files there before
        int renders;
        std::vector<std::string> firstSegments; ///< the names the list begins with
    };
    const Case cases[] = {
        {"the user's file under a segment's name",
         {{"movie01.avi", "mine"}},
         1,
         {"movie01 (2).avi", "movie02.avi"}},
        {"an earlier render of the list", {}, 2, {"movie01.avi", "movie02.avi"}},
        {"an earlier render beside the user's file",
         {{"movie01.avi", "mine"}},
         2,
         {"movie01 (2).avi", "movie02.avi"}},
        {"the replaced list's segment and the user's file",
         {{"movie.ovl", "OVDV\r\nmovie01.avi; 3"}, {"movie01.avi", "old"}, {"movie02.avi", "mine"}},
         1,
         {"movie01.avi", "movie02 (2).avi"}},
    };
    writeSettings("Export::AVI Multifile", {"Splitsize=2000"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = folder("dvnames");
        for (const auto& [name, text] : c.before) {
            QFile file(QString::fromStdString(dir + "/" + name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(text);
        }
        const std::string list = dir + "/movie.ovl";
        const int frames = 40;
        for (int i = 0; i < c.renders; ++i)
            ASSERT_TRUE(renderDvList(list, frames));

        const std::vector<std::string> segments = listedSegments(list);
        ASSERT_GE(segments.size(), c.firstSegments.size());
        QStringList expected{"movie.ovl"};
        long long videoFrames = 0;
        for (size_t i = 0; i < segments.size(); ++i) {
            if (i < c.firstSegments.size()) {
                EXPECT_EQ(bareName(segments[i]), c.firstSegments[i]);
            }
            expected << QString::fromStdString(bareName(segments[i]));
            const ffprobe::Probe probe = ffprobe::probe(segments[i]);
            ASSERT_TRUE(probe.ok && probe.first("video")) << segments[i];
            videoFrames += probe.first("video")->packets;
        }
        EXPECT_EQ(videoFrames, frames);
        for (const auto& [name, text] : c.before) {
            if (text != "mine") continue;
            EXPECT_EQ(fileText(dir + "/" + name), text) << name;
            expected << QString::fromStdString(name);
        }
        expected.sort();
        EXPECT_EQ(filesIn(dir), expected.join(' ').toStdString());
    }
}

// The further files of a split MPEG render never replace a file of their names.
TEST(ExportModules, MpegPartsKeepTheUsersFiles) {
    ASSERT_TRUE(mpegModule().ok());
    const std::string dir = folder("mpegnames");
    {
        QFile mine(QString::fromStdString(dir + "/movie02.mpg"));
        ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
        mine.write("mine");
    }
    writeSettings("Export::MPEG",
                  {"Format=DVD", "Splitsize=1500", "MaxBitrate=9000000", "AvgBitrate=8000000"});
    auto r = record(dir + "/movie.mpg", 720, 576, 25.0);
    const int frames = 100;
    ASSERT_TRUE(mpegModule().start(r.get(), frames));
    Source source(720, 576, 25.0);
    EXPECT_TRUE(pushFrames(mpegModule(), source, frames));
    mpegModule().end();
    EXPECT_EQ(fileText(dir + "/movie02.mpg"), QByteArray("mine"));
    const ffprobe::Probe probe = ffprobe::probe(dir + "/movie02 (2).mpg");
    ASSERT_TRUE(probe.ok);
    EXPECT_TRUE(probe.first("video"));
}

// A render killed while it writes leaves its pending files; the next render to the same name
// takes them over and leaves nothing but its own files.
TEST(ExportModules, ARenderAfterACrashTakesOverItsLeftovers) {
    ASSERT_TRUE(mpegModule().ok() && dvModule().ok());
    struct Case {
        Module& module;
        const char* group;
        const char* setting;
        const char* file;
        const char* leftover;
        const char* after;
    };
    const Case cases[] = {
        {mpegModule(), "Export::MPEG", "Format=VCD", "movie.mpg", "movie.mpg.part", "movie.mpg"},
        {dvModule(), "Export::AVI Multifile", "Splitsize=2096000", "movie.ovl", "movie01.avi.part",
         "movie.ovl movie01.avi"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string dir = folder("crashed");
        writeSettings(c.group, {c.setting});
        const std::string path = dir + "/" + c.file;
        const int width = c.module.info == mpegModule().info ? 352 : 720;
        const int height = width == 352 ? 288 : 576;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            auto r = record(path, width, height, 25.0);
            Source source(width, height, 25.0);
            if (!c.module.start(r.get(), 30) || !pushFrames(c.module, source, 10)) ::_exit(1);
            ::raise(SIGKILL);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        const QStringList left =
            QDir(QString::fromStdString(dir)).entryList(QDir::Files | QDir::Hidden);
        EXPECT_TRUE(left.contains(c.leftover)) << left.join(' ').toStdString();

        auto r = record(path, width, height, 25.0);
        ASSERT_TRUE(c.module.start(r.get(), 30));
        Source source(width, height, 25.0);
        EXPECT_TRUE(pushFrames(c.module, source, 30));
        c.module.end();
        EXPECT_EQ(filesIn(dir), c.after);
    }
}
