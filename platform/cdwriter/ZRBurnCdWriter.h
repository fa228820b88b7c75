#pragma once

#include "platform/cdwriter/ZRCdWriter.h"

#include <QProcess>
#include <QStringList>

#include <memory>
#include <optional>
#include <string>
#include <vector>

/// The machine's CD writers: libburn lists the units and reads their speed and disc, cdrdao
/// writes the image (libburn writes data only in CD mode 1, and a Video CD's tracks are mode 2
/// sectors; cdrdao reads vcdxbuild's MODE2/2352 cue as CD_ROM_XA, MODE2_RAW).
///
/// The scan can take seconds, so it runs when the units are first asked for, never at
/// construction; `hasBlankMedia` and `freeSectors` look at the unit's disc afresh. Confined to
/// the thread that made it.
class ZRBurnCdWriter : public ZRCdWriter {
public:
    /// What libburn tells of one unit.
    struct Unit {
        QString name;
        QString address; ///< the device path cdrdao is given
        int maxSpeed = 0;
        bool blank = false;
        int64_t freeSectors = -1;
    };

    ZRBurnCdWriter();
    ~ZRBurnCdWriter() override;

    int unitCount() override;
    QString unitName(int unit) override;
    int maxSpeed(int unit) override;
    bool hasBlankMedia(int unit) override;
    int64_t freeSectors(int unit) override;
    bool write(int unit, const QString& cuePath, int speed, bool eject, Progress progress,
               Finished finished) override;
    void cancel() override;
    void unlock(int unit) override;

    /// Lists the units libburn finds (each grabbed, read and released); nothing when libburn
    /// cannot start.
    static std::optional<std::vector<Unit>> scan();
    /// Grabs the drive at `address` alone ("/dev/sr0", or libburn's "stdio:<file>" pseudo
    /// drive), reads it and releases it; nothing when it cannot be grabbed.
    static std::optional<Unit> probe(const QString& address);
    /// A unit's name from libburn's fields: vendor and product joined by one blank (the fields
    /// come trimmed, and would otherwise run together), then " (", the revision and ")".
    static QString unitNameOf(std::string_view vendor, std::string_view product,
                              std::string_view revision);
    /// cdrdao's write arguments: "write --device <address> --speed <speed> -n [--eject] <cue>"
    /// ("-n" drops cdrdao's 10-second pause before writing).
    static QStringList writeArguments(const QString& address, int speed, bool eject,
                                      const QString& cuePath);

private:
    const Unit* unitAt(int unit);

    std::optional<std::vector<Unit>> m_units;
    std::unique_ptr<QProcess> m_process;
    std::string m_pending;
};
