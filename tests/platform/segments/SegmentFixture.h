#pragma once

// Program streams for the segment tests, made at run time with the ffmpeg command (libavformat's
// "vcd" and "dvd" muxers), cut into segment files at chosen packs, and read back.

#include "platform/media/MediaInput.h"
#include "platform/segments/MpegPack.h"
#include "tests/support/TestEnvironment.h"

#include <QDir>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace segmentfixture {

using Bytes = std::vector<uint8_t>;

inline std::string folder() {
    const QString path = testsupport::homeFolder() + QStringLiteral("/segments");
    QDir().mkpath(path);
    return path.toStdString() + "/";
}

/// Keeps a copy of `path` in $SEGMENT_TEST_KEEP, when set, for a look at a failure.
inline void keep(const std::string& path) {
    if (const char* into = std::getenv("SEGMENT_TEST_KEEP"))
        std::system(("cp '" + path + "' '" + into + "/'").c_str());
}

inline Bytes readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void writeAll(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline void writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

/// Frame n of every stream has the luma 16 + 2n (n < 100): each picture tells its number.
inline const char kRamp[] = "geq=lum='16+2*N':cb=128:cr=128";

/// A program stream of `seconds` seconds of pictures (the sound goes on a little longer, as it
/// does when a capture stops) made by ffmpeg with `arguments` (a target and its
/// settings), frames at 25 per second in groups of 12; "" when ffmpeg failed. Made once.
inline std::string stream(const std::string& name, const std::string& size,
                          const std::string& arguments, const std::string& extra = "",
                          double seconds = 3.8) {
    const std::string path = folder() + name;
    if (QFile::exists(QString::fromStdString(path))) return path;
    const std::string command =
        "ffmpeg -nostdin -hide_banner -loglevel quiet -y -f lavfi -i \"color=c=black:s=" + size +
        ":r=25:d=" + std::to_string(seconds) + ",format=yuv420p," + kRamp +
        "\" -f lavfi -i \"sine=frequency=440:sample_rate=48000:duration=" +
        std::to_string(seconds + 0.7) + "\" " + arguments +
        " -g 12 -bf 2 -sc_threshold 1000000000 " + extra + " '" + path + "'";
    return std::system(command.c_str()) == 0 ? path : std::string();
}

/// Moves every sound time stamp of `stream` by `delta` (in 90 kHz units). Muxers hold the
/// first sound back against the first picture; a capture starts both together.
/// With `pictures`, the pictures' stamps move too (the 33-bit stamps wrap).
inline void shiftSoundStamps(Bytes& stream, int packSize, int64_t delta, bool pictures = false) {
    for (size_t at = 0; at + size_t(packSize) <= stream.size(); at += size_t(packSize)) {
        const std::span<uint8_t> pack = std::span<uint8_t>(stream).subspan(at, size_t(packSize));
        const std::optional<segments::Packet> p = segments::firstPacket(pack);
        if (!p || p->pts < 0 || (p->id == segments::kVideoId && !pictures)) continue;
        segments::writeStamp(pack.data() + p->ptsOffset, p->pts + delta,
                             uint8_t(pack[size_t(p->ptsOffset)] >> 4));
    }
}

/// MPEG-1 system stream as the "vcd" muxer writes it: 2324-byte packs, MP2 sound. Its packets
/// do not begin where groups of pictures begin (see `repacked`).
inline std::string vcd(const std::string& name = "vcd.mpg", const std::string& extra = "") {
    return stream(name, "352x288", "-target pal-vcd", extra);
}
/// MPEG-2 program stream, 2048-byte packs, each group of pictures opening a packet, AC-3
/// sound (private stream 1).
inline std::string dvd() {
    const std::string path = folder() + "dvd.mpg";
    if (QFile::exists(QString::fromStdString(path))) return path;
    const std::string made =
        stream("source_dvd.mpg", "352x288", "-target pal-dvd -s 352x288 -b:v 1500k");
    if (made.empty()) return made;
    Bytes bytes = readAll(made);
    shiftSoundStamps(bytes, 2048, -6720);
    writeAll(path, bytes);
    return path;
}

/// The packets of an MPEG-1 stream (one a pack) re-packed into `packSize`-byte MPEG-1 packs
/// as a capture encoder writes them: a packet opens at each sequence header, holding the PTS
/// of the picture behind it; a packet too large for one pack goes on in the next without one.
inline Bytes repacked(const Bytes& stream, int inSize, int packSize) {
    struct Pes {
        uint8_t id;
        int64_t pts;
        Bytes data;
    };
    std::vector<Pes> pes;
    for (size_t at = 0; at + size_t(inSize) <= stream.size(); at += size_t(inSize)) {
        const std::span<const uint8_t> pack =
            std::span<const uint8_t>(stream).subspan(at, size_t(inSize));
        const std::optional<segments::Packet> p = segments::firstPacket(pack);
        if (!p || (p->id != segments::kVideoId && p->id != segments::kMpegAudioId)) continue;
        Bytes data(pack.begin() + p->dataStart, pack.begin() + p->end);
        size_t sequence = 0;
        while (p->id == segments::kVideoId && sequence + 4 <= data.size() &&
               !(data[sequence] == 0 && data[sequence + 1] == 0 && data[sequence + 2] == 1 &&
                 data[sequence + 3] == 0xB3))
            ++sequence;
        if (p->id == segments::kVideoId && sequence > 0 && sequence + 4 <= data.size()) {
            pes.push_back({p->id, -1, Bytes(data.begin(), data.begin() + long(sequence))});
            data.erase(data.begin(), data.begin() + long(sequence));
        }
        pes.push_back({p->id, p->pts, data});
    }
    Bytes out;
    int64_t scr = 0;
    for (const Pes& packet : pes) {
        size_t done = 0;
        bool first = true;
        while (done < packet.data.size()) {
            const bool stamped = first && packet.pts >= 0;
            const size_t header = 12 + 6 + (stamped ? 5 : 1);
            const size_t room = size_t(packSize) - header;
            size_t chunk = std::min(room, packet.data.size() - done);
            if (room - chunk > 0 && room - chunk < 6) chunk -= 6 - (room - chunk);
            Bytes pack(size_t(packSize), 0xFF);
            pack[0] = 0, pack[1] = 0, pack[2] = 1, pack[3] = 0xBA;
            segments::writeScr(pack, false, scr);
            scr += 3000 * segments::kTicksPerStamp;
            pack[9] = 0x80, pack[10] = 0x17, pack[11] = 0x71; // 2.4 Mbit/s
            const size_t length = (stamped ? 5 : 1) + chunk;
            pack[12] = 0, pack[13] = 0, pack[14] = 1, pack[15] = packet.id;
            pack[16] = uint8_t(length >> 8), pack[17] = uint8_t(length);
            if (stamped)
                segments::writeStamp(&pack[18], packet.pts, 0x2);
            else
                pack[18] = 0x0F;
            std::copy(packet.data.begin() + long(done), packet.data.begin() + long(done + chunk),
                      pack.begin() + long(header));
            if (header + chunk < pack.size())
                segments::writePadding(std::span<uint8_t>(pack).subspan(header + chunk));
            out.insert(out.end(), pack.begin(), pack.end());
            done += chunk;
            first = false;
        }
    }
    return out;
}

/// `repacked` of the "vcd" stream, written once as `name`.
/// `stampShift` (90 kHz units) moves every stamp, `soundShift` the sound's further.
inline std::string vcdRepacked(const std::string& name, int packSize, int64_t stampShift = 0,
                               int64_t soundShift = -6840) {
    const std::string path = folder() + name;
    if (QFile::exists(QString::fromStdString(path))) return path;
    const std::string source = vcd();
    if (source.empty()) return source;
    Bytes bytes = repacked(readAll(source), 2324, packSize);
    if (stampShift != 0) shiftSoundStamps(bytes, packSize, stampShift, true);
    shiftSoundStamps(bytes, packSize, soundShift);
    writeAll(path, bytes);
    return path;
}

/// Cuts `stream` into segments starting at the given pack indexes (the first segment starts at
/// 0) of `packSize`-byte packs, named "<base>_<n>.mpg", and writes "<base>.mvl" naming them.
/// The list's path.
inline std::string cut(const std::string& stream, int packSize, const std::vector<int>& cuts,
                       const std::string& base) {
    const Bytes bytes = readAll(stream);
    std::vector<size_t> starts{0};
    for (const int pack : cuts)
        starts.push_back(std::min(bytes.size(), size_t(pack) * size_t(packSize)));
    starts.push_back(bytes.size());
    std::string list = "OVMP";
    for (size_t i = 0; i + 1 < starts.size(); ++i) {
        const std::string name = base + "_" + std::to_string(i) + ".mpg";
        writeAll(folder() + name,
                 Bytes(bytes.begin() + long(starts[i]), bytes.begin() + long(starts[i + 1])));
        list += "\r\n" + name + "; " + std::to_string(starts[i + 1] - starts[i]);
    }
    writeText(folder() + base + ".mvl", list);
    return folder() + base + ".mvl";
}

/// The frame numbers of the pictures the file at `path` (a stream or a list) decodes to, in
/// the order it hands them out.
inline std::vector<int> decodedFrames(const std::string& path) {
    std::vector<int> frames;
    mediaimport::MediaInput input;
    std::string error;
    if (!input.open(path, &error)) return frames;
    const int video = av_find_best_stream(input.context(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video < 0) return frames;
    input.keepOnly(video);
    mediaimport::CodecContextHandle decoder = input.openDecoder(video, false);
    mediaimport::PacketHandle packet(av_packet_alloc());
    mediaimport::FrameHandle frame(av_frame_alloc());
    auto drain = [&] {
        while (avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
            const AVFrame* f = frame.get();
            int64_t sum = 0;
            const int y0 = f->height / 4, x0 = f->width / 4;
            for (int y = y0; y < y0 + 16; ++y)
                for (int x = x0; x < x0 + 16; ++x)
                    sum += f->data[0][y * f->linesize[0] + x];
            frames.push_back(int((double(sum) / 256.0 - 16.0) / 2.0 + 0.5));
        }
    };
    while (input.readPacket(packet.get(), video)) {
        avcodec_send_packet(decoder.get(), packet.get());
        drain();
    }
    avcodec_send_packet(decoder.get(), nullptr);
    drain();
    return frames;
}

/// The first packet of each whole pack of `bytes`, from offset 0.
inline std::vector<std::optional<segments::Packet>> packets(const Bytes& bytes, int packSize) {
    std::vector<std::optional<segments::Packet>> out;
    for (size_t at = 0; at + size_t(packSize) <= bytes.size(); at += size_t(packSize))
        out.push_back(
            segments::firstPacket(std::span<const uint8_t>(bytes).subspan(at, size_t(packSize))));
    return out;
}

} // namespace segmentfixture
