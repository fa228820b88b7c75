#include "platform/cdwriter/ZRBurnCdWriter.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

// libburn's fields come trimmed; joined without a blank "ACME" and "CDRW" would read "ACMECDRW".
TEST(ZRBurnCdWriter, UnitNamesJoinTheTrimmedFields) {
    EXPECT_EQ(ZRBurnCdWriter::unitNameOf("ACME", "CDRW 52x", "1.0"),
              QStringLiteral("ACME CDRW 52x (1.0)"));
    EXPECT_EQ(ZRBurnCdWriter::unitNameOf("HL-DT-ST", "DVDRAM GH24NSD1 ", "LG00"),
              QStringLiteral("HL-DT-ST DVDRAM GH24NSD1 (LG00)"));
}

// libburn's file-backed pseudo drive stands in for a unit: naming, grab and release.
TEST(ZRBurnCdWriter, ThePseudoDriveIsNamedGrabbedAndReleased) {
    QTemporaryDir dir;
    const QString address = QStringLiteral("stdio:") + dir.filePath(QStringLiteral("disc.iso"));
    for (int round = 0; round < 2; ++round) {
        const std::optional<ZRBurnCdWriter::Unit> unit = ZRBurnCdWriter::probe(address);
        ASSERT_TRUE(unit) << "round " << round;
        EXPECT_EQ(unit->name, QStringLiteral("YOYODYNE WARP DRIVE (FX01)"));
        EXPECT_TRUE(unit->blank);
        EXPECT_EQ(unit->maxSpeed, 0);
        EXPECT_EQ(unit->address, dir.filePath(QStringLiteral("disc.iso")));
    }
    EXPECT_FALSE(ZRBurnCdWriter::probe(dir.filePath(QStringLiteral("no/such/drive"))));
}

// The machine has no CD writer: the scan completes and lists none; the page then stays off.
TEST(ZRBurnCdWriter, TheScanFindsNoUnitHere) {
    ZRBurnCdWriter writer;
    EXPECT_EQ(writer.unitCount(), 0);
    EXPECT_TRUE(writer.unitName(0).isEmpty());
    EXPECT_EQ(writer.maxSpeed(0), -1);
    EXPECT_FALSE(writer.hasBlankMedia(0));
    EXPECT_FALSE(writer.write(0, QStringLiteral("/none.cue"), 1, false, nullptr, nullptr));
}

TEST(ZRBurnCdWriter, CdrdaoWritesWithoutItsPauseAndEjectsOnRequest) {
    EXPECT_EQ(ZRBurnCdWriter::writeArguments(QStringLiteral("/dev/sr0"), 4, true,
                                             QStringLiteral("/t/a b.cue")),
              (QStringList{"write", "--device", "/dev/sr0", "--speed", "4", "-n", "--eject",
                           "/t/a b.cue"}));
    EXPECT_EQ(ZRBurnCdWriter::writeArguments(QStringLiteral("/dev/sr1"), 1, false,
                                             QStringLiteral("c.cue")),
              (QStringList{"write", "--device", "/dev/sr1", "--speed", "1", "-n", "c.cue"}));
}
