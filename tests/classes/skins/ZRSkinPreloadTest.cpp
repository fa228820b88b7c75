#include "classes/skins/ZRSkinPreload.h"
#include "tools/psdwriter/PSDWriter.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

namespace {

QGuiApplication& application() {
    static int argc = 1;
    static char name[] = "test_classes_skins";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    return *app;
}

// Every file, set and layer the widgets and views look up: the whole manifest resolves in the
// skin the build drew.
TEST(ZRSkinPreload, EveryManifestNameResolves) {
    application();
    setSkinBaseFolder(QStringLiteral(CLIPSTEAD_BIN_DIR));
    preloadSkins();
    QFile manifest(QStringLiteral(CLIPSTEAD_SKIN_MANIFEST));
    ASSERT_TRUE(manifest.open(QIODevice::ReadOnly | QIODevice::Text));
    QTextStream in(&manifest);
    QSet<QString> files;
    int names = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.trimmed().isEmpty() || line.startsWith('#')) continue;
        const QStringList words = line.split(' ', Qt::SkipEmptyParts);
        const QByteArray file = words[0].toLatin1();
        files.insert(words[0]);
        ASSERT_TRUE(preloadedSkinLayers(file)) << file.constData();
        if (words.size() == 1) continue;
        if (words[1] == "-") {
            for (const QString& layer : words.mid(2)) {
                EXPECT_TRUE(preloadedSkinLayers(file)->find(layer))
                    << file.constData() << " " << qPrintable(layer);
                ++names;
            }
            continue;
        }
        QDict<PSDLayerSet>* sets = preloadedSkinSets(file);
        ASSERT_TRUE(sets) << file.constData();
        PSDLayerSet* set = sets->find(words[1]);
        ASSERT_TRUE(set) << file.constData() << " " << qPrintable(words[1]);
        for (const QString& layer : words.mid(2)) {
            const PSDLayer* found = set->layers.find(layer);
            EXPECT_TRUE(found && !found->image.isNull())
                << file.constData() << " " << qPrintable(words[1]) << " " << qPrintable(layer);
            ++names;
        }
    }
    EXPECT_EQ(files.size(), 50);
    EXPECT_GT(names, 500);
    // The sbtext space glyph cannot stand in a space-separated list.
    EXPECT_TRUE(preloadedSkinLayers("sbtext")->find(" "));
}

TEST(ZRSkinPreload, CursorTable) {
    application();
    setSkinBaseFolder(QStringLiteral(CLIPSTEAD_BIN_DIR));
    preloadSkins();
    EXPECT_EQ(skinCursor(0)->shape(), Qt::ArrowCursor);
    EXPECT_EQ(skinCursor(1)->shape(), Qt::SizeAllCursor);
    for (int i = 2; i < 15; ++i) {
        ASSERT_TRUE(skinCursor(i)) << i;
        EXPECT_EQ(skinCursor(i)->shape(), Qt::BitmapCursor) << i;
        EXPECT_FALSE(skinCursor(i)->pixmap().isNull()) << i;
    }
    EXPECT_FALSE(skinCursor(15));
    EXPECT_FALSE(skinCursor(-1));
    releaseSkins();
    EXPECT_FALSE(skinCursor(2));
}

// A set "box" whose members span (100, 30)-(180, 60), one of them at (120, 40), its header at
// opacity 128.
QByteArray boxDocument() {
    QImage a(20, 10, QImage::Format_ARGB32), b(61, 21, QImage::Format_ARGB32);
    a.fill(0xFF808080);
    b.fill(0xFF808080);
    PSDWriteLayer la, lb;
    la.name = "a";
    la.position = {100, 30};
    la.image = a;
    lb.name = "b";
    lb.position = {120, 40};
    lb.image = b;
    std::vector<PSDWriteLayer> layers;
    int id = 1;
    appendLayerSet(&layers, "box", {la, lb}, 128, &id);
    return writePSD({200, 100}, layers);
}

TEST(ZRSkinPreload, FormsFollowTheFileTable) {
    application();
    QTemporaryDir base;
    ASSERT_TRUE(QDir(base.path()).mkpath("skins/default"));
    for (const char* name : {"combo_box", "text_animator", "storyboard_button", "sbtext"}) {
        QFile f(base.filePath(QStringLiteral("skins/default/%1.psd").arg(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(boxDocument());
    }
    setSkinBaseFolder(base.path());
    preloadSkins();

    const auto member = [](const char* file) {
        return preloadedSkinSets(file)->find("box")->layers.find("b");
    };
    EXPECT_EQ(member("combo_box")->position, QPoint(20, 10));
    EXPECT_EQ(qAlpha(member("combo_box")->image.pixel(0, 0)), 128);
    EXPECT_EQ(member("text_animator")->position, QPoint(120, 40));
    EXPECT_EQ(qAlpha(member("storyboard_button")->image.pixel(0, 0)), 255);
    // Relative grouping leaves the flat dictionary with the layers outside sets only.
    EXPECT_EQ(preloadedSkinLayers("combo_box")->count(), 1);
    EXPECT_EQ(preloadedSkinLayers("text_animator")->count(), 5);

    EXPECT_FALSE(preloadedSkinSets("sbtext"));
    EXPECT_TRUE(preloadedSkinLayers("sbtext")->find("b"));
    EXPECT_FALSE(preloadedSkinSets("popup_box"));
    EXPECT_FALSE(preloadedSkinLayers("popup_box"));
    EXPECT_FALSE(preloadedSkinSets("no_such_file"));
    EXPECT_FALSE(preloadedSkinSets("combo_box")->find("nothing"));
    EXPECT_FALSE(preloadedSkinSets("combo_box")->find("box")->layers.find("nothing"));
    releaseSkins();
}

} // namespace
