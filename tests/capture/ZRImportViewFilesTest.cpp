#include "capture/ZRImportViewFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace filestest {

void touch(const QDir& dir, const QString& name, const QByteArray& bytes = "x") {
    QFile f(dir.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList names(const QDir& dir) {
    return dir.entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace filestest

using filestest::touch;

TEST(CaptureFiles, NextFreeNameAndNamesInUse) {
    struct Case {
        const char* name;
        QStringList present;
        const char* base;
        const char* next;
    } cases[] = {
        {"no digits", {}, "capture", "capture0001"},
        {"counts on", {}, "capture0001", "capture0002"},
        {"wraps with an a", {}, "clip9999", "clipa0000"},
        {"skips a taken name", {"capture0002.avi"}, "capture0001", "capture0003"},
        {"a segment makes it taken", {"capture000201.avi"}, "capture0001", "capture0003"},
        {"after capture0000", {"capture0001.ovl"}, "capture0000", "capture0002"},
        {"three characters are no segment", {"capture0002abc.avi"}, "capture0001", "capture0002"},
        {"brackets are literal", {"cap[ab]0001.avi"}, "cap[ab]0000", "cap[ab]0002"},
        {"short names", {}, "x1", "x10001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir tmp;
        const QDir dir(tmp.path());
        for (const QString& p : c.present)
            touch(dir, p);
        EXPECT_EQ(capturefiles::nextFreeName(tmp.path(), QString::fromUtf8(c.base)),
                  QString::fromUtf8(c.next));
    }

    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    touch(dir, "cap[ab].avi");
    EXPECT_TRUE(capturefiles::nameInUse(tmp.path(), "cap[ab]"));
    EXPECT_FALSE(capturefiles::nameInUse(tmp.path(), "capa"));
    EXPECT_FALSE(capturefiles::nameInUse(tmp.path(), "cap"));
    EXPECT_FALSE(capturefiles::nameInUse(tmp.path() + "/gone", "cap"));
}

TEST(CaptureFiles, RemovesOnlyWhatACaptureWrites) {
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    for (const char* n :
         {"holiday.ovl", "holiday.avi", "holiday.mvl", "holiday.mpg", "holiday01.avi",
          "holiday02.mpg", "holiday.zrs", "holidayXY.avi", "holiday01.txt", "holiday.AVI",
          "holidays.avi", "capture0001.avi", "capture0001.zrs", "capture0001xy.txt"})
        touch(dir, QString::fromLatin1(n));
    dir.mkdir("holiday.avi.d");
    EXPECT_EQ(capturefiles::removeCaptureFiles(tmp.path(), "holiday"), 6);
    EXPECT_EQ(capturefiles::removeCaptureFiles(tmp.path(), "capture0001"), 1);
    EXPECT_EQ(filestest::names(dir),
              (QStringList{"capture0001.zrs", "capture0001xy.txt", "holiday.AVI", "holiday.zrs",
                           "holiday01.txt", "holidayXY.avi", "holidays.avi"}));
}

TEST(CaptureFiles, CleaningTakesOnlyEmptyCaptureFiles) {
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    touch(dir, "a.avi", "");
    touch(dir, "b.mvl", "");
    touch(dir, "c.avi", "data");
    touch(dir, ".lock", "");
    touch(dir, "other.marker", "");
    EXPECT_EQ(capturefiles::removeEmptyCaptureFiles(tmp.path()), 2);
    EXPECT_EQ(filestest::names(dir), (QStringList{".lock", "c.avi", "other.marker"}));
    EXPECT_EQ(capturefiles::removeEmptyCaptureFiles(QString()), 0);
}

TEST(CaptureFiles, NameChecksAndTypes) {
    struct Case {
        const char* text;
        bool accepted;
    } cases[] = {{"capture0001", true}, {"", false},
                 {"a*b", false},        {"a?", false},
                 {"c:x", false},        {"x.avi", false},
                 {"a\\b", false},       {"a/b", false},
                 {"..", false},         {"$%-_@~`!(){}^#&", true},
                 {"ümlaut", true},      {"tab\there", false}};
    for (const Case& c : cases)
        EXPECT_EQ(capturefiles::acceptsBaseName(QString::fromUtf8(c.text)), c.accepted) << c.text;

    EXPECT_EQ(capturefiles::withoutCaptureExtension("clip.MPEG"), "clip");
    EXPECT_EQ(capturefiles::withoutCaptureExtension("a.b.avi"), "a.b");
    EXPECT_EQ(capturefiles::withoutCaptureExtension("notes.txt"), "notes.txt");

    const std::pair<int, const char*> types[] = {{0, "avi"}, {1, "avi"},  {2, "ovl"},
                                                 {4, "mvl"}, {16, "avi"}, {8, "ovl"}};
    for (auto [cls, ext] : types)
        EXPECT_EQ(capturefiles::extensionForClass(cls), QLatin1String(ext)) << cls;
    EXPECT_EQ(capturefiles::dialogFilterForClass(4), "MPEG1/2 files (*.mvl)");
}
