#include "platform/cdwriter/ZRBurnCdWriter.h"

#include "platform/cdwriter/VcdLines.h"

#include <libburn/libburn.h>

using namespace burn;

#include <QFileInfo>
#include <QStandardPaths>

#include <cstring>
#include <mutex>
#include <unistd.h>

namespace {

// libburn's library state is process-wide: one user at a time, started and finished around
// each scan so that no drive stays grabbed between them (cdrdao needs the device to itself).
std::mutex& libburnMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string_view field(const char* text, size_t capacity) {
    return std::string_view(text, strnlen(text, capacity));
}

ZRBurnCdWriter::Unit readUnit(burn_drive_info& info) {
    ZRBurnCdWriter::Unit unit;
    unit.name = ZRBurnCdWriter::unitNameOf(field(info.vendor, sizeof info.vendor),
                                           field(info.product, sizeof info.product),
                                           field(info.revision, sizeof info.revision));
    char address[BURN_DRIVE_ADR_LEN] = {};
    if (burn_drive_get_adr(&info, address) > 0) unit.address = QString::fromLocal8Bit(address);
    // A CD's 1x is 176.4 kB/s; libburn answers in kB/s.
    const int kbPerSecond = burn_drive_get_write_speed(info.drive);
    unit.maxSpeed = kbPerSecond > 0 ? int(kbPerSecond / 176.4) : 0;
    unit.blank = burn_disc_get_status(info.drive) == BURN_DISC_BLANK;
    if (unit.blank) {
        const off_t bytes = burn_disc_available_space(info.drive, nullptr);
        unit.freeSectors = bytes > 0 ? int64_t(bytes / 2048) : 0;
    }
    return unit;
}

} // namespace

ZRBurnCdWriter::ZRBurnCdWriter() = default;

ZRBurnCdWriter::~ZRBurnCdWriter() {
    if (m_process) {
        m_process->disconnect();
        m_process->kill();
        m_process->waitForFinished(3000);
    }
}

QString ZRBurnCdWriter::unitNameOf(std::string_view vendor, std::string_view product,
                                   std::string_view revision) {
    const auto text = [](std::string_view s) {
        return QString::fromLatin1(s.data(), qsizetype(s.size())).trimmed();
    };
    return text(vendor) + QLatin1Char(' ') + text(product) + QLatin1String(" (") + text(revision) +
           QLatin1Char(')');
}

QStringList ZRBurnCdWriter::writeArguments(const QString& address, int speed, bool eject,
                                           const QString& cuePath) {
    QStringList arguments{
        QStringLiteral("write"),   QStringLiteral("--device"), address,
        QStringLiteral("--speed"), QString::number(speed),     QStringLiteral("-n")};
    if (eject) arguments << QStringLiteral("--eject");
    arguments << cuePath;
    return arguments;
}

std::optional<std::vector<ZRBurnCdWriter::Unit>> ZRBurnCdWriter::scan() {
    std::lock_guard lock(libburnMutex());
    if (!burn_initialize()) return std::nullopt;
    burn_drive_info* infos = nullptr;
    unsigned int count = 0;
    // The scan runs in libburn's own thread; it answers 0 until it is done.
    while (!burn_drive_scan(&infos, &count))
        ::usleep(1002);
    std::vector<Unit> units;
    for (unsigned int i = 0; i < count; ++i) {
        if (burn_drive_grab(infos[i].drive, 1) != 1) continue;
        units.push_back(readUnit(infos[i]));
        burn_drive_release(infos[i].drive, 0);
    }
    if (infos) burn_drive_info_free(infos);
    burn_finish();
    return units;
}

std::optional<ZRBurnCdWriter::Unit> ZRBurnCdWriter::probe(const QString& address) {
    std::lock_guard lock(libburnMutex());
    if (!burn_initialize()) return std::nullopt;
    burn_drive_info* infos = nullptr;
    QByteArray adr = address.toLocal8Bit();
    std::optional<Unit> unit;
    if (burn_drive_scan_and_grab(&infos, adr.data(), 1) == 1 && infos) {
        unit = readUnit(infos[0]);
        burn_drive_release(infos[0].drive, 0);
        burn_drive_info_free(infos);
    }
    burn_finish();
    return unit;
}

const ZRBurnCdWriter::Unit* ZRBurnCdWriter::unitAt(int unit) {
    if (!m_units) m_units = scan();
    if (!m_units || unit < 0 || unit >= int(m_units->size())) return nullptr;
    return &(*m_units)[size_t(unit)];
}

int ZRBurnCdWriter::unitCount() {
    if (!m_units) m_units = scan();
    return m_units ? int(m_units->size()) : -1;
}

QString ZRBurnCdWriter::unitName(int unit) {
    const Unit* u = unitAt(unit);
    return u ? u->name : QString();
}

int ZRBurnCdWriter::maxSpeed(int unit) {
    const Unit* u = unitAt(unit);
    return u ? u->maxSpeed : -1;
}

bool ZRBurnCdWriter::hasBlankMedia(int unit) {
    const Unit* u = unitAt(unit);
    if (!u || m_process) return false;
    // The user may have changed the disc since the scan.
    const std::optional<Unit> now = probe(u->address);
    return now && now->blank;
}

int64_t ZRBurnCdWriter::freeSectors(int unit) {
    const Unit* u = unitAt(unit);
    if (!u || m_process) return -1;
    const std::optional<Unit> now = probe(u->address);
    return now ? now->freeSectors : -1;
}

bool ZRBurnCdWriter::write(int unit, const QString& cuePath, int speed, bool eject,
                           Progress progress, Finished finished) {
    const Unit* u = unitAt(unit);
    if (!u || m_process || speed < 1) return false;
    const QString cdrdao = QStandardPaths::findExecutable(QStringLiteral("cdrdao"));
    if (cdrdao.isEmpty()) return false;
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    // cdrdao finds the files a cue names from its working folder, not from the cue's.
    m_process->setWorkingDirectory(QFileInfo(cuePath).absolutePath());
    m_pending.clear();
    QProcess* process = m_process.get();
    QObject::connect(process, &QProcess::readyRead, process, [this, process, progress] {
        const QByteArray data = process->readAll();
        vcdlines::splitLines(
            m_pending, std::string_view(data.constData(), size_t(data.size())),
            [&](std::string_view line) {
                const std::optional<vcdlines::WriteProgress> p = vcdlines::parseCdrdaoLine(line);
                // Sectors of 2352 bytes, as the interface counts them.
                if (p && progress)
                    progress(p->doneMB * 1024 * 1024 / 2352, p->totalMB * 1024 * 1024 / 2352);
            });
    });
    QObject::connect(process, &QProcess::finished, process,
                     [this, finished](int code, QProcess::ExitStatus status) {
                         const bool ok = status == QProcess::NormalExit && code == 0;
                         m_process.release()->deleteLater();
                         if (finished) finished(ok);
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [this, finished](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart) return;
                         m_process.release()->deleteLater();
                         if (finished) finished(false);
                     });
    const QStringList arguments = writeArguments(u->address, speed, eject, cuePath);
    // A start that fails at once ends this write (and drops the process) from inside start().
    process->start(cdrdao, arguments);
    return true;
}

void ZRBurnCdWriter::cancel() {
    if (m_process) m_process->kill();
}

void ZRBurnCdWriter::unlock(int unit) {
    const Unit* u = unitAt(unit);
    if (!u) return;
    QProcess::startDetached(QStringLiteral("cdrdao"),
                            {QStringLiteral("unlock"), QStringLiteral("--device"), u->address});
}
