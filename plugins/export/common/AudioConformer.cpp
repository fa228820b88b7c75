#include "plugins/export/common/AudioConformer.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>

namespace exportmodule {

namespace {

AVSampleFormat inputFormat(int bits) {
    switch (bits) {
    case 8:
        return AV_SAMPLE_FMT_U8;
    case 16:
        return AV_SAMPLE_FMT_S16;
    default:
        return AV_SAMPLE_FMT_S32; // 24-bit input is widened first
    }
}

} // namespace

bool AudioConformer::open(int inRate, int inBits, int inChannels, int outRate, int outChannels) {
    m_swr.reset();
    m_partial.clear();
    m_ready.clear();
    m_read = 0;
    if (inRate < 1 || inRate > 384000 || outRate < 1 || outRate > 384000) return false;
    if (inBits != 8 && inBits != 16 && inBits != 24 && inBits != 32) return false;
    if (inChannels < 1 || inChannels > 16 || outChannels < 1 || outChannels > 16) return false;
    m_inRate = inRate;
    m_outRate = outRate;
    m_inBits = inBits;
    m_inChannels = inChannels;
    m_outChannels = outChannels;
    m_direct = inRate == outRate && inBits == 16 && inChannels == outChannels;
    if (m_direct) return true;

    AVChannelLayout in{}, out{};
    av_channel_layout_default(&in, inChannels);
    av_channel_layout_default(&out, outChannels);
    SwrContext* made = nullptr;
    const int result = swr_alloc_set_opts2(&made, &out, AV_SAMPLE_FMT_S16, outRate, &in,
                                           inputFormat(inBits), inRate, 0, nullptr);
    m_swr.reset(made);
    av_channel_layout_uninit(&in);
    av_channel_layout_uninit(&out);
    if (result < 0 || swr_init(m_swr.get()) < 0) {
        m_swr.reset();
        return false;
    }
    return true;
}

bool AudioConformer::push(const uint8_t* data, size_t bytes) {
    if (!data || !bytes || (!m_direct && !m_swr)) return true;
    const size_t align = size_t(m_inChannels) * size_t(m_inBits / 8);
    std::vector<uint8_t> joined;
    if (!m_partial.empty()) {
        joined.reserve(m_partial.size() + bytes);
        joined.assign(m_partial.begin(), m_partial.end());
        joined.insert(joined.end(), data, data + bytes);
        data = joined.data();
        bytes = joined.size();
    }
    const size_t whole = bytes / align * align;
    const bool ok = convert(data, int(whole / align));
    m_partial.assign(data + whole, data + bytes);
    return ok;
}

bool AudioConformer::convert(const uint8_t* data, int frames) {
    if (frames <= 0) return true;
    if (m_read > 0 && m_read * 2 > m_ready.size()) {
        m_ready.erase(m_ready.begin(), m_ready.begin() + std::ptrdiff_t(m_read));
        m_read = 0;
    }
    if (m_direct) {
        const size_t count = size_t(frames) * size_t(m_inChannels);
        const size_t at = m_ready.size();
        m_ready.resize(at + count);
        std::memcpy(m_ready.data() + at, data, count * sizeof(int16_t));
        return true;
    }
    const uint8_t* input = data;
    if (m_inBits == 24) {
        const size_t count = size_t(frames) * size_t(m_inChannels);
        m_widened.resize(count);
        for (size_t i = 0; i < count; ++i)
            m_widened[i] = int32_t(uint32_t(data[3 * i]) << 8 | uint32_t(data[3 * i + 1]) << 16 |
                                   uint32_t(data[3 * i + 2]) << 24);
        input = reinterpret_cast<const uint8_t*>(m_widened.data());
    }
    const int room = swr_get_out_samples(m_swr.get(), frames);
    if (room < 0) return false;
    const size_t at = m_ready.size();
    m_ready.resize(at + size_t(room) * size_t(m_outChannels));
    uint8_t* out = reinterpret_cast<uint8_t*>(m_ready.data() + at);
    const int made = swr_convert(m_swr.get(), &out, room, &input, frames);
    if (made < 0) {
        m_ready.resize(at);
        return false;
    }
    m_ready.resize(at + size_t(made) * size_t(m_outChannels));
    return true;
}

void AudioConformer::flush() {
    if (!m_swr) return;
    const int room = swr_get_out_samples(m_swr.get(), 0);
    if (room <= 0) return;
    const size_t at = m_ready.size();
    m_ready.resize(at + size_t(room) * size_t(m_outChannels));
    uint8_t* out = reinterpret_cast<uint8_t*>(m_ready.data() + at);
    const int made = swr_convert(m_swr.get(), &out, room, nullptr, 0);
    m_ready.resize(at + size_t(std::max(made, 0)) * size_t(m_outChannels));
}

size_t AudioConformer::pull(int16_t* out, size_t frames) {
    if (!out || frames == 0) return 0;
    const size_t real = std::min(frames, available());
    const size_t count = real * size_t(m_outChannels);
    std::memcpy(out, m_ready.data() + m_read, count * sizeof(int16_t));
    m_read += count;
    std::memset(out + count, 0, (frames - real) * size_t(m_outChannels) * sizeof(int16_t));
    if (m_read == m_ready.size()) {
        m_ready.clear();
        m_read = 0;
    }
    return real;
}

} // namespace exportmodule
