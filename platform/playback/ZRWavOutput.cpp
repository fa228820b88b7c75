#include "platform/playback/ZRWavOutput.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace {

void put32(unsigned char* p, uint32_t v) {
    qToLittleEndian(v, p);
}
void put16(unsigned char* p, uint16_t v) {
    qToLittleEndian(v, p);
}

std::array<unsigned char, 44> header(const ZRAudioFormat& f, int64_t dataBytes) {
    std::array<unsigned char, 44> h{};
    const uint32_t data = uint32_t(std::min<int64_t>(dataBytes, 0xFFFFFFFFll - 36));
    std::memcpy(h.data(), "RIFF", 4);
    put32(h.data() + 4, 36 + data);
    std::memcpy(h.data() + 8, "WAVEfmt ", 8);
    put32(h.data() + 16, 16);
    put16(h.data() + 20, 1);
    put16(h.data() + 22, uint16_t(f.channels));
    put32(h.data() + 24, uint32_t(f.sampleRate));
    put32(h.data() + 28, uint32_t(f.sampleRate * f.bytesPerFrame()));
    put16(h.data() + 32, uint16_t(f.bytesPerFrame()));
    put16(h.data() + 34, uint16_t(f.bitsPerSample));
    std::memcpy(h.data() + 36, "data", 4);
    put32(h.data() + 40, data);
    return h;
}

} // namespace

ZRWavOutput::ZRWavOutput(const QString& path) : m_path(path) {}

ZRWavOutput::ZRWavOutput(const QString& path, const ZRPlaybackClock* pace)
    : ZRNullOutput(pace), m_path(path) {}

ZRWavOutput::~ZRWavOutput() {
    close();
}

bool ZRWavOutput::start(QString* error) {
    m_file.setFileName(m_path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error) *error = m_file.errorString();
        return false;
    }
    m_dataBytes = 0;
    const auto h = header(format(), 0);
    return m_file.write(reinterpret_cast<const char*>(h.data()), qint64(h.size())) ==
           qint64(h.size());
}

bool ZRWavOutput::consume(const void* data, int64_t frames) {
    const int64_t bytes = frames * format().bytesPerFrame();
    if (m_file.write(static_cast<const char*>(data), bytes) != bytes) return false;
    m_dataBytes += bytes;
    return true;
}

void ZRWavOutput::finish() {
    const auto h = header(format(), m_dataBytes);
    if (m_file.seek(0)) m_file.write(reinterpret_cast<const char*>(h.data()), qint64(h.size()));
    m_file.close();
}
