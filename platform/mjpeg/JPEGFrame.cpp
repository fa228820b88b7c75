#include "platform/mjpeg/JPEGFrame.h"

namespace platform {

const char* jpegStatusText(JPEGStatus status) {
    switch (status) {
    case JPEGStatus::Ok:
        return "ok";
    case JPEGStatus::InvalidPicture:
        return "no pixels, a size outside 1..16384, or a stride shorter than a row";
    case JPEGStatus::InvalidQuality:
        return "JPEG quality is 1..100";
    case JPEGStatus::CorruptData:
        return "the data is not a whole JPEG picture";
    case JPEGStatus::WrongSize:
        return "the JPEG picture is not of the picture's size";
    case JPEGStatus::CodecFailure:
        return "the JPEG codec could not be set up";
    }
    return "unknown JPEG status";
}

bool jpegPictureValid(const void* pixels, int stride, int width, int height) {
    return pixels && width >= 1 && height >= 1 && width <= kJPEGMaxSide && height <= kJPEGMaxSide &&
           stride >= width * 4;
}

} // namespace platform
