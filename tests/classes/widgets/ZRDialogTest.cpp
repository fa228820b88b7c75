#include "classes/widgets/ZRDialog.h"
#include "classes/widgets/ZRMainWidget.h"
#include "classes/widgets/ZRPushButton.h"

#include "tests/classes/widgets/SkinFixtures.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs `action` once the dialog's loop is running.
void later(std::function<void()> action) {
    QTimer::singleShot(0, qApp, std::move(action));
}

} // namespace

TEST(ZRDialog, IsAFramelessDialogWindowEvenUnderASkinnedParent) {
    QSBWidget skinned;
    ZRDialog dialog(nullptr, &skinned);
    EXPECT_TRUE(dialog.isWindow());
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(dialog.windowType(), Qt::Dialog);
    EXPECT_TRUE(dialog.ownsComposedImage());
    EXPECT_FALSE(dialog.hasSkinParent());
    EXPECT_EQ(dialog.parentWidget(), &skinned);
}

TEST(ZRDialog, ExecAnswersTheResultOfWhatEndedIt) {
    const struct {
        const char* what;
        std::function<void(ZRDialog&)> end;
        int result;
    } cases[] = {
        {"accept", [](ZRDialog& d) { d.accept(); }, 1},
        {"reject", [](ZRDialog& d) { d.reject(); }, 0},
        {"close", [](ZRDialog& d) { d.close(); }, 0},
        {"done(5)", [](ZRDialog& d) { d.done(5); }, 5},
        {"Escape", [](ZRDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }, 0},
    };
    for (const auto& c : cases) {
        ZRDialog dialog;
        dialog.resize(120, 80);
        later([&] { c.end(dialog); });
        EXPECT_EQ(dialog.exec(), c.result) << c.what;
        EXPECT_FALSE(dialog.isVisible()) << c.what;
        EXPECT_EQ(dialog.result(), c.result) << c.what;
    }
}

TEST(ZRDialog, ANestedExecAnswersMinusOneAndTheOuterLoopRunsOn) {
    ZRDialog dialog;
    dialog.resize(120, 80);
    int nested = 0;
    later([&] {
        nested = dialog.exec();
        EXPECT_TRUE(dialog.isVisible());
        dialog.done(3);
    });
    EXPECT_EQ(dialog.exec(), 3);
    EXPECT_EQ(nested, -1);
}

TEST(ZRDialog, ADeleteOnCloseDialogIsDeletedAfterExecAndStillAnswers) {
    auto* dialog = new ZRDialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<ZRDialog> watch(dialog);
    later([dialog] { dialog->done(7); });
    EXPECT_EQ(dialog->exec(), 7);
    EXPECT_TRUE(watch.isNull());
}

TEST(ZRDialog, DeletingTheDialogDuringExecEndsTheLoop) {
    auto* dialog = new ZRDialog;
    QPointer<ZRDialog> watch(dialog);
    later([dialog] {
        dialog->done(4);
        dialog->show();
        delete dialog;
    });
    EXPECT_EQ(dialog->exec(), 4);
    EXPECT_TRUE(watch.isNull());
}

TEST(ZRDialog, ADestructiveDoneFromAChildsSlotDeletesLater) {
    auto* dialog = new ZRDialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto* button = new ZRPushButton(QStringLiteral("OK"), dialog);
    QObject::connect(button, &QPushButton::clicked, dialog, &ZRDialog::accept);
    QPointer<ZRDialog> watch(dialog);
    dialog->show();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(watch.isNull()) << "still alive under its child's slot";
    EXPECT_FALSE(dialog->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull());
}

TEST(ZRDialog, DoneQuitsTheApplicationOnlyForTheMainWidget) {
    QWidget other;
    other.show();
    for (bool isMain : {false, true}) {
        ZRDialog dialog;
        dialog.resize(100, 60);
        dialog.show();
        setMainWidget(isMain ? &dialog : nullptr);
        later([&] { dialog.accept(); });
        QTimer::singleShot(200, qApp, [] { QCoreApplication::exit(99); });
        EXPECT_EQ(QApplication::exec(), isMain ? 0 : 99) << isMain;
    }
    setMainWidget(nullptr);
}

TEST(ZRDialog, ReturnOrKeypadEnterClickTheFirstVisibleEnabledDefaultButton) {
    const struct {
        const char* what;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool hasDefault;
        bool enabled;
        int clicks;
    } cases[] = {
        {"Return", Qt::Key_Return, Qt::NoModifier, true, true, 1},
        {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, true, true, 1},
        {"disabled default", Qt::Key_Return, Qt::NoModifier, true, false, 0},
        {"no default", Qt::Key_Return, Qt::NoModifier, false, true, 0},
        {"Ctrl+Return", Qt::Key_Return, Qt::ControlModifier, true, true, 0},
    };
    for (const auto& c : cases) {
        ZRDialog dialog;
        dialog.resize(200, 100);
        auto* hidden = new ZRPushButton(QStringLiteral("Hidden"), &dialog);
        hidden->setDefault(true);
        hidden->hide();
        auto* other = new ZRPushButton(QStringLiteral("Other"), &dialog);
        auto* ok = new ZRPushButton(QStringLiteral("OK"), &dialog);
        ok->setDefault(c.hasDefault);
        ok->setEnabled(c.enabled);
        QSignalSpy hiddenClicks(hidden, &QPushButton::clicked);
        QSignalSpy otherClicks(other, &QPushButton::clicked);
        QSignalSpy okClicks(ok, &QPushButton::clicked);
        dialog.show();
        QTest::keyClick(&dialog, c.key, c.modifiers);
        EXPECT_EQ(okClicks.count(), c.clicks) << c.what;
        EXPECT_EQ(otherClicks.count() + hiddenClicks.count(), 0) << c.what;
        EXPECT_TRUE(dialog.isVisible()) << c.what;
    }
}

TEST(ZRDialog, ArrowsMoveTheFocusUnlessTheFocusWidgetTakesStrongFocus) {
    ZRDialog dialog;
    dialog.resize(200, 100);
    auto* first = new ZRPushButton(QStringLiteral("One"), &dialog);
    auto* second = new ZRPushButton(QStringLiteral("Two"), &dialog);
    first->setFocusPolicy(Qt::TabFocus);
    second->setFocusPolicy(Qt::TabFocus);
    auto* edit = new QLineEdit(&dialog);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));

    first->setFocus();
    QTest::keyClick(&dialog, Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), second);
    QTest::keyClick(&dialog, Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), first);

    edit->setFocus();
    edit->setText(QStringLiteral("abc"));
    QTest::keyClick(edit, Qt::Key_Left);
    QTest::keyClick(&dialog, Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), edit);
    EXPECT_EQ(edit->cursorPosition(), 2);
}

TEST(ZRDialog, AKnownWindowUnderTheDialogShowsThroughTheShadow) {
    useDefaultSkin();
    QWidget under;
    under.setAutoFillBackground(true);
    QPalette p = under.palette();
    p.setColor(QPalette::Window, QColor(220, 20, 20));
    under.setPalette(p);
    under.setGeometry(50, 50, 400, 300);
    under.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&under));

    ZRDialog dialog;
    dialog.setGeometry(100, 100, 160, 100);
    QPalette grey = dialog.palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    dialog.setPalette(grey);
    dialog.grabScreenBackground();
    dialog.show();
    ASSERT_FALSE(dialog.backgroundCopy().isNull());
    const QImage shown = dialog.grab().toImage();
    ASSERT_EQ(shown.size(), QSize(160, 100));
    const QRgb corner = shown.pixel(0, 0);
    const QRgb middle = shown.pixel(80, 50);
    EXPECT_GT(qRed(corner), 150);
    EXPECT_LT(qGreen(corner), 60);
    EXPECT_GT(qRed(middle), qGreen(middle) + 20) << "red shows through the shadow's middle";
    EXPECT_EQ(qGreen(middle), qBlue(middle));

    // Without a copy the dialog's own colour lies under the shadow.
    ZRDialog plain;
    plain.setGeometry(100, 100, 160, 100);
    plain.setPalette(grey);
    plain.show();
    const QRgb flat = plain.grab().toImage().pixel(80, 50);
    EXPECT_EQ(qRed(flat), qGreen(flat));
    EXPECT_EQ(plain.grab().toImage(), plain.grab().toImage());
}
