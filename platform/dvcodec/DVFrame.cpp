#include "platform/dvcodec/DVFrame.h"

namespace platform {

const char* dvStatusText(DVStatus status) {
    switch (status) {
    case DVStatus::Ok:
        return "ok";
    case DVStatus::InvalidPicture:
        return "no pixels, or a stride shorter than a row";
    case DVStatus::UnsupportedSize:
        return "DV frames are 720 x 576 or 720 x 480";
    case DVStatus::BufferTooSmall:
        return "the output buffer is shorter than a DV frame";
    case DVStatus::WrongFrameSize:
        return "the block is not one DV frame of the picture's size";
    case DVStatus::CorruptFrame:
        return "the block is not a valid DV frame";
    case DVStatus::CodecFailure:
        return "the DV codec could not be set up";
    }
    return "unknown DV status";
}

} // namespace platform
