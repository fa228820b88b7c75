#include "app/ZRScriptFileRequester.h"
#include "tests/support/GuiApplication.h"

#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// Once the modal file dialog is up, runs `act` on it; `seen` tells whether it came.
void onFileDialog(std::shared_ptr<bool> seen, std::function<void(QFileDialog*)> act,
                  int tries = 200) {
    QTimer::singleShot(0, [seen, act, tries] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            if (tries > 0) onFileDialog(seen, act, tries - 1);
            return;
        }
        *seen = true;
        act(dialog);
    });
}

class ScriptFileRequester : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::guiApplication();
        ASSERT_TRUE(folder.isValid());
        path = folder.filePath(QStringLiteral("clip \u00e9.avi"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    void choose(QFileDialog* dialog) const {
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept();
    }

    QTemporaryDir folder;
    QString path;
};

} // namespace

TEST_F(ScriptFileRequester, AnswersTheChosenFileAsAnOpenDialogShowsIt) {
    auto seen = std::make_shared<bool>(false);
    QFileDialog::AcceptMode mode = QFileDialog::AcceptSave;
    onFileDialog(seen, [&](QFileDialog* dialog) {
        mode = dialog->acceptMode();
        choose(dialog);
    });
    std::vector<char> buffer(4097, 'x');
    ASSERT_TRUE(requestScriptFile(buffer.data(), buffer.size()));
    EXPECT_TRUE(*seen);
    EXPECT_EQ(QFile::decodeName(buffer.data()), path);
    EXPECT_EQ(mode, QFileDialog::AcceptOpen);
}

TEST_F(ScriptFileRequester, CancelledOrTooLongIsNoAnswer) {
    auto seen = std::make_shared<bool>(false);
    onFileDialog(seen, [](QFileDialog* dialog) { dialog->reject(); });
    char buffer[4096];
    EXPECT_FALSE(requestScriptFile(buffer, sizeof buffer));
    EXPECT_TRUE(*seen);
    EXPECT_STREQ(buffer, "");

    // The path and its terminator need one byte more than this.
    const size_t fits = size_t(QFile::encodeName(path).size());
    onFileDialog(seen, [this](QFileDialog* dialog) { choose(dialog); });
    std::vector<char> small(fits, 'x');
    EXPECT_FALSE(requestScriptFile(small.data(), small.size()));
    EXPECT_EQ(small[0], '\0');
}

TEST_F(ScriptFileRequester, OtherThreadsAreAnsweredWithoutADialog) {
    bool answered = true;
    char buffer[64] = "x";
    std::thread worker([&] { answered = requestScriptFile(buffer, sizeof buffer); });
    worker.join();
    EXPECT_FALSE(answered);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
