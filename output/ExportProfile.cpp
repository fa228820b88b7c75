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
    return checkVideo() && checkAudio();
}

bool ExportProfile::checkVideo() const {
    // Written so that a NaN frame rate fails too.
    return width >= kMinFrameSide && width <= kMaxFrameSide && height >= kMinFrameSide &&
           height <= kMaxFrameSide && fps >= kMinFps && fps <= kMaxFps;
}

bool ExportProfile::checkAudio() const {
    return sampleRate >= kMinSampleRate && sampleRate <= kMaxSampleRate &&
           (channels == 1 || channels == 2);
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
