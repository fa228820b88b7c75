#include "platform/cdwriter/ZRVcdWriter.h"

#include "platform/cdwriter/VcdLines.h"
#include "platform/system/SystemPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>

namespace {

Q_LOGGING_CATEGORY(lcVcd, "clipstead.cdwriter", QtInfoMsg)

constexpr qint64 kRawSector = 2352;

QString program(const char* name) {
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

// Empties the image folder, making it when missing.
bool emptyFolder(const QString& path) {
    QDir folder(path);
    if (folder.exists() && !folder.removeRecursively()) return false;
    return QDir().mkpath(path);
}

} // namespace

ZRVcdWriter::ZRVcdWriter(std::shared_ptr<ZRCdWriter> writer)
    : m_writer(writer ? std::move(writer) : cdwriter::writer()) {
    m_stall.setSingleShot(true);
    QObject::connect(&m_stall, &QTimer::timeout, [this] {
        // The writer's own end (finished(false)) completes the failure.
        if (m_writing) m_writer->cancel();
    });
}

ZRVcdWriter::~ZRVcdWriter() {
    if (m_process) {
        m_process->disconnect();
        m_process->kill();
        m_process->waitForFinished(3000);
    }
    if (m_writing) {
        m_done = nullptr;
        m_alive.reset();
        m_writer->cancel();
        m_writer->unlock(m_unit - 1);
    }
}

QString ZRVcdWriter::imageFolder() {
    // Absolute: the programs run inside it and are given paths in it.
    return QDir(platform::tempFolder()).absoluteFilePath(QString::fromLatin1(kImageFolder));
}

bool ZRVcdWriter::init() {
    deinit();
    m_initialised = !program("vcdxgen").isEmpty() && !program("vcdxbuild").isEmpty();
    return m_initialised;
}

bool ZRVcdWriter::deinit() {
    m_initialised = false;
    m_entries.clear();
    return true;
}

int ZRVcdWriter::unitCount() {
    return m_writer->unitCount();
}

QString ZRVcdWriter::unitName(int unit) {
    return unit >= 1 ? m_writer->unitName(unit - 1) : QString();
}

int ZRVcdWriter::maxSpeed(int unit) {
    return unit >= 1 ? m_writer->maxSpeed(unit - 1) : -1;
}

bool ZRVcdWriter::hasBlankMedia(int unit) {
    return unit >= 1 && m_writer->hasBlankMedia(unit - 1);
}

bool ZRVcdWriter::setOptions(bool svcd) {
    if (!m_initialised) return false;
    m_svcd = svcd;
    m_entries.clear();
    return true;
}

bool ZRVcdWriter::addEntry(const QString& fileName) {
    if (!m_initialised || fileName.isEmpty()) return false;
    m_entries << QFileInfo(fileName).absoluteFilePath();
    return true;
}

void ZRVcdWriter::status(int code, const QString& name) {
    if (m_status) m_status(code, name.toLocal8Bit().constData());
}

void ZRVcdWriter::write(int unit, int speed, bool eject, Finished done) {
    if (m_done) {
        // One burn at a time: the second caller hears of its failure like any other.
        QTimer::singleShot(0, &m_stall, [done = std::move(done)] {
            if (done) done(false);
        });
        return;
    }
    m_done = done ? std::move(done) : [](bool) {};
    m_unit = unit;
    m_speed = speed;
    m_eject = eject;
    m_writing = false;
    if (!m_initialised || m_entries.isEmpty() || unit < 1 || unit > m_writer->unitCount() ||
        speed < 1 || !emptyFolder(imageFolder())) {
        QTimer::singleShot(0, &m_stall, [this] { fail(); });
        return;
    }
    const QDir folder(imageFolder());
    QStringList arguments{QStringLiteral("-t"),
                          m_svcd ? QStringLiteral("svcd") : QStringLiteral("vcd2"),
                          QStringLiteral("-o"), folder.filePath(QStringLiteral("videocd.xml"))};
    // Entries are absolute paths, so none can be taken for an option.
    arguments << m_entries;
    runStep(program("vcdxgen"), arguments, [this](bool ok) { afterGenerate(ok); });
}

void ZRVcdWriter::runStep(const QString& path, const QStringList& arguments,
                          std::function<void(bool ok)> next) {
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->setWorkingDirectory(imageFolder());
    m_pending.clear();
    m_output.clear();
    QProcess* process = m_process.get();
    QObject::connect(process, &QProcess::readyRead, process, [this, process] {
        const QByteArray data = process->readAll();
        // Only the last few kilobytes are kept, for the trace of a failed step.
        m_output.append(data);
        if (m_output.size() > 8192) m_output = m_output.right(8192);
        vcdlines::splitLines(m_pending, std::string_view(data.constData(), size_t(data.size())),
                             [this](std::string_view line) { buildLines(line); });
    });
    const auto end = [this, next, path](bool ok) {
        if (!ok)
            qCDebug(lcVcd) << path << "failed:" << m_process->errorString() << m_output.right(2048);
        // The process object is dropped after its own signal has returned.
        m_process.release()->deleteLater();
        next(ok);
    };
    QObject::connect(process, &QProcess::finished, process,
                     [end](int code, QProcess::ExitStatus exit) {
                         end(exit == QProcess::NormalExit && code == 0);
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [end](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart) end(false);
                     });
    if (path.isEmpty()) {
        QTimer::singleShot(0, &m_stall, [end] { end(false); });
        return;
    }
    process->start(path, arguments);
}

void ZRVcdWriter::buildLines(std::string_view line) {
    const std::optional<vcdlines::BuildLine> parsed = vcdlines::parseBuildLine(line);
    if (!parsed) return;
    switch (parsed->kind) {
    case vcdlines::BuildLine::Kind::Scan:
        // One status per entry: a scan prints a line for every few kilobytes.
        if (parsed->entry != m_lastEntry && parsed->entry >= 0 &&
            parsed->entry < m_entries.size()) {
            m_lastEntry = parsed->entry;
            status(Encapsulating, m_entries[parsed->entry]);
        }
        break;
    case vcdlines::BuildLine::Kind::Write:
        if (!m_writeShown) {
            m_writeShown = true;
            status(WritingSegment,
                   QDir(imageFolder()).filePath(QString::fromLatin1(kImageName) + ".bin"));
        }
        break;
    case vcdlines::BuildLine::Kind::Log:
        if (const std::optional<int64_t> sectors = vcdlines::finishedSectors(parsed->text))
            m_imageSectors = *sectors;
        status(WritingOther,
               QString::fromLocal8Bit(parsed->text.data(), qsizetype(parsed->text.size())));
        break;
    }
}

void ZRVcdWriter::afterGenerate(bool ok) {
    if (!ok) {
        fail();
        return;
    }
    m_lastEntry = -2;
    m_writeShown = false;
    m_imageSectors = -1;
    const QString name = QString::fromLatin1(kImageName);
    runStep(program("vcdxbuild"),
            {QStringLiteral("--progress"), QStringLiteral("--gui"), QStringLiteral("-c"),
             name + ".cue", QStringLiteral("-b"), name + ".bin", QStringLiteral("videocd.xml")},
            [this](bool built) { afterBuild(built); });
}

// The image must hold the sectors vcdxbuild says it wrote. cdrdao's toc-size is no check here:
// it takes the last track's end from the BIN's own size, so a BIN cut short on a sector boundary
// would pass it (and its start costs as much as a tenth of a whole build); cdrdao still reads
// the cue before it writes anything.
void ZRVcdWriter::afterBuild(bool ok) {
    const QFileInfo bin(QDir(imageFolder()).filePath(QString::fromLatin1(kImageName) + ".bin"));
    const int64_t blocks = m_imageSectors;
    // A full disk can leave a partial BIN behind a cue that promises more.
    if (!ok || blocks <= 0 || !bin.isFile() || bin.size() != blocks * kRawSector) {
        qCDebug(lcVcd) << "image of" << bin.size() << "bytes against" << blocks << "sectors";
        fail();
        return;
    }
    const int64_t free = m_writer->freeSectors(m_unit - 1);
    if (free >= 0 && blocks > free) {
        qCDebug(lcVcd) << "image of" << blocks << "sectors, disc of" << free;
        fail();
        return;
    }
    startWriting();
}

void ZRVcdWriter::startWriting() {
    const QString cue = QDir(imageFolder()).filePath(QString::fromLatin1(kImageName) + ".cue");
    const QString bin = QDir(imageFolder()).filePath(QString::fromLatin1(kImageName) + ".bin");
    const bool started = m_writer->write(
        m_unit - 1, cue, m_speed, m_eject,
        // The writer is shared and may report after this wrapper is gone: the token tells.
        [this, bin, alive = std::weak_ptr<int>(m_alive)](int64_t, int64_t) {
            if (alive.expired()) return;
            m_stall.start(m_stallTimeout);
            status(WritingSegment, bin);
        },
        [this, alive = std::weak_ptr<int>(m_alive)](bool ok) {
            if (alive.expired()) return;
            m_stall.stop();
            m_writing = false;
            if (!ok) m_writer->unlock(m_unit - 1);
            // The writer may still be inside its own call stack: end through the event loop.
            QTimer::singleShot(0, &m_stall, [this, ok] { finish(ok); });
        });
    if (!started) {
        qCDebug(lcVcd) << "the writer refused the image";
        // The writer may have locked the door before refusing.
        m_writer->unlock(m_unit - 1);
        fail();
        return;
    }
    m_writing = true;
    m_stall.start(m_stallTimeout);
}

void ZRVcdWriter::fail() {
    finish(false);
}

void ZRVcdWriter::finish(bool ok) {
    QDir(imageFolder()).removeRecursively();
    QDir().mkpath(imageFolder());
    Finished done = std::move(m_done);
    m_done = nullptr;
    if (done) done(ok);
}
