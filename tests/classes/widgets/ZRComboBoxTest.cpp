#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/QSBWidget.h"
#include "classes/widgets/ZRLineEdit.h"

#include "tests/classes/widgets/SkinFixtures.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr QRgb kNormalFill = 0xFF203040u, kDisabledFill = 0xFF404040u, kEdge = 0xFF808080u;

std::unique_ptr<QDict<PSDLayerSet>> comboSkin(bool withOver) {
    SkinBuilder b;
    b.box(QStringLiteral("normal_box"), kNormalFill, kEdge)
        .box(QStringLiteral("disabled_box"), kDisabledFill, kEdge)
        .set(QStringLiteral("arrow_button"), QPoint(30, 2));
    if (withOver) b.layer(QStringLiteral("over"), QRect(0, 0, 10, 10), 0xFF0000FFu);
    b.layer(QStringLiteral("pressed"), QRect(0, 0, 10, 10), 0xFF00FF00u)
        .layer(QStringLiteral("normal"), QRect(0, 0, 10, 10), 0xFFFF0000u)
        .layer(QStringLiteral("disabled"), QRect(0, 0, 10, 10), 0xFF808080u);
    return b.build();
}

} // namespace

TEST(ZRComboBox, ASkinWithoutTheOverArrowLeavesOnlyThatImageNull) {
    auto skin = comboSkin(false);
    ZRComboBox combo(true, nullptr);
    combo.setSkin(skin.get());
    EXPECT_EQ(combo.arrowImage(ZRComboBox::ArrowOver), nullptr);
    for (auto state :
         {ZRComboBox::ArrowPressed, ZRComboBox::ArrowNormal, ZRComboBox::ArrowDisabled}) {
        ASSERT_NE(combo.arrowImage(state), nullptr) << state;
        EXPECT_EQ(combo.arrowPosition(state), QPoint(30, 2)) << state;
    }
    EXPECT_EQ(combo.palette().color(QPalette::Window).rgba(), kNormalFill);

    auto full = comboSkin(true);
    combo.setSkin(full.get());
    EXPECT_NE(combo.arrowImage(ZRComboBox::ArrowOver), nullptr);
}

TEST(ZRComboBox, ComposesItsStateBoxOverTheParentOnlyWithASkinnedParent) {
    auto skin = comboSkin(true);
    ZRComboBox orphan(true, nullptr);
    orphan.setSkin(skin.get());
    EXPECT_EQ(orphan.composedImage(), nullptr);
    orphan.composeBackground(0, 0, 10, 10);
    EXPECT_EQ(orphan.mapPointToSkinRoot(QPoint(3, 4)), QPoint(3, 4));

    SkinRoot root;
    auto* combo = new ZRComboBox(true, &root);
    combo->setSkin(skin.get());
    combo->setGeometry(20, 30, 100, 22);
    combo->show();
    EXPECT_EQ(combo->composedImage(), root.composedImage());
    EXPECT_EQ(combo->mapRectToSkinRoot(QRect(1, 2, 5, 5)), QRect(21, 32, 5, 5));
    combo->composeRegion(QRegion(combo->rect()));
    EXPECT_EQ(root.composedImage()->pixel(20, 30), kEdge);
    EXPECT_EQ(root.composedImage()->pixel(70, 41), kNormalFill);
    combo->setEnabled(false);
    combo->composeBackground(0, 0, 100, 22);
    EXPECT_EQ(root.composedImage()->pixel(70, 41), kDisabledFill);
}

TEST(ZRComboBox, SetFontTagGivesTheSkinTheLineEditAndTheFont) {
    useDefaultSkin();
    QWidget window;
    auto* editable = new ZRComboBox(true, &window);
    editable->setFontTag();
    auto* edit = qobject_cast<ZRLineEdit*>(editable->lineEdit());
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->inComboBox());
    EXPECT_FALSE(edit->hasFrame());
    EXPECT_EQ(editable->font().family(), QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(editable->font().pointSize(), 8);
    EXPECT_NE(editable->arrowImage(ZRComboBox::ArrowNormal), nullptr);

    auto* fixed = new ZRComboBox(&window);
    fixed->setFontTag();
    EXPECT_FALSE(fixed->isEditable());
    EXPECT_EQ(fixed->lineEdit(), nullptr);
}

TEST(ZRComboBox, LeavingByTabEmitsFocusLostOnce) {
    auto skin = comboSkin(true);
    QWidget window;
    auto* combo = new ZRComboBox(true, &window);
    combo->setLineEdit(new ZRLineEdit(combo));
    combo->setSkin(skin.get());
    auto* next = new QLineEdit(&window);
    next->move(0, 40);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    combo->setFocus();
    ASSERT_TRUE(combo->hasFocus());
    QSignalSpy lost(combo, &ZRComboBox::focusLost);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(next->hasFocus());
    EXPECT_EQ(lost.count(), 1);
}

TEST(ZRLineEdit, TextStandsOnTheSkinWithoutAHalo) {
    constexpr QRgb kSkin = 0xFF000080u;
    SkinRoot root(kSkin);
    auto* edit = new ZRLineEdit(&root);
    EXPECT_TRUE(edit->hasSkinnedParent());
    QPalette p = edit->palette();
    p.setColor(QPalette::Text, Qt::white);
    // A background colour far from both: a colour key would leave it round the glyphs.
    p.setColor(QPalette::Window, QColor(0, 255, 0));
    edit->setPalette(p);
    edit->setFont(QFont(QStringLiteral("DejaVu Sans"), 14));
    edit->setText(QStringLiteral("Wave"));
    edit->setGeometry(10, 10, 120, 30);
    edit->show();

    const QImage shown = edit->grab().toImage();
    int textPixels = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb c = shown.pixel(x, y);
            // Every pixel lies between the skin's blue and the text's white.
            ASSERT_LE(std::abs(qRed(c) - qGreen(c)), 2) << x << "," << y;
            ASSERT_GE(qBlue(c), qRed(c)) << x << "," << y;
            if (qRed(c) > 128) ++textPixels;
        }
    }
    EXPECT_GT(textPixels, 10);
    EXPECT_EQ(shown.pixel(shown.width() - 2, shown.height() / 2), kSkin);
}

TEST(ZRLineEdit, OnAPlainWidgetItIsAFramelessLineEdit) {
    QWidget plain;
    ZRLineEdit edit(&plain);
    EXPECT_FALSE(edit.inComboBox());
    EXPECT_FALSE(edit.hasSkinnedParent());
    EXPECT_FALSE(edit.hasFrame());
    EXPECT_NE(edit.palette().color(QPalette::Base).alpha(), 0);
}
