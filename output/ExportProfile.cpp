#include "output/ExportProfile.h"

#include <iterator>

namespace {

constexpr ExportFormat kFormats[] = {
    {exportformat::kAvi, "AVI", "AVI File (*.avi)", "avi"},
    {exportformat::kAviDvMultifile, "AVI-DV Multifile", "AVI-DV Multifile (*.ovl)", "ovl"},
    {exportformat::kMpegVcd, "MPEG", "MPEG File (*.mpg)", "mpg"},
    {exportformat::kMpegSvcd, "MPEG", "MPEG File (*.mpg)", "mpg"},
    {exportformat::kMpegDvd, "MPEG", "MPEG File (*.mpg)", "mpg"},
};

} // namespace

bool ExportProfile::check() const {
    // Written so that a NaN frame rate fails too.
    const bool video = width >= kMinFrameSide && width <= kMaxFrameSide &&
                       height >= kMinFrameSide && height <= kMaxFrameSide && fps >= kMinFps &&
                       fps <= kMaxFps;
    const bool audio = sampleRate >= kMinSampleRate && sampleRate <= kMaxSampleRate &&
                       (channels == 1 || channels == 2);
    return video && audio;
}

const ExportFormat* exportFormat(int id) {
    for (const ExportFormat& format : kFormats)
        if (format.id == id) return &format;
    return nullptr;
}

bool formatFixesAudio(int id) {
    return id == exportformat::kAviDvMultifile || id == exportformat::kMpegVcd ||
           id == exportformat::kMpegSvcd || id == exportformat::kMpegDvd;
}
