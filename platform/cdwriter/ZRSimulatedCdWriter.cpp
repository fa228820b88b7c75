#include "platform/cdwriter/ZRSimulatedCdWriter.h"

#include "platform/cdwriter/CueSheet.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace {

constexpr int64_t kRawSector = 2352;
// One pass copies about 5 MB, a few milliseconds in the kernel: the event loop stays lively.
constexpr int64_t kSectorsPerPass = 2048;

} // namespace

ZRSimulatedCdWriter::ZRSimulatedCdWriter(QString discPath) : m_discPath(std::move(discPath)) {
    m_pass.setInterval(0);
    QObject::connect(&m_pass, &QTimer::timeout, [this] { writeSome(); });
}

ZRSimulatedCdWriter::~ZRSimulatedCdWriter() = default;

QString ZRSimulatedCdWriter::unitName(int unit) {
    return validUnit(unit) ? QString::fromLatin1(kUnitName) : QString();
}

int ZRSimulatedCdWriter::maxSpeed(int unit) {
    return validUnit(unit) ? m_maxSpeed : -1;
}

bool ZRSimulatedCdWriter::hasBlankMedia(int unit) {
    return validUnit(unit) && m_blank;
}

int64_t ZRSimulatedCdWriter::freeSectors(int unit) {
    if (!validUnit(unit)) return -1;
    return m_blank ? m_capacity : 0;
}

bool ZRSimulatedCdWriter::write(int unit, const QString& cuePath, int speed, bool eject,
                                Progress progress, Finished finished) {
    if (!validUnit(unit) || m_source || !m_blank || speed < 1 || speed > m_maxSpeed) return false;
    const std::optional<QString> bin = cuesheet::binaryFile(cuePath);
    if (!bin) return false;
    auto source = std::make_unique<QFile>(*bin);
    if (!source->open(QIODevice::ReadOnly) || source->size() % kRawSector != 0) return false;
    const int64_t total = source->size() / kRawSector;
    // A real drive refuses an image larger than the disc before it writes anything.
    if (total > m_capacity) return false;
    auto disc = std::make_unique<QFile>(m_discPath);
    if (!disc->open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    // A cue that names the disc file, written once the disc is complete.
    QFile cue(cuePath);
    if (!cue.open(QIODevice::ReadOnly) || cue.size() > 64 * 1024) return false;
    m_cue = QString::fromUtf8(cue.readAll());
    m_cue.replace(QFileInfo(*bin).fileName(), QFileInfo(m_discPath).fileName());
    QFile::remove(discCuePath());
    m_source = std::move(source);
    m_disc = std::move(disc);
    m_written = 0;
    m_total = total;
    m_eject = eject;
    m_ejected = false;
    m_lastSpeed = speed;
    m_locked = true;
    m_progress = std::move(progress);
    m_finished = std::move(finished);
    if (!m_stalled) m_pass.start();
    return true;
}

// The kernel copies between the two files itself: the data never passes through this process,
// so the simulated drive costs little more than the disc file's own writing.
bool ZRSimulatedCdWriter::copySectors(int64_t count) {
    int64_t left = count * kRawSector;
    while (left > 0) {
        const ssize_t copied = ::copy_file_range(m_source->handle(), nullptr, m_disc->handle(),
                                                 nullptr, size_t(left), 0);
        if (copied < 0 && errno == EINTR) continue;
        if (copied <= 0) return false;
        left -= copied;
    }
    return true;
}

void ZRSimulatedCdWriter::writeSome() {
    int64_t count = std::min(kSectorsPerPass, m_total - m_written);
    const bool failing = m_failAt >= 0 && m_written + count > m_failAt;
    if (failing) count = std::max<int64_t>(0, m_failAt - m_written);
    if (count > 0) {
        if (!copySectors(count)) {
            end(false);
            return;
        }
        m_written += count;
        // A disc once written to is no longer blank, even when the write fails later.
        m_blank = false;
        if (m_progress) m_progress(m_written, m_total);
    }
    if (failing) {
        end(false);
        return;
    }
    if (m_written == m_total) {
        QFile cue(discCuePath());
        const QByteArray text = m_cue.toUtf8();
        end(m_disc->flush() && cue.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
            cue.write(text) == text.size());
    }
}

QString ZRSimulatedCdWriter::discCuePath() const {
    const QFileInfo disc(m_discPath);
    return disc.dir().filePath(disc.completeBaseName() + QStringLiteral(".cue"));
}

void ZRSimulatedCdWriter::cancel() {
    if (m_source) end(false);
}

void ZRSimulatedCdWriter::end(bool ok) {
    m_pass.stop();
    m_source.reset();
    m_disc.reset();
    m_blank = false;
    if (ok) {
        m_locked = false;
        m_ejected = m_eject;
    }
    Finished finished = std::move(m_finished);
    m_progress = nullptr;
    m_finished = nullptr;
    if (finished) finished(ok);
}

void ZRSimulatedCdWriter::unlock(int unit) {
    if (!validUnit(unit)) return;
    m_locked = false;
    ++m_unlocks;
}
