#pragma once

#include "platform/cdwriter/ZRCdWriter.h"

#include <QFile>
#include <QTimer>

#include <memory>

/// One simulated CD writer unit whose disc is a BIN/CUE image: a write copies the image's BIN file
/// into the disc file, 2048 sectors per pass of the event loop, reporting progress after
/// each, and the cue beside it (`discCuePath`, naming the disc file) once the write succeeded.
/// Tests set the speed, the blank flag, the capacity and a sector at which writing fails; a
/// failed write leaves the door locked until `unlock`. Confined to the thread that made it.
class ZRSimulatedCdWriter : public ZRCdWriter {
public:
    /// The disc of 360,000 sectors (80 minutes), blank, at most speed 8, in `discPath`.
    explicit ZRSimulatedCdWriter(QString discPath);
    ~ZRSimulatedCdWriter() override;

    static constexpr const char* kUnitName = "Clipstead Simulated CD-R (1.0)";

    int unitCount() override { return m_units; }
    QString unitName(int unit) override;
    int maxSpeed(int unit) override;
    bool hasBlankMedia(int unit) override;
    int64_t freeSectors(int unit) override;
    bool write(int unit, const QString& cuePath, int speed, bool eject, Progress progress,
               Finished finished) override;
    void cancel() override;
    void unlock(int unit) override;

    /// 0 takes the unit away (no units at all); 1 puts it back.
    void setUnitCount(int units) { m_units = units; }
    void setMaxSpeed(int speed) { m_maxSpeed = speed; }
    void setBlank(bool blank) { m_blank = blank; }
    void setCapacitySectors(int64_t sectors) { m_capacity = sectors; }
    /// Writing fails on reaching `sector` (-1: never).
    void setFailAtSector(int64_t sector) { m_failAt = sector; }
    /// A stalled unit starts writes but never makes progress until cancelled.
    void setStalled(bool stalled) { m_stalled = stalled; }

    QString discPath() const { return m_discPath; }
    /// The disc file's path with the suffix ".cue".
    QString discCuePath() const;
    bool locked() const { return m_locked; }
    bool ejected() const { return m_ejected; }
    bool writing() const { return m_source != nullptr; }
    int unlockCount() const { return m_unlocks; }
    int lastSpeed() const { return m_lastSpeed; }

private:
    bool validUnit(int unit) const { return unit >= 0 && unit < m_units; }
    bool copySectors(int64_t count);
    void writeSome();
    void end(bool ok);

    QString m_discPath;
    int m_units = 1;
    int m_maxSpeed = 8;
    bool m_blank = true;
    int64_t m_capacity = 360000;
    int64_t m_failAt = -1;
    bool m_stalled = false;
    bool m_locked = false;
    bool m_ejected = false;
    bool m_eject = false;
    int m_unlocks = 0;
    int m_lastSpeed = 0;

    std::unique_ptr<QFile> m_source;
    std::unique_ptr<QFile> m_disc;
    int64_t m_written = 0;
    int64_t m_total = 0;
    QString m_cue;
    Progress m_progress;
    Finished m_finished;
    QTimer m_pass;
};
