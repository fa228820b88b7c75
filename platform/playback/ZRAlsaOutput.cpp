#include "platform/playback/ZRAlsaOutput.h"

#include <alsa/asoundlib.h>

#include <algorithm>

namespace {

snd_pcm_format_t alsaFormat(int bits) {
    switch (bits) {
    case 8:
        return SND_PCM_FORMAT_U8;
    case 16:
        return SND_PCM_FORMAT_S16_LE;
    case 24:
        return SND_PCM_FORMAT_S24_3LE;
    case 32:
        return SND_PCM_FORMAT_S32_LE;
    default:
        return SND_PCM_FORMAT_UNKNOWN;
    }
}

} // namespace

ZRAlsaOutput::ZRAlsaOutput(const char* device) : m_device(device) {}

ZRAlsaOutput::~ZRAlsaOutput() {
    close();
}

bool ZRAlsaOutput::open(const ZRAudioFormat& format, QString* error) {
    std::lock_guard lock(m_mutex);
    closeLocked();
    auto fail = [&](const char* what, int code) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QString::fromLatin1(what),
                                                  QString::fromLocal8Bit(snd_strerror(code)));
        closeLocked();
        return false;
    };
    if (!format.valid()) return fail("sound format", -EINVAL);
    int rc = snd_pcm_open(&m_pcm, m_device.constData(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (rc < 0) {
        m_pcm = nullptr;
        return fail("cannot open the sound device", rc);
    }
    // About 100 ms buffered, written in periods of about 20 ms.
    rc = snd_pcm_set_params(m_pcm, alsaFormat(format.bitsPerSample), SND_PCM_ACCESS_RW_INTERLEAVED,
                            unsigned(format.channels), unsigned(format.sampleRate), 1, 100000);
    if (rc < 0) return fail("sound format refused", rc);
    // Start with the first sound: a short tail must be heard too.
    snd_pcm_sw_params_t* software = nullptr;
    snd_pcm_sw_params_alloca(&software);
    if (snd_pcm_sw_params_current(m_pcm, software) == 0 &&
        snd_pcm_sw_params_set_start_threshold(m_pcm, software, 1) == 0)
        snd_pcm_sw_params(m_pcm, software);
    snd_pcm_uframes_t buffer = 0, period = 0;
    if (snd_pcm_get_params(m_pcm, &buffer, &period) == 0) m_bufferFrames = long(buffer);
    m_format = format;
    m_written = 0;
    return true;
}

void ZRAlsaOutput::close() {
    std::lock_guard lock(m_mutex);
    closeLocked();
}

void ZRAlsaOutput::closeLocked() {
    if (m_pcm) {
        snd_pcm_drop(m_pcm);
        snd_pcm_close(m_pcm);
    }
    m_pcm = nullptr;
    m_bufferFrames = 0;
}

bool ZRAlsaOutput::recoverLocked(int error) {
    if (error == -EPIPE) ++m_underruns;
    return snd_pcm_recover(m_pcm, error, 1) == 0;
}

int64_t ZRAlsaOutput::write(const void* data, int64_t frames) {
    std::lock_guard lock(m_mutex);
    if (!m_pcm || frames < 0) return -1;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const snd_pcm_sframes_t n = snd_pcm_writei(m_pcm, data, snd_pcm_uframes_t(frames));
        if (n >= 0) {
            m_written += n;
            return n;
        }
        if (n == -EAGAIN) return 0;
        if (!recoverLocked(int(n))) return -1;
    }
    return 0;
}

void ZRAlsaOutput::waitForRoom(int ms) {
    // Waiting outside the lock keeps the clock readable; the poll is short.
    {
        std::lock_guard lock(m_mutex);
        if (!m_pcm) return;
        const snd_pcm_sframes_t avail = snd_pcm_avail_update(m_pcm);
        if (avail < 0) {
            recoverLocked(int(avail));
            return;
        }
        if (avail > 0) return;
    }
    struct timespec t {
        0, long(std::clamp(ms, 1, 20)) * 1000000L
    };
    nanosleep(&t, nullptr);
}

void ZRAlsaOutput::restart() {
    std::lock_guard lock(m_mutex);
    if (!m_pcm) return;
    snd_pcm_drop(m_pcm);
    snd_pcm_prepare(m_pcm);
    m_written = 0;
}

int64_t ZRAlsaOutput::heardFrames() {
    std::lock_guard lock(m_mutex);
    if (!m_pcm) return 0;
    snd_pcm_sframes_t delay = 0;
    // Before the stream starts or after it ran dry nothing is pending in the device.
    if (snd_pcm_state(m_pcm) != SND_PCM_STATE_RUNNING || snd_pcm_delay(m_pcm, &delay) < 0)
        delay = snd_pcm_state(m_pcm) == SND_PCM_STATE_PREPARED ? snd_pcm_sframes_t(m_written) : 0;
    return std::max<int64_t>(m_written - std::max<snd_pcm_sframes_t>(delay, 0), 0);
}

int64_t ZRAlsaOutput::underruns() {
    std::lock_guard lock(m_mutex);
    return m_underruns;
}

ZRAudioFormat ZRAlsaOutput::format() const {
    return m_format;
}

int ZRAlsaOutput::latencyMs() {
    std::lock_guard lock(m_mutex);
    return m_pcm && m_format.sampleRate > 0 ? int(m_bufferFrames * 1000 / m_format.sampleRate) : 0;
}
