#pragma once

#include "platform/playback/ZRSoundOutput.h"

#include <functional>
#include <memory>

/// The sound output the previews play through: ALSA's PCM "default", unless a factory was set
/// (tests and benchmarks play through null or WAV outputs).
/// Thread-safety: GUI thread only.
std::unique_ptr<ZRSoundOutput> zrCreatePreviewOutput();
/// Replaces the factory; an empty function restores ALSA.
void zrSetPreviewOutputFactory(std::function<std::unique_ptr<ZRSoundOutput>()> factory);
