#pragma once

// Owner of a TurboJPEG instance; the deleter is its matching free call.

#include <turbojpeg.h>

#include <memory>
#include <type_traits>

namespace platform::turbojpeg {

struct HandleDeleter {
    void operator()(tjhandle handle) const { tjDestroy(handle); }
};
using Handle = std::unique_ptr<std::remove_pointer_t<tjhandle>, HandleDeleter>;

} // namespace platform::turbojpeg
