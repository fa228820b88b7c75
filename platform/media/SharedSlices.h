#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace mediaimport {

/// Lets `decoder` (opened with one thread) spread the independent jobs of each picture
/// (`AVCodecContext::execute`) over one pool of threads that every decoder of the module shares.
/// A decoder's own slice threads would cost a pool per open file, started at every open: too
/// slow and too many when an editor opens and closes hundreds of clips. Only codecs known to
/// keep each job's state apart are given the pool; the others stay as they are.
/// Thread-safety: any thread; a decoder that finds the pool busy runs its jobs itself.
void shareSliceThreads(AVCodecContext* decoder);

} // namespace mediaimport
