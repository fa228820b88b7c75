// A camera's AV/C replies and the frames it sends are outside input: every reply to every read
// and request must give a valid value or -1, and any frame (any length, complete or not) must
// pass scene detection, the sound reader and the writer without harm, the writer keeping only
// whole frames.
#include "platform/ieee1394/ZRAvcCommands.h"
#include "platform/segments/DvFrame.h"
#include "platform/segments/ZRDVSceneSplitWriter.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

void checkReply(std::span<const uint8_t> reply) {
    for (const bool ntsc : {false, true}) {
        const long code = zravc::timeCode(reply, ntsc);
        if (code != -1 && !zravc::validTimeCode(uint32_t(code), ntsc)) std::abort();
        const long fromTrack = zravc::timeCodeFromTrack(reply, ntsc);
        if (fromTrack != -1 && !zravc::validTimeCode(uint32_t(fromTrack), ntsc)) std::abort();
    }
    long state = -7, parameter = -7;
    if (zravc::transportState(reply, &state, &parameter)) {
        if (state != 0x3000 && (state < 0x30C1 || state > 0x30C4)) std::abort();
        if (parameter < 0 || parameter > 0xFFFF) std::abort();
    } else if (state != -7 || parameter != -7) {
        std::abort();
    }
}

void checkRequest(long state, long parameter) {
    for (const bool ntsc : {false, true}) {
        const zravc::Request r = zravc::request(state, parameter, ntsc);
        const bool sent = r.kind == zravc::Request::Kind::Command;
        if (sent != !r.frame.empty()) std::abort();
        if (sent && r.frame.size() != 4 && r.frame.size() != 8) std::abort();
        if (sent && (r.frame[0] != zravc::kControl || r.frame[1] != zravc::kTapeSubunit))
            std::abort();
    }
}

std::string folder() {
    static std::string path = [] {
        char name[] = "/tmp/avc_fuzz_XXXXXX";
        const char* made = ::mkdtemp(name);
        return std::string(made ? made : "/tmp");
    }();
    return path;
}

void checkFrame(std::span<const uint8_t> bytes, bool complete) {
    // Short inputs stand for frames of the two whole sizes too, their head taken from the input.
    std::vector<uint8_t> frame(bytes.begin(), bytes.end());
    if (!bytes.empty() && (bytes[0] & 3) == 1) frame.resize(segments::kDvFrame625, 0xFF);
    if (!bytes.empty() && (bytes[0] & 3) == 2) frame.resize(segments::kDvFrame525, 0xFF);
    (void)segments::dvRecordingTime(frame);
    (void)segments::isDv525(frame);
    segments::DvAudioReader reader;
    const auto sound = reader.read(frame);
    if (!sound.samples.empty() && (sound.channels <= 0 || sound.rate <= 0)) std::abort();
    if (!complete) return;
    const std::string base = folder() + "/cap";
    segments::ZRDVSceneSplitWriter writer;
    if (!writer.open(base, {1, true})) std::abort();
    using Result = segments::ZRDVSceneSplitWriter::Result;
    const Result r = writer.write(frame);
    const bool whole = segments::isWholeDvFrame(frame.size());
    if ((r == Result::Rejected) == whole) std::abort();
    if (writer.framesWritten() != (r == Result::Written ? 1 : 0)) std::abort();
    (void)writer.finish();
    for (const char* name : {"/cap.avi", "/cap01.avi", "/cap.ovl"})
        ::unlink((folder() + name).c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> input(data, size);
    checkReply(input);
    if (size >= 8) {
        long state = 0, parameter = 0;
        for (int i = 0; i < 4; ++i) {
            state = state << 8 | data[i];
            parameter = parameter << 8 | data[4 + i];
        }
        // Mostly near the table's codes, sometimes anywhere.
        checkRequest((data[0] & 0x80) ? state : 0x3000 + (state & 0xFF), int32_t(parameter));
        checkRequest(4290 + (state & 0x3FF), int32_t(parameter));
    }
    if (size >= 1) checkFrame(input.subspan(1), (data[0] & 4) != 0);
    return 0;
}
