#include "output/BPSWarning.h"
#include "output/Wren80Warning.h"
#include "tests/support/GuiApplication.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextLayout>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Runs `dialog` modally, ticks its check box when `tick`, clicks `button` inside the loop;
// answers what exec returned.
int runAndClick(QDialog& dialog, QCheckBox* box, bool tick, QPushButton* button) {
    QTimer::singleShot(0, &dialog, [=] {
        if (tick) QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
        QTest::mouseClick(button, Qt::LeftButton);
    });
    return dialog.exec();
}

TEST(WarningForms, BitRateWarningAnswersAndLeavesTheCheckBoxToTheCaller) {
    testsupport::guiApplication();
    struct Case {
        bool yes, tick;
        int result;
    };
    for (const Case& c :
         {Case{true, false, QDialog::Accepted}, Case{false, true, QDialog::Rejected},
          Case{true, true, QDialog::Accepted}}) {
        BPSWarning warning(nullptr, nullptr, true);
        EXPECT_EQ(warning.objectName(), QStringLiteral("BPSWarning"));
        EXPECT_EQ(warning.size(), QSize(300, 140));
        EXPECT_EQ(warning.windowTitle(), QStringLiteral("Clipstead 5"));
        EXPECT_TRUE(warning.m_buttonYes->isDefault());
        EXPECT_EQ(runAndClick(warning, warning.m_checkBox, c.tick,
                              c.yes ? warning.m_buttonYes : warning.m_buttonNo),
                  c.result);
        EXPECT_EQ(warning.m_checkBox->isChecked(), c.tick);
    }
    BPSWarning named(nullptr, "mine");
    EXPECT_EQ(named.objectName(), QStringLiteral("mine"));
    // The message reads as written; only its bit rate is joined to stay on one line.
    QString shown = named.m_label->text();
    shown.remove(QChar(0x2060)).replace(QChar(0x00A0), QLatin1Char(' '));
    EXPECT_EQ(shown, QStringLiteral("Discwright supports video settings of 8 Mbit/s or less.\nDo "
                                    "you wish to continue with this setting?"));
    EXPECT_EQ(named.m_checkBox->geometry(), QRect(10, 110, 280, 21));
    EXPECT_EQ(named.m_checkBox->text(), QStringLiteral("Don't Show Me This Message Again"));
}

TEST(WarningForms, SplitWarningHasOneOkButton) {
    testsupport::guiApplication();
    Wren80Warning warning(nullptr, nullptr, true);
    EXPECT_EQ(warning.objectName(), QStringLiteral("Wren80Warning"));
    EXPECT_EQ(warning.maximumSize(), QSize(300, 140));
    EXPECT_TRUE(warning.m_label->wordWrap());
    EXPECT_TRUE(warning.m_label->text().startsWith(
        QStringLiteral("The selected video capture device does not support the File Split")));
    EXPECT_EQ(runAndClick(warning, warning.m_checkBox, true, warning.m_buttonOK),
              QDialog::Accepted);
    EXPECT_TRUE(warning.m_checkBox->isChecked());
}

} // namespace

// The label wraps the long first line: between words, never inside "8 Mbit/s".
TEST(WarningForms, BitRateWarningWrapsBeforeTheBitRate) {
    testsupport::guiApplication();
    BPSWarning warning(nullptr, nullptr);
    const QLabel* label = warning.m_label;
    QStringList lines;
    for (const QString& paragraph : label->text().split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, label->font());
        QTextOption option;
        option.setWrapMode(QTextOption::WordWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(label->contentsRect().width());
            lines << paragraph.mid(line.textStart(), line.textLength()).trimmed();
        }
        layout.endLayout();
    }
    ASSERT_GT(lines.size(), 2) << "the first line no longer needs wrapping";
    bool whole = false;
    for (QString line : lines) {
        line.remove(QChar(0x2060)).replace(QChar(0x00A0), QLatin1Char(' '));
        EXPECT_FALSE(line.endsWith(QLatin1Char('/'))) << qPrintable(line);
        whole = whole || line.contains(QStringLiteral("8 Mbit/s"));
    }
    EXPECT_TRUE(whole) << qPrintable(lines.join(QLatin1Char('|')));
}
