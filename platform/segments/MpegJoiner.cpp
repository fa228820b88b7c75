#include "platform/segments/MpegJoiner.h"

#include "platform/segments/MpegPack.h"
#include "platform/segments/ZRSegmentList.h"

#include <cstdlib>
#include <map>
#include <optional>
#include <vector>

namespace segments {

namespace {

using Pack = std::vector<uint8_t>;

// The first pack is searched in pieces of this size, the last three bytes of each carried in
// front of the next so that a start code split between pieces is found.
constexpr int64_t kSearchPiece = 2321;
// What is read from the first pack to tell its size: a whole 2324-byte pack and the start code
// of the next.
constexpr int64_t kFormatProbe = 2328;
constexpr int kLargePack = 2324;
constexpr int kSmallPack = 2048;
// A start pack at or past this offset is moved to the front of its segment.
constexpr int64_t kRelocationOffset = 20961;

constexpr int64_t kAudioTolerance = 135000;     // 5 ms
constexpr int64_t kAudioWindow = 270000;        // 10 ms
constexpr int64_t kMpegAudioTolerance = 972000; // 36 ms
constexpr int64_t kMpegAudioWindow = 1944000;   // 72 ms

// A time value that may not be known yet.
struct Time {
    bool known = false;
    int64_t ticks = 0;
    explicit operator bool() const { return known; }
    int64_t operator*() const { return ticks; }
    void set(int64_t value) {
        known = true;
        ticks = value;
    }
    void reset() { known = false; }
};

bool beginsWithSequenceHeader(const Pack& pack, const Packet& packet) {
    const int at = packet.dataStart;
    return at + 8 <= packet.end && pack[size_t(at)] == 0 && pack[size_t(at) + 1] == 0 &&
           pack[size_t(at) + 2] == 1 && pack[size_t(at) + 3] == 0xB3;
}

// One joining step. Nothing reaches the disk before `commit`: changed packs wait in memory
// (and are read back from there), packs for the previous segment wait in a queue.
class JoinStep {
public:
    explicit JoinStep(SegmentFileSystem& files) : m_files(files) {}

    int run(const std::string& previous, const std::string& current) {
        if (!previous.empty()) {
            m_previous = m_files.open(previous);
            if (!m_previous) return 1;
            m_previousLength = m_previous->size();
            if (m_previousLength < 0) return 1;
        }
        if (!current.empty()) {
            m_current = m_files.open(current);
            if (!m_current) return 1;
            m_target = m_current.get();
            if (!head()) return 1;
            return commit() ? 0 : 1;
        }
        if (!m_previous) return 0;
        m_target = m_previous.get();
        if (!tail()) return 1;
        return commit() ? 0 : 1;
    }

private:
    enum class Read { Ok, End, NotPack, Error };

    Read readPack(int64_t offset, Pack& pack) {
        if (const auto changed = m_changes.find(offset); changed != m_changes.end()) {
            pack = changed->second.now;
            return Read::Ok;
        }
        pack.assign(size_t(m_packSize), 0);
        if (!m_target->seek(offset)) return Read::Error;
        const int64_t got = m_target->read(pack.data(), m_packSize);
        if (got < 0) return Read::Error;
        if (got < m_packSize) return Read::End;
        return isPackStart(pack) ? Read::Ok : Read::NotPack;
    }

    // Records the new bytes of the pack at `offset`, keeping what the disk holds for a
    // failed commit to put back.
    void change(int64_t offset, const Pack& before, const Pack& now) {
        auto [entry, added] = m_changes.try_emplace(offset);
        if (added) entry->second.before = before;
        entry->second.now = now;
    }

    bool findFirstPack(int64_t* first) {
        Pack piece(static_cast<size_t>(kSearchPiece + 3));
        int64_t carried = 0;
        int64_t position = 0; // of piece[0] in the file
        if (!m_target->seek(0)) return false;
        for (;;) {
            const int64_t got = m_target->read(piece.data() + carried, kSearchPiece);
            if (got < 0) return false;
            if (got == 0) return false;
            const int64_t filled = carried + got;
            for (int64_t i = 0; i + 4 <= filled; ++i)
                if (isPackStart(std::span<const uint8_t>(piece.data() + i, 4))) {
                    *first = position + i;
                    return true;
                }
            carried = std::min<int64_t>(3, filled);
            std::copy(piece.begin() + (filled - carried), piece.begin() + filled, piece.begin());
            position += filled - carried;
        }
    }

    bool findFormat() {
        Pack probe(static_cast<size_t>(kFormatProbe));
        if (!m_target->seek(m_first)) return false;
        if (m_target->read(probe.data(), kFormatProbe) != kFormatProbe) return false;
        m_packSize = isPackStart(std::span<const uint8_t>(probe).subspan(kLargePack)) ? kLargePack
                                                                                      : kSmallPack;
        m_mpeg2 = (probe[4] & 0x40) != 0;
        return true;
    }

    // MPEG-1 encoders stamp the first packs of a segment unevenly: packs 1 and 2 take the
    // spacing of packs 3 and 4. Skipped unless all four are packs and both stamps stay positive.
    bool restamp() {
        Pack packs[4];
        for (int i = 0; i < 4; ++i) {
            const Read read = readPack(m_first + i * m_packSize, packs[i]);
            if (read == Read::Error) return false;
            if (read != Read::Ok) return true;
        }
        const int64_t third = readScr(packs[2], false);
        const int64_t step = readScr(packs[3], false) - third;
        const int64_t one = third - 2 * step;
        const int64_t two = third - step;
        if (one < 0 || two < 0) return true;
        Pack stamped = packs[0];
        writeScr(stamped, false, one);
        change(m_first, packs[0], stamped);
        stamped = packs[1];
        writeScr(stamped, false, two);
        change(m_first + m_packSize, packs[1], stamped);
        return true;
    }

    void useMpegAudio() {
        m_mpegAudio = true;
        m_tolerance = kMpegAudioTolerance;
        m_window = kMpegAudioWindow;
    }

    // Appends the pack unchanged to the previous segment (when one is open) and pads it out
    // in place.
    bool moveAndBlank(int64_t offset, const Pack& pack) {
        Pack blank = pack;
        if (!blankPack(blank)) return false;
        if (m_previous) m_appended.push_back(pack);
        change(offset, pack, blank);
        return true;
    }

    bool isEarlierStream(uint8_t id, bool videoEarlier) const {
        if (videoEarlier) return id == kVideoId;
        return id == kMpegAudioId || (!m_mpegAudio && id == kPrivate1Id);
    }

    bool head() {
        if (!findFirstPack(&m_first) || !findFormat()) return false;
        if (!m_mpeg2 && !restamp()) return false;

        Time videoStart, audioStart;
        int64_t videoPack = -1, audioPack = -1;
        Pack pack;
        for (int64_t at = m_first; !(videoStart && audioStart); at += m_packSize) {
            if (readPack(at, pack) != Read::Ok) return false;
            const std::optional<Packet> packet = firstPacket(pack);
            if (!packet) return false;
            switch (packet->id) {
            case kVideoId:
                if (!videoStart && packet->pts >= 0 && beginsWithSequenceHeader(pack, *packet)) {
                    const uint8_t rateCode = pack[size_t(packet->dataStart) + 7];
                    videoStart.set(packet->pts * kTicksPerStamp - framePairTicks(rateCode));
                    videoPack = at;
                }
                break;
            case kMpegAudioId:
                useMpegAudio();
                [[fallthrough]];
            case kPrivate1Id:
                if (!audioStart && packet->pts >= 0) {
                    audioStart.set(packet->pts * kTicksPerStamp);
                    audioPack = at;
                    // Video that starts well before the sound has no sound to go with it: the
                    // next sequence header is the start.
                    if (videoStart && tickDifference(*audioStart, *videoStart) > m_tolerance) {
                        videoStart.reset();
                        videoPack = -1;
                    }
                }
                break;
            default:
                break;
            }
        }

        const int64_t apart = tickDifference(*audioStart, *videoStart);
        // On equal starts the stream whose pack comes first leads, so neither start pack is
        // taken for lead-in.
        const bool audioLater = apart > 0 || (apart == 0 && audioPack < videoPack);
        const int64_t laterStart = audioLater ? *audioStart : *videoStart;
        const int64_t laterPack = audioLater ? audioPack : videoPack;

        for (int64_t at = m_first; at < laterPack; at += m_packSize) {
            if (readPack(at, pack) != Read::Ok) return false;
            const std::optional<Packet> packet = firstPacket(pack);
            if (packet && packet->id == kPrivate2Id) continue;
            if (!moveAndBlank(at, pack)) return false;
        }

        if (apart != 0) {
            const bool videoEarlier = audioLater;
            int64_t earlierPack = -1;
            for (int64_t at = laterPack + m_packSize;; at += m_packSize) {
                const Read read = readPack(at, pack);
                if (read == Read::End) break;
                if (read != Read::Ok) return false;
                const std::optional<Packet> packet = firstPacket(pack);
                if (!packet) return false;
                if (!isEarlierStream(packet->id, videoEarlier)) continue;
                if (packet->pts < 0) {
                    if (!moveAndBlank(at, pack)) return false;
                    continue;
                }
                const int64_t diff = tickDifference(packet->pts * kTicksPerStamp, laterStart);
                if (std::llabs(diff) <= m_tolerance || diff > m_window) {
                    earlierPack = at;
                    break;
                }
                if (diff < m_window && !moveAndBlank(at, pack)) return false;
            }
            (videoEarlier ? videoPack : audioPack) = earlierPack;
        }

        if (videoPack >= kRelocationOffset && !relocate(videoPack, nullptr)) return false;
        if (audioPack < kRelocationOffset) return true;
        return relocate(audioPack, m_mpegAudio ? &laterStart : nullptr);
    }

    // Moves the start pack at `from` into the first padding pack from the segment's first
    // pack, under that pack's own header, so the SCRs still rise; the start pack itself is
    // padded out. With `cutBefore`, MPEG audio frames that play before it are cut first.
    bool relocate(int64_t from, const int64_t* cutBefore) {
        Pack moving;
        if (readPack(from, moving) != Read::Ok) return false;
        const Pack original = moving;
        int64_t target = -1;
        Pack host;
        for (int64_t at = m_first; at < from; at += m_packSize) {
            if (readPack(at, host) != Read::Ok) return false;
            const std::optional<Packet> packet = firstPacket(host);
            if (packet && packet->id == kPaddingId) {
                target = at;
                break;
            }
        }
        if (target < 0) return true;
        if (cutBefore && !cutAudio(moving, *cutBefore)) return false;

        const int hostData = findPrefix(host, 4);
        const int movingData = findPrefix(moving, 4);
        if (hostData < 0 || movingData < 0) return false;
        const size_t content = moving.size() - size_t(movingData);
        if (size_t(hostData) + content > host.size()) return false;
        Pack placed(host.begin(), host.begin() + hostData);
        placed.insert(placed.end(), moving.begin() + movingData, moving.end());
        if (placed.size() < host.size()) {
            const size_t used = placed.size();
            placed.resize(host.size());
            if (!writePadding(std::span<uint8_t>(placed).subspan(used))) return false;
        }
        Pack blank = original;
        if (!blankPack(blank)) return false;
        change(target, host, placed);
        change(from, original, blank);
        return true;
    }

    // Cuts the leading frames of the MPEG audio packet in `pack` that play before `start`: a
    // copy holding just them goes to the previous segment, the pack keeps the rest under a new
    // PTS. A packet whose frames cannot be found is left whole.
    bool cutAudio(Pack& pack, int64_t start) {
        const std::optional<Packet> packet = firstPacket(pack);
        if (!packet || packet->id != kMpegAudioId || packet->pts < 0) return true;
        const std::span<const uint8_t> data =
            std::span<const uint8_t>(pack).first(size_t(packet->end));
        int sync = -1;
        AudioFrame frame;
        for (int at = packet->dataStart; at + 4 <= packet->end; ++at) {
            const std::optional<AudioFrame> found = audioFrameAt(data, at);
            if (found && audioFrameAt(data, at + found->length)) {
                sync = at;
                frame = *found;
                break;
            }
        }
        if (sync < 0) return true;
        m_tolerance = frame.duration;
        int kept = sync;
        int64_t pts = packet->pts * kTicksPerStamp;
        while (tickDifference(pts, start) < 0) {
            const std::optional<AudioFrame> here = audioFrameAt(data, kept);
            if (!here || kept + here->length >= packet->end) break;
            if (!audioFrameAt(data, kept + here->length)) break;
            kept += here->length;
            pts += here->duration;
        }
        if (kept == sync) return true;

        const int span = kept - packet->dataStart;
        const bool shrink = span >= 7;
        // The MPEG-1 layout keeps its stuffing before the time stamps, and a PTS with a DTS
        // cannot shrink to a PTS alone in place: such packets stay whole.
        if (!packet->mpeg2 && (!shrink || packet->hasDts)) return true;
        if (!packet->mpeg2 && packet->ptsOffset < 0) return true;
        if (!shrink && int(pack[size_t(packet->offset) + 8]) + span > 0xFF) return true;

        Pack before = pack;
        const int beforeLength = kept - (packet->offset + 6);
        before[size_t(packet->offset) + 4] = uint8_t(beforeLength >> 8);
        before[size_t(packet->offset) + 5] = uint8_t(beforeLength);
        if (!writePadding(std::span<uint8_t>(before).subspan(size_t(kept)))) return false;

        uint8_t* b = pack.data() + packet->offset;
        const int64_t stamp = (pts / kTicksPerStamp) & ((int64_t(1) << 33) - 1);
        if (packet->mpeg2 && packet->hasDts) {
            b[7] = uint8_t((b[7] & 0x3F) | 0x80);
            std::fill(pack.begin() + packet->ptsOffset + 5, pack.begin() + packet->ptsOffset + 10,
                      uint8_t(0xFF));
        }
        if (shrink) {
            const int length = (b[4] << 8 | b[5]) - span;
            b[4] = uint8_t(length >> 8);
            b[5] = uint8_t(length);
            writeStamp(pack.data() + packet->ptsOffset, stamp, 0x2);
            std::copy(pack.begin() + kept, pack.begin() + packet->end,
                      pack.begin() + packet->dataStart);
            if (!writePadding(
                    std::span<uint8_t>(pack).subspan(size_t(packet->end - span), size_t(span))))
                return false;
        } else {
            writeStamp(pack.data() + packet->ptsOffset, stamp, 0x2);
            std::fill(pack.begin() + packet->dataStart, pack.begin() + kept, uint8_t(0xFF));
            b[8] = uint8_t(b[8] + span);
        }
        if (m_previous) m_appended.push_back(before);
        return true;
    }

    bool tail() {
        if (!findFirstPack(&m_first) || !findFormat()) return false;
        const int64_t length = m_target->size();
        if (length < m_first + m_packSize) return false;
        const int64_t packs = (length - m_first) / m_packSize;
        Time audioTime, videoCut;
        int64_t cutPack = -1;
        Pack pack;
        for (int64_t index = packs - 1; index >= 0 && !(audioTime && videoCut); --index) {
            const int64_t at = m_first + index * m_packSize;
            if (readPack(at, pack) != Read::Ok) return false;
            const std::optional<Packet> packet = firstPacket(pack);
            if (!packet) return false;
            switch (packet->id) {
            case kPaddingId:
            case kPrivate2Id: // navigation packs of DVD streams
                break;
            case kMpegAudioId:
                m_tolerance = kMpegAudioTolerance;
                [[fallthrough]];
            case kPrivate1Id:
                if (!audioTime && packet->pts >= 0) {
                    audioTime.set(packet->pts * kTicksPerStamp);
                    if (videoCut && tickDifference(*videoCut, *audioTime) > m_tolerance) {
                        videoCut.reset();
                        cutPack = -1;
                    }
                }
                break;
            case kVideoId:
                if (!videoCut && packet->pts >= 0 && beginsWithSequenceHeader(pack, *packet)) {
                    const uint8_t rateCode = pack[size_t(packet->dataStart) + 7];
                    const int64_t cut = packet->pts * kTicksPerStamp - framePairTicks(rateCode);
                    if (!(audioTime && tickDifference(cut, *audioTime) > m_tolerance)) {
                        videoCut.set(cut);
                        cutPack = at;
                    }
                }
                break;
            default:
                return false;
            }
        }
        if (!audioTime || !videoCut) return false;
        for (int64_t at = cutPack; at + m_packSize <= m_first + packs * m_packSize;
             at += m_packSize) {
            if (readPack(at, pack) != Read::Ok) return false;
            const std::optional<Packet> packet = firstPacket(pack);
            if (!packet) return false;
            const bool audio = packet->id == kMpegAudioId || packet->id == kPrivate1Id;
            const bool late = audio && packet->pts >= 0 &&
                              tickDifference(packet->pts * kTicksPerStamp, *videoCut) > 0;
            if (packet->id != kVideoId && !late) continue;
            Pack blank = pack;
            if (!blankPack(blank)) return false;
            change(at, pack, blank);
        }
        return true;
    }

    // The previous segment grows first; the current one is rewritten only when that worked.
    // Whatever fails is undone, so both files stay as they were.
    bool commit() {
        if (m_previous && !m_appended.empty()) {
            bool appended = m_previous->seek(m_previousLength);
            for (const Pack& pack : m_appended) {
                if (!appended) break;
                appended = m_previous->write(pack.data(), int64_t(pack.size()));
            }
            if (!appended) {
                (void)m_previous->truncate(m_previousLength);
                return false;
            }
        }
        std::vector<int64_t> written;
        for (const auto& [offset, packs] : m_changes) {
            if (m_target->seek(offset) &&
                m_target->write(packs.now.data(), int64_t(packs.now.size()))) {
                written.push_back(offset);
                continue;
            }
            written.push_back(offset);
            for (const int64_t undo : written) {
                const Pack& before = m_changes.at(undo).before;
                if (m_target->seek(undo))
                    (void)m_target->write(before.data(), int64_t(before.size()));
            }
            if (m_previous && m_target != m_previous.get() && !m_appended.empty())
                (void)m_previous->truncate(m_previousLength);
            return false;
        }
        return true;
    }

    struct Change {
        Pack before;
        Pack now;
    };

    SegmentFileSystem& m_files;
    std::unique_ptr<SegmentFile> m_previous;
    std::unique_ptr<SegmentFile> m_current;
    SegmentFile* m_target = nullptr; ///< the file read and changed in place
    int64_t m_previousLength = 0;
    int64_t m_first = 0;
    int m_packSize = kSmallPack;
    bool m_mpeg2 = false;
    bool m_mpegAudio = false;
    int64_t m_tolerance = kAudioTolerance;
    int64_t m_window = kAudioWindow;
    std::map<int64_t, Change> m_changes;
    std::vector<Pack> m_appended;
};

} // namespace

int joinMpegFiles(const std::string& previous, const std::string& current,
                  SegmentFileSystem& files) {
    return JoinStep(files).run(previous, current);
}

bool MpegSegmentList(const std::string& listPath, SegmentFileSystem& files) {
    std::string error;
    const std::optional<ZRSegmentList> list = ZRSegmentList::read(listPath, &error);
    if (!list || list->kind() != ZRSegmentList::Kind::Mpeg) return false;
    std::vector<std::string> paths;
    for (const ZRSegmentList::Entry& entry : list->entries())
        paths.push_back(entry.path);
    std::string previous;
    for (const std::string& path : paths) {
        (void)joinMpegFiles(previous, path, files);
        previous = path;
    }
    if (!previous.empty()) (void)joinMpegFiles(previous, std::string(), files);
    return ZRSegmentList::rewrite(listPath, ZRSegmentList::Kind::Mpeg, paths);
}

} // namespace segments
