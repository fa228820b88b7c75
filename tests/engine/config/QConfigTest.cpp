#include "common/config/QConfig.h"

#include "tests/support/TestEnvironment.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <sys/stat.h>

namespace {

class QConfigTest : public ::testing::Test {
protected:
    QString path(const char* name = "test.ini") const { return m_dir.filePath(name); }

    void writeText(const QByteArray& text, const char* name = "test.ini") const {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }

    QByteArray readText(const char* name = "test.ini") const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir{testsupport::homeFolder() + "/configXXXXXX"};
};

// Exposes the removals that a build with delete operations calls.
class RemovingConfig : public QConfig {
public:
    using QConfig::QConfig;
    using QConfig::removeEntry;
    using QConfig::removeGroup;
};

const QByteArray kHeader = "# Marvesto Config File\r\n";

} // namespace

TEST_F(QConfigTest, SampleFileReadsAndWritesBackInTheWritersForm) {
    writeText("a=1\n[G]\nb = two \n");
    {
        QConfig config(path());
        EXPECT_EQ(config.readEntry("a"), "1");
        EXPECT_EQ(config.group(), "");
        config.setGroup("G");
        EXPECT_EQ(config.group(), "G");
        EXPECT_EQ(config.readEntry("b"), "two");
        EXPECT_TRUE(config.readEntry("a").isNull()) << "a lives in <default>, not in G";
    }
    // Destroying a configuration that was only read writes the file back.
    EXPECT_EQ(readText(), kHeader + "a=1\r\n[G]\r\nb=two\r\n");
}

TEST_F(QConfigTest, MissingFileIsCreatedEmptyAndNullNameHasNoFile) {
    {
        QConfig config(path("new.ini"));
        EXPECT_TRUE(QFile::exists(path("new.ini")));
        EXPECT_TRUE(config.readEntry("x", "d") == "d");
    }
    EXPECT_EQ(readText("new.ini"), kHeader);
    QConfig detached;
    detached.writeEntry("k", "v");
    EXPECT_EQ(detached.readEntry("k"), "v");
    EXPECT_FALSE(detached.writeFile());
}

TEST_F(QConfigTest, LineForms) {
    struct Case {
        QByteArray text;
        const char* group;
        const char* key;
        const char* value; // null: absent
    };
    const Case cases[] = {
        {"[G] trailing\nk=1\n", "G", "k", "1"},
        {"  [G]\nk=1\n", "", "k", "1"}, // not a header, and no "=": ignored
        {"  [G]\nk=1\n", "G", "k", nullptr},
        {"#x=1\n", "", "#x", nullptr},
        {" #x=1\n", "", "#x", "1"},
        {"[G]\nKey=1\n", "g", "KEY", "1"},
        {"k=1\r\nk=2\r\n", "", "k", "2"},
        {"k=\n", "", "k", ""},
        {"k = a = b\n", "", "k", "a = b"},
        {"[]\nk=1\n", "", "k", nullptr}, // "[]" heads a group with an empty name
        {"[A]\nk=1\n[B]\n[a]\nj=2\n", "A", "j", "2"},
    };
    for (const Case& c : cases) {
        writeText(c.text);
        QConfig config(path());
        config.setGroup(c.group);
        const QString value = config.readEntry(c.key);
        if (c.value)
            EXPECT_EQ(value, c.value) << c.text.constData();
        else
            EXPECT_TRUE(value.isNull()) << c.text.constData() << " -> " << value.toStdString();
    }
}

TEST_F(QConfigTest, DollarExpansion) {
    qputenv("CLIPSTEADH", "/h");
    qunsetenv("CLIPSTEADNOPE");
    qputenv("CLIPSTEADLOOP", "$CLIPSTEADLOOP");
    qputenv("CLIPSTEADINNER", "$CLIPSTEADH/in");
    const struct {
        const char* stored;
        const char* read;
    } cases[] = {
        {"$CLIPSTEADH/x", "/h/x"},
        {"$$CLIPSTEADH", "$CLIPSTEADH"},
        {"$CLIPSTEADNOPE/x", "/x"},
        {"a$", "a"},
        {"a$-b", "a-b"},
        {"$CLIPSTEADH_x", "/h_x"},
        {"$CLIPSTEADINNER", "/h/in"},
    };
    QByteArray text;
    for (size_t i = 0; i < std::size(cases); ++i)
        text += "k" + QByteArray::number(qulonglong(i)) + "=" + cases[i].stored + "\n";
    text += "loop=$CLIPSTEADLOOP\n";
    writeText(text);
    QConfig config(path());
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(config.readEntry("k" + QString::number(i)), cases[i].read) << cases[i].stored;
    EXPECT_EQ(config.readEntry("missing", "$CLIPSTEADH"), "/h") << "defaults are expanded too";
    // A variable that names itself ends after a bounded number of expansions.
    EXPECT_EQ(config.readEntry("loop"), "$CLIPSTEADLOOP");
}

TEST_F(QConfigTest, UnescapingOnReadAndUntouchedTextWrittenBackAsItWas) {
    writeText("t=C:\\temp\nb=a\\\\b\nq=x\\q\ne=end\\\nn=1\\n2\n");
    {
        QConfig config(path());
        EXPECT_EQ(config.readEntry("t"), "C:\temp");
        EXPECT_EQ(config.readEntry("b"), "a\\b");
        EXPECT_EQ(config.readEntry("q"), "x\\q");
        EXPECT_EQ(config.readEntry("e"), "end\\");
        EXPECT_EQ(config.readEntry("n"), "1\n2");
        config.writeEntry("other", 5);
    }
    // The line feed read from "1\n2" must not split the entry when the file is saved.
    EXPECT_EQ(readText(),
              kHeader + "t=C:\\temp\r\nb=a\\\\b\r\nq=x\\q\r\ne=end\\\r\nn=1\\n2\r\nother=5\r\n");
}

TEST_F(QConfigTest, TypedReadsAndWrites) {
    writeText("on=on\ntrue=true\nnum=12abc\nyes=yes\ntwo=2\nzero=0\nneg=-7\nd=2.5\nbad=x\n"
              "empty=\n");
    QConfig config(path());
    EXPECT_EQ(config.readNumEntry("on"), 1);
    EXPECT_EQ(config.readNumEntry("true"), 1);
    EXPECT_EQ(config.readNumEntry("num", 9), 0);
    EXPECT_EQ(config.readNumEntry("neg"), -7);
    EXPECT_EQ(config.readNumEntry("missing", 9), 9);
    EXPECT_EQ(config.readNumEntry("empty", 9), 0);
    EXPECT_FALSE(config.readBoolEntry("yes", true));
    EXPECT_TRUE(config.readBoolEntry("two"));
    EXPECT_TRUE(config.readBoolEntry("on"));
    EXPECT_FALSE(config.readBoolEntry("zero", true));
    EXPECT_TRUE(config.readBoolEntry("missing", true));
    EXPECT_DOUBLE_EQ(config.readDoubleNumEntry("d"), 2.5);
    EXPECT_DOUBLE_EQ(config.readDoubleNumEntry("bad", 3.0), 0.0);
    EXPECT_DOUBLE_EQ(config.readDoubleNumEntry("missing", 3.0), 3.0);

    config.setGroup("W");
    EXPECT_EQ(config.writeEntry("d", 0.1), "");
    EXPECT_EQ(config.writeEntry("d", 1234567.0), "0.1");
    EXPECT_EQ(config.readEntry("d"), "1.23457e+06");
    config.writeEntry("i", -42);
    config.writeEntry("b", true);
    config.writeEntry("s", "text");
    config.writeEntry("l", "local", true, false, true);
    EXPECT_EQ(config.readEntry("i"), "-42");
    EXPECT_EQ(config.readEntry("b"), "true");
    EXPECT_EQ(config.readEntry("s"), "text");
    EXPECT_EQ(config.readEntry("l"), "local") << "the localised form is found first";
    ASSERT_TRUE(config.writeFile());
    EXPECT_TRUE(readText().endsWith("[W]\r\nd=1.23457e+06\r\ni=-42\r\nb=true\r\ns=text\r\n"
                                    "l[]=local\r\n"));
}

TEST_F(QConfigTest, RefusedWritesChangeNothing) {
    QConfig config(path());
    config.writeEntry("keep", "1");
    const struct {
        const char* group;
        const char* key;
        const char* value;
    } refused[] = {
        {"", "k", "two\nlines"}, {"", "k", "cr\rhere"}, {"", "a=b", "v"},
        {"G]x", "k", "v"},       {"G\nH", "k", "v"},
    };
    for (const auto& r : refused) {
        config.setGroup(r.group);
        EXPECT_TRUE(config.writeEntry(r.key, r.value).isNull()) << r.key << " " << r.value;
    }
    config.setGroup("");
    ASSERT_TRUE(config.writeFile());
    EXPECT_EQ(readText(), kHeader + "keep=1\r\n");
}

TEST_F(QConfigTest, KeysThatLookLikeCommentsOrHeadersSurviveASave) {
    writeText(" #x=1\n [y]=2\n");
    {
        QConfig config(path());
        config.writeEntry("#z", "3");
    }
    EXPECT_EQ(readText(), kHeader + " #x=1\r\n [y]=2\r\n #z=3\r\n");
    QConfig config(path());
    EXPECT_EQ(config.readEntry("#x"), "1");
    EXPECT_EQ(config.readEntry("[y]"), "2");
    EXPECT_EQ(config.readEntry("#z"), "3");
}

TEST_F(QConfigTest, GroupsAndKeysKeepTheirOrder) {
    QByteArray text;
    for (int g = 40; g > 0; --g) {
        text += "[group" + QByteArray::number(g) + "]\n";
        for (int k = 9; k > 0; --k)
            text += "key" + QByteArray::number(k) + "=" + QByteArray::number(g * k) + "\n";
    }
    writeText(text);
    QByteArray expected = kHeader;
    {
        QConfig config(path());
        config.setGroup("late");
        config.writeEntry("z", 1);
        config.writeEntry("a", 2);
        expected += QByteArray(text).replace("\n", "\r\n");
        expected += "[late]\r\nz=1\r\na=2\r\n";
    }
    EXPECT_EQ(readText(), expected);
}

TEST_F(QConfigTest, UnwritableFileAnswersFalseAndReadOnlyFileReadsFully) {
    // A path below a regular file cannot be created, whoever runs the test.
    writeText("x=1\n", "plain");
    QConfig unwritable(path("plain") + "/sub.ini");
    unwritable.writeEntry("k", "v");
    EXPECT_FALSE(unwritable.writeFile());
    QBuffer closedForWriting;
    ASSERT_TRUE(closedForWriting.open(QIODevice::ReadOnly));
    EXPECT_FALSE(unwritable.writeStream(&closedForWriting));

    writeText("a=1\n[G]\nb=2\n", "ro.ini");
    QFile::setPermissions(path("ro.ini"), QFile::ReadOwner | QFile::ReadGroup);
    QConfig readOnly(path("ro.ini"));
    EXPECT_EQ(readOnly.readEntry("a"), "1");
    readOnly.setGroup("G");
    EXPECT_EQ(readOnly.readEntry("b"), "2");
    QFile::setPermissions(path("ro.ini"), QFile::ReadOwner | QFile::WriteOwner);
}

// A FIFO or a device in the file's place is neither waited on nor replaced.
TEST_F(QConfigTest, WhatIsNoRegularFileIsNotReadOrReplaced) {
    ASSERT_EQ(::mkfifo(path("fifo.ini").toLocal8Bit().constData(), 0600), 0);
    {
        QConfig config(path("fifo.ini"));
        EXPECT_TRUE(config.readEntry("a").isNull());
        config.writeEntry("a", "1");
        EXPECT_FALSE(config.writeFile());
        config.reload();
    }
    struct stat info {};
    ASSERT_EQ(::stat(path("fifo.ini").toLocal8Bit().constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST_F(QConfigTest, WriteStreamWritesMemoryToADevice) {
    QConfig config;
    config.writeEntry("a", 1);
    config.setGroup("G");
    config.writeEntry("b", "x");
    QBuffer buffer;
    ASSERT_TRUE(config.writeStream(&buffer));
    EXPECT_FALSE(buffer.isOpen()) << "a device the stream opened is closed again";
    EXPECT_EQ(buffer.data(), kHeader + "a=1\r\n[G]\r\nb=x\r\n");
}

TEST_F(QConfigTest, TwoObjectsOnOneFileKeepEachOthersChanges) {
    writeText("[M]\nshared=0\nvictim=1\n");
    RemovingConfig a(path());
    RemovingConfig b(path());
    a.setGroup("M");
    b.setGroup("M");

    a.writeEntry("fromA", "a1");
    ASSERT_TRUE(a.writeFile());
    b.writeEntry("fromB", "b1");
    ASSERT_TRUE(b.writeFile());
    EXPECT_EQ(b.readEntry("fromA"), "a1") << "a save brings in what others saved";

    a.writeEntry("shared", "newer");
    ASSERT_TRUE(a.writeFile());
    // b never changed "shared": its stale value must not come back.
    b.writeEntry("fromB", "b2");
    ASSERT_TRUE(b.writeFile());

    b.removeEntry("victim");
    ASSERT_TRUE(b.writeFile());
    // a still holds "victim" from its last save; an unrelated save must not restore it.
    a.writeEntry("fromA", "a2");
    ASSERT_TRUE(a.writeFile());

    EXPECT_EQ(readText(), kHeader + "[M]\r\nshared=newer\r\nfromA=a2\r\nfromB=b2\r\n");
    EXPECT_TRUE(a.readEntry("victim").isNull());

    // A removed group stays removed; written again, it holds only the new entries.
    a.setGroup("Gone");
    a.writeEntry("old", 1);
    ASSERT_TRUE(a.writeFile());
    ASSERT_TRUE(b.writeFile());
    ASSERT_TRUE(b.removeGroup("Gone"));
    EXPECT_FALSE(b.removeGroup("Never"));
    b.setGroup("Gone");
    b.writeEntry("new", 2);
    ASSERT_TRUE(b.writeFile());
    ASSERT_TRUE(a.writeFile());
    EXPECT_TRUE(readText().endsWith("[Gone]\r\nnew=2\r\n")) << readText().constData();
}

// Values read as ASCII stay the file's bytes until asked for. Moved by a rename into a group that
// another object saved meanwhile, they are merged into a file read anew and reach it whole.
TEST_F(QConfigTest, ValuesKeptAsReadReachAFileAnotherChanged) {
    const QByteArray hex = QByteArray(9600, 'a').toHex();
    writeText("# Config File\n[G]\npicture=" + hex + "\nname=caf\xc3\xa9\n[H]\nb= y \n");
    QConfig a(QConfig::Flavour::Program, path());
    QConfig b(QConfig::Flavour::Program, path());
    b.writeEntry("first", "moves every line after it");
    b.setGroup("H");
    b.writeEntry("c", "z");
    ASSERT_TRUE(b.writeFile());
    ASSERT_TRUE(a.renameGroup("G", "H"));
    ASSERT_TRUE(a.writeFile());

    QConfig again(QConfig::Flavour::Program, path());
    again.setGroup("H");
    EXPECT_EQ(again.readEntry("picture"), QString::fromLatin1(hex));
    EXPECT_EQ(again.readEntry("name"), QString::fromUtf8("caf\xc3\xa9"));
    EXPECT_EQ(again.readEntry("b"), "y");
    EXPECT_EQ(again.readEntry("c"), "z");
    EXPECT_FALSE(again.groupList().contains("G"));
    again.setGroup("");
    EXPECT_EQ(again.readEntry("first"), "moves every line after it");
}

TEST_F(QConfigTest, NonPersistentWritesStayInMemoryOnly) {
    QConfig config(path());
    config.writeEntry("saved", 1);
    config.writeEntry("session", 2, false);
    EXPECT_TRUE(config.isModified());
    ASSERT_TRUE(config.writeFile());
    EXPECT_FALSE(config.isModified());
    EXPECT_EQ(config.readEntry("session"), "2");
    EXPECT_EQ(readText(), kHeader + "saved=1\r\n");
}

TEST_F(QConfigTest, ClearModifiedAndReload) {
    writeText("k=file\n");
    QConfig config(path());
    config.writeEntry("k", "memory");
    config.clearModified(true);
    EXPECT_FALSE(config.isModified());
    ASSERT_TRUE(config.writeFile());
    EXPECT_EQ(config.readEntry("k"), "file") << "a change whose flag was cleared is not saved";

    config.writeEntry("k", "again");
    config.reload();
    EXPECT_EQ(config.readEntry("k"), "file");
    EXPECT_FALSE(config.isModified());
}

TEST_F(QConfigTest, EntryIterator) {
    writeText("d=0\n[G]\nb=1\na=2\n");
    QConfig config(path());
    EXPECT_EQ(config.entryIterator("none"), nullptr);
    auto it = config.entryIterator("g");
    ASSERT_NE(it, nullptr);
    QStringList keys;
    for (; !it->atEnd(); it->next())
        keys << it->current().key + "=" + it->current().value;
    EXPECT_EQ(keys, QStringList({"b=1", "a=2"}));
    auto defaults = config.entryIterator("");
    ASSERT_NE(defaults, nullptr);
    EXPECT_EQ(defaults->current().key, "d");
}

TEST_F(QConfigTest, BadInputIsSkippedAndNothingElseIsLost) {
    QByteArray text = "first=1\n";
    text += "long=" + QByteArray(QConfig::kMaxLineBytes + 100, 'x') + "\n";
    text += "[unclosed\n";
    text += "no equals sign\n";
    static const char binary[] = "bin\0ary=\xff\xfe\x01";
    text += QByteArray(binary, sizeof binary - 1) + "\n";
    text += "[G]\nsecond=2\n";
    text += QByteArray(200000, '\0');
    text += "\nthird=3";
    writeText(text);
    QConfig config(path());
    EXPECT_EQ(config.readEntry("first"), "1");
    EXPECT_TRUE(config.readEntry("long").isNull());
    config.setGroup("G");
    EXPECT_EQ(config.readEntry("second"), "2");
    EXPECT_EQ(config.readEntry("third"), "3") << "a last line without a line feed counts";
    config.setGroup("unclosed");
    EXPECT_TRUE(config.entryIterator("unclosed") == nullptr);
}

// Thousands of groups and keys are found through the index, whatever their case, also after
// removals, rewrites and values that change many times.
// A line as long as the reader takes is written back with "\r\n" and must read again.
TEST_F(QConfigTest, TheLongestLineReadSurvivesASave) {
    const QByteArray value(QConfig::kMaxLineBytes - 2, 'x');
    writeText("k=" + value + "\nlast=1\n");
    {
        QConfig config(path());
        ASSERT_EQ(config.readEntry("k").size(), value.size());
        config.writeEntry("last", 2);
    }
    QConfig again(path());
    EXPECT_EQ(again.readEntry("k").toLatin1(), value);
    EXPECT_EQ(again.readNumEntry("last"), 2);
}

TEST_F(QConfigTest, ManyGroupsAndKeysStayFoundWithoutRegardToCase) {
    QByteArray text;
    for (int g = 0; g < 3000; ++g) {
        text += "[Group" + QByteArray::number(g) + "]\n";
        for (int k = 0; k < 4; ++k)
            text += "Key" + QByteArray::number(k) + "=" + QByteArray::number(g * 10 + k) + "\n";
    }
    text += "[\xC3\x84rger \xF0\x90\x90\x80]\nK=1\nk=2\n"; // A-umlaut and a non-BMP letter
    writeText(text);
    RemovingConfig config(path());
    for (int g = 0; g < 3000; g += 7) {
        config.setGroup("gROUP" + QString::number(g));
        for (int k = 0; k < 4; ++k)
            ASSERT_EQ(config.readNumEntry("kEY" + QString::number(k)), g * 10 + k) << g;
    }
    config.setGroup(QString::fromUtf8("\xC3\xA4RGER \xF0\x90\x90\xA8")); // lower-case forms
    EXPECT_EQ(config.readEntry("k"), "2") << "the later of two entries of one key is found";

    config.setGroup("Group5");
    config.removeEntry("key1");
    for (int i = 0; i < 20000; ++i)
        config.writeEntry("Key2", QString(40, QChar(u'a' + i % 26)));
    EXPECT_TRUE(config.readEntry("Key1").isNull());
    EXPECT_EQ(config.readEntry("key2"), QString(40, QChar(u'a' + 19999 % 26)));
    EXPECT_EQ(config.readEntry("KEY3"), "53");
    ASSERT_TRUE(config.removeGroup("GROUP6"));
    config.setGroup("Group2999");
    EXPECT_EQ(config.readEntry("Key0"), "29990");
    ASSERT_TRUE(config.writeFile());

    QConfig again(path());
    again.setGroup("group5");
    EXPECT_EQ(again.readEntry("key2"), QString(40, QChar(u'a' + 19999 % 26)));
    EXPECT_TRUE(again.readEntry("Key1").isNull());
    EXPECT_EQ(again.entryIterator("group6"), nullptr);
    again.setGroup("group7");
    EXPECT_EQ(again.readEntry("key0"), "70");
}

// Removing keys one by one, thousands of them as a folder of missing clips does, keeps every
// other key found, also a key the file holds twice and across the group's compactions; what was
// removed stays out of the saved file and a key written again after its removal comes back.
TEST_F(QConfigTest, RemovalsKeepTheRestFoundAndStayRemoved) {
    QByteArray text = kHeader + "[G]\ndup=1\n";
    for (int i = 0; i < 3000; ++i)
        text += "k" + QByteArray::number(i) + "=" + QByteArray::number(i) + "\n";
    text += "DUP=2\n";
    writeText(text);
    RemovingConfig config(path());
    config.setGroup("G");
    EXPECT_EQ(config.readEntry("dup"), "2");
    EXPECT_EQ(config.removeEntry("Dup"), "2");
    EXPECT_TRUE(config.readEntry("dup").isNull()) << "both entries of the key go";
    for (int i = 0; i < 3000; ++i)
        if (i % 4 != 0) config.removeEntry("K" + QString::number(i));
    config.writeEntry("k1", "again");
    const auto check = [](const QConfig& c) {
        for (int i = 0; i < 3000; ++i) {
            const QString value = c.readEntry("k" + QString::number(i));
            if (i == 1)
                EXPECT_EQ(value, "again");
            else if (i % 4 == 0)
                EXPECT_EQ(value, QString::number(i));
            else
                EXPECT_TRUE(value.isNull()) << i;
        }
        int count = 0;
        for (auto it = c.entryIterator("G"); !it->atEnd(); it->next())
            ++count;
        EXPECT_EQ(count, 751);
    };
    check(config);
    ASSERT_TRUE(config.writeFile());
    QConfig again(path());
    again.setGroup("g");
    check(again);
}
