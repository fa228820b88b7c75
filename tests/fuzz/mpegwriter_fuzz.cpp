// The MPEG segment writer fed an arbitrary stream in runs of arbitrary length: the first byte
// says how often the rest is repeated (so that segments fill up), the next how it is cut.
// Every segment must start with a pack, and the segments must hold exactly the stream after the
// bytes skipped before the first pack: nothing lost, nothing added.

#include "platform/segments/ZRMpegSegmentWriter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const int repeat = 1 + data[0] % 64;
    const size_t cut = 1 + data[1] * 37u;
    std::vector<uint8_t> stream;
    for (int i = 0; i < repeat; ++i)
        stream.insert(stream.end(), data + 2, data + size);

    char folder[] = "/tmp/mpegwriter_fuzz_XXXXXX";
    if (!mkdtemp(folder)) return 0;
    const std::string base = std::string(folder) + "/take";
    std::vector<std::string> files;
    int64_t skipped = 0;
    {
        segments::ZRMpegSegmentWriter writer;
        if (!writer.open(base + ".mpg", 150)) std::abort();
        for (size_t at = 0; at < stream.size(); at += cut)
            if (!writer.write(stream.data() + at, std::min(cut, stream.size() - at))) std::abort();
        if (!writer.close()) std::abort();
        files = writer.segments();
        skipped = writer.bytesSkipped();
    }
    std::vector<uint8_t> joined;
    for (const std::string& f : files) {
        std::ifstream in(f, std::ios::binary);
        std::vector<uint8_t> b{std::istreambuf_iterator<char>(in), {}};
        if (b.size() < 4 || b[0] != 0 || b[1] != 0 || b[2] != 1 || b[3] != 0xBA) std::abort();
        joined.insert(joined.end(), b.begin(), b.end());
        unlink(f.c_str());
    }
    unlink((base + ".mvl").c_str());
    rmdir(folder);
    if (skipped < 0 || size_t(skipped) > stream.size()) std::abort();
    if (!std::equal(joined.begin(), joined.end(), stream.begin() + skipped, stream.end()))
        std::abort();
    return 0;
}
