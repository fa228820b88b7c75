#include "common/config/QConfig.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>
#include <memory>

namespace {

struct ConfigFile {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("clipstead.ini"));

    void write(const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QByteArray read() const {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    std::unique_ptr<QConfig> open() const {
        return std::make_unique<QConfig>(QConfig::Flavour::Program, path);
    }
};

} // namespace

TEST(QConfigProgramFlavour, WritesItsHeaderInUtf8AndReadsValuesAsTheyStand) {
    ConfigFile file;
    file.write("# Config File\r\n[General Settings]\r\npath=C:\\new\\tmp\r\nname=caf\xC3\xA9\r\n");
    auto program = file.open();
    program->setGroup(QStringLiteral("General Settings"));
    EXPECT_EQ(program->readEntry(QStringLiteral("path")), QStringLiteral("C:\\new\\tmp"));
    EXPECT_EQ(program->readEntry(QStringLiteral("name")), QStringLiteral("caf\u00E9"));
    program->writeEntry(QStringLiteral("title"), QStringLiteral("\u00FCber"));
    ASSERT_TRUE(program->writeFile());
    const QByteArray saved = file.read();
    // Read with Windows line ends, written with the platform's, every line alike.
    EXPECT_TRUE(saved.startsWith("# Config File\n[General Settings]\n")) << saved.constData();
    EXPECT_TRUE(saved.contains("title=\xC3\xBC"
                               "ber\n"))
        << saved.constData();
    EXPECT_TRUE(saved.contains("path=C:\\new\\tmp\n"));
    EXPECT_FALSE(saved.contains('\r')) << saved.constData();

    QConfig engine(file.path); // the engine's flavour unescapes
    engine.setGroup(QStringLiteral("General Settings"));
    EXPECT_EQ(engine.readEntry(QStringLiteral("path")), QStringLiteral("C:\new\tmp"));
    engine.clearModified(true);
}

TEST(QConfigProgramFlavour, ColoursBytesAndLongs) {
    QConfig config(QConfig::Flavour::Program, QString());
    config.writeEntry(QStringLiteral("colour"), QColor(255, 128, 0));
    EXPECT_EQ(config.readEntry(QStringLiteral("colour")), QStringLiteral("255,128,0"));
    EXPECT_EQ(config.readColorEntry(QStringLiteral("colour")), QColor(255, 128, 0));

    const QColor fallback(1, 2, 3);
    const struct {
        const char* text;
        QColor expected;
    } colours[] = {
        {"10,20", fallback}, {"10,x,20", QColor(10, 0, 20)}, {"#102030", QColor(16, 32, 48)},
        {"", fallback},      {"7,8,9,10", QColor(7, 8, 0)},  {"300,-4,5", QColor(255, 0, 5)},
        {"none", fallback},
    };
    for (const auto& c : colours) {
        config.writeEntry(QStringLiteral("c"), QString::fromLatin1(c.text));
        EXPECT_EQ(config.readColorEntry(QStringLiteral("c"), &fallback), c.expected) << c.text;
    }
    EXPECT_FALSE(config.readColorEntry(QStringLiteral("missing")).isValid());

    config.writeEntry(QStringLiteral("bytes"), QByteArray("\x01\xAB", 2));
    EXPECT_EQ(config.readEntry(QStringLiteral("bytes")), QStringLiteral("01ab"));
    const struct {
        const char* text;
        QByteArray expected;
    } arrays[] = {{"01ab", QByteArray("\x01\xAB", 2)},
                  {"01a", QByteArray("\x01", 1)},
                  {"01AB", QByteArray("\x01\xAB", 2)},
                  {"ff00", QByteArray("\xFF\x00", 2)}};
    for (const auto& a : arrays) {
        config.writeEntry(QStringLiteral("b"), QString::fromLatin1(a.text));
        EXPECT_EQ(config.readByteArrayEntry(QStringLiteral("b")), a.expected) << a.text;
    }
    const QByteArray defaultBytes("zz");
    EXPECT_EQ(config.readByteArrayEntry(QStringLiteral("missing"), &defaultBytes), defaultBytes);
    EXPECT_TRUE(config.readByteArrayEntry(QStringLiteral("missing")).isEmpty());

    config.writeEntry(QStringLiteral("long"), LONG_MIN);
    EXPECT_EQ(config.readEntry(QStringLiteral("long")), QString::number(LONG_MIN));
    config.writeEntry(QStringLiteral("ulong"), ULONG_MAX);
    EXPECT_EQ(config.readEntry(QStringLiteral("ulong")), QString::number(ULONG_MAX));
}

TEST(QConfigProgramFlavour, KeysAndGroupsAreDeletedAndRenamedAcrossASave) {
    ConfigFile file;
    file.write("# Config File\r\n[Audio Settings]\r\nvolume=7\r\nmute=0\r\n"
               "[Profile]\r\nname=DVD\r\n[Empty]\r\n[Old]\r\nx=1\r\n");
    {
        auto config = file.open();
        config->setGroup(QStringLiteral("Profile"));
        EXPECT_TRUE(config->hasKey(QStringLiteral("name")));
        EXPECT_FALSE(config->hasKey(QStringLiteral("volume"))); // only in another group
        config->setGroup(QStringLiteral("Audio Settings"));
        EXPECT_EQ(config->deleteEntry(QStringLiteral("mute")), QStringLiteral("0"));
        EXPECT_EQ(config->deleteEntry(QStringLiteral("absent")), QString());
        EXPECT_FALSE(config->hasKey(QStringLiteral("mute")));

        EXPECT_FALSE(config->deleteGroup(QStringLiteral("Profile"), false)); // has entries
        EXPECT_TRUE(config->entryIterator(QStringLiteral("Profile")));
        EXPECT_FALSE(config->deleteGroup(QStringLiteral("Nowhere"), true));
        EXPECT_TRUE(config->deleteGroup(QStringLiteral("Empty"), false));

        EXPECT_FALSE(config->renameGroup(QStringLiteral("Nowhere"), QStringLiteral("X")));
        EXPECT_FALSE(config->renameGroup(QStringLiteral("<default>"), QStringLiteral("X")));
        EXPECT_FALSE(config->renameGroup(QStringLiteral("Old"), QStringLiteral("a]b")));
        EXPECT_TRUE(config->renameGroup(QStringLiteral("Old"), QStringLiteral("New")));
        EXPECT_FALSE(config->entryIterator(QStringLiteral("Old")));
        EXPECT_EQ(config->groupList(),
                  QStringList({"<default>", "Audio Settings", "Profile", "New"}));
        ASSERT_TRUE(config->writeFile());
    }
    auto reread = file.open();
    reread->setGroup(QStringLiteral("Audio Settings"));
    EXPECT_FALSE(reread->hasKey(QStringLiteral("mute")));
    EXPECT_EQ(reread->readEntry(QStringLiteral("volume")), QStringLiteral("7"));
    EXPECT_FALSE(reread->entryIterator(QStringLiteral("Empty")));
    EXPECT_FALSE(reread->entryIterator(QStringLiteral("Old")));
    reread->setGroup(QStringLiteral("New"));
    EXPECT_EQ(reread->readEntry(QStringLiteral("x")), QStringLiteral("1"));
    reread->clearModified(true);
}

TEST(QConfigProgramFlavour, RenamingOntoAnExistingNameFindsTheMovedGroup) {
    ConfigFile file;
    file.write("# Config File\r\n[A]\r\nk=from A\r\nonlyA=1\r\n[B]\r\nk=from B\r\nonlyB=2\r\n");
    {
        auto config = file.open();
        ASSERT_TRUE(config->renameGroup(QStringLiteral("A"), QStringLiteral("b")));
        config->setGroup(QStringLiteral("B"));
        EXPECT_EQ(config->readEntry(QStringLiteral("k")), QStringLiteral("from A"));
        EXPECT_EQ(config->readEntry(QStringLiteral("onlyA")), QStringLiteral("1"));
        ASSERT_TRUE(config->writeFile());
        EXPECT_EQ(config->readEntry(QStringLiteral("k")), QStringLiteral("from A"));
    }
    auto reread = file.open();
    EXPECT_FALSE(reread->entryIterator(QStringLiteral("A")));
    reread->setGroup(QStringLiteral("B"));
    EXPECT_EQ(reread->readEntry(QStringLiteral("k")), QStringLiteral("from A"));
    EXPECT_EQ(reread->readEntry(QStringLiteral("onlyA")), QStringLiteral("1"));
    EXPECT_EQ(reread->readEntry(QStringLiteral("onlyB")), QStringLiteral("2"));
    reread->clearModified(true);
}

// Every read expands "$NAME"; the program's own texts come back as they were written, also after
// a save, while a file written by others keeps its expansion. The engine's flavour, whose files
// the export modules read without expansion, writes values as given.
TEST(QConfigProgramFlavour, DollarsInWrittenTextsReadBackUnchanged) {
    qputenv("CLIPSTEADDOLLAR", "/home/x");
    const QString texts[] = {
        "Only $5 for $CLIPSTEADDOLLAR", "$$", "a$", "$", "/media/$work/a.avi", "$CLIPSTEADUNSET_x"};
    ConfigFile file;
    file.write("# Config File\n[G]\nothers=$CLIPSTEADDOLLAR/y\n");
    {
        auto config = file.open();
        config->setGroup(QStringLiteral("G"));
        for (int i = 0; i < int(std::size(texts)); ++i) {
            config->writeEntry(QStringLiteral("k%1").arg(i), texts[i]);
            EXPECT_EQ(config->readEntry(QStringLiteral("k%1").arg(i)), texts[i]);
        }
        ASSERT_TRUE(config->writeFile());
    }
    EXPECT_TRUE(file.read().contains("k0=Only $$5 for $$CLIPSTEADDOLLAR\n")) << file.read().data();
    auto again = file.open();
    again->setGroup(QStringLiteral("G"));
    EXPECT_EQ(again->readEntry(QStringLiteral("others")), QStringLiteral("/home/x/y"));
    auto entries = again->entryIterator(QStringLiteral("G"));
    ASSERT_TRUE(entries);
    entries->next(); // "others"
    for (int i = 0; i < int(std::size(texts)); ++i, entries->next()) {
        EXPECT_EQ(again->readEntry(QStringLiteral("k%1").arg(i)), texts[i]);
        ASSERT_FALSE(entries->atEnd());
        EXPECT_EQ(entries->current().value, texts[i]) << "the iterator reads as readEntry does";
    }
    EXPECT_EQ(again->writeEntry(QStringLiteral("k0"), QStringLiteral("new")), texts[0]);
    again->clearModified(true);

    QConfig engine(QConfig::Flavour::Engine, QString());
    engine.writeEntry(QStringLiteral("k"), QStringLiteral("a$$b"));
    EXPECT_EQ(engine.readEntry(QStringLiteral("k")), QStringLiteral("a$b"));
}

// A title of any length a user may type is kept across a save; what the reader could not take
// back is refused when it is written, not lost at the next start.
TEST(QConfigProgramFlavour, LongValuesSurviveASaveAndOverlongOnesAreRefused) {
    ConfigFile file;
    const QString title = QString(70000, QLatin1Char('t')) + QStringLiteral("\u00e9nd");
    const QString group = QStringLiteral("TextObject0_") + QString(66000, QLatin1Char('g'));
    {
        auto config = file.open();
        config->setGroup(group);
        EXPECT_FALSE(config->writeEntry(QStringLiteral("Text"), title).isNull());
        config->setGroup(QStringLiteral("After"));
        config->writeEntry(QStringLiteral("k"), 1);
        const QString overlong(QConfig::kMaxLineBytes, QLatin1Char('x'));
        EXPECT_TRUE(config->writeEntry(QStringLiteral("big"), overlong).isNull());
        EXPECT_FALSE(config->hasKey(QStringLiteral("big")));
    }
    auto again = file.open();
    again->setGroup(group);
    EXPECT_EQ(again->readEntry(QStringLiteral("Text")), title);
    EXPECT_FALSE(again->hasKey(QStringLiteral("k")));
    again->setGroup(QStringLiteral("After"));
    EXPECT_EQ(again->readNumEntry(QStringLiteral("k")), 1);
}
