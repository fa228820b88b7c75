#include "classes/dialogs/ZRFileDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// What the dialog showed when it came up.
struct DialogSeen {
    bool shown = false;
    QString title;
    QString directory;
    QStringList selected;
    QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptOpen;
    QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
    bool confirmsOverwrite = true;
    QStringList filterLabels;
};

// Once the modal file dialog is up, records it into `seen` and runs `act` on it.
void pollForDialog(std::shared_ptr<DialogSeen> seen, std::function<void(QFileDialog*)> act,
                   int tries) {
    QTimer::singleShot(0, [seen, act, tries] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            if (tries > 0) pollForDialog(seen, act, tries - 1);
            return;
        }
        seen->shown = true;
        seen->title = dialog->windowTitle();
        seen->directory = dialog->directory().absolutePath();
        seen->selected = dialog->selectedFiles();
        seen->acceptMode = dialog->acceptMode();
        seen->fileMode = dialog->fileMode();
        seen->confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        if (auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
            for (int i = 0; i < combo->count(); ++i)
                seen->filterLabels.append(combo->itemText(i));
        act(dialog);
    });
}

std::shared_ptr<DialogSeen> onDialog(std::function<void(QFileDialog*)> act) {
    auto seen = std::make_shared<DialogSeen>();
    pollForDialog(seen, std::move(act), 100);
    return seen;
}

void touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

} // namespace

TEST(ZRFileDialog, StartFolderOpensThereWithNoName) {
    QTemporaryDir dir;
    touch(dir.filePath(QStringLiteral("clip.avi")));
    ZRFileDialog files(nullptr, true);
    auto seen = onDialog([&](QFileDialog* d) {
        d->selectFile(dir.filePath(QStringLiteral("clip.avi")));
        static_cast<QDialog*>(d)->accept();
    });
    const QString chosen =
        files.getFileName(QStringLiteral("Open clip"), dir.path(),
                          QStringLiteral("Video (*.avi *.mpg);;All Files (*.*)"));
    ASSERT_TRUE(seen->shown);
    EXPECT_EQ(seen->title, QStringLiteral("Open clip"));
    EXPECT_EQ(seen->directory, QDir(dir.path()).absolutePath());
    EXPECT_EQ(seen->acceptMode, QFileDialog::AcceptOpen);
    EXPECT_EQ(seen->fileMode, QFileDialog::ExistingFile);
    EXPECT_EQ(seen->filterLabels, (QStringList{QStringLiteral("Video (*.avi *.mpg)"),
                                               QStringLiteral("All Files (*.*)")}));
    EXPECT_EQ(chosen, dir.filePath(QStringLiteral("clip.avi")));
}

TEST(ZRFileDialog, SaveFillsInTheNameAndAsksNoOverwriteQuestion) {
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("project.zrs"));
    touch(existing);
    ZRFileDialog files(nullptr, false);
    auto seen = onDialog([](QFileDialog* d) { static_cast<QDialog*>(d)->accept(); });
    const QString chosen = files.getFileName(QStringLiteral("Save"), existing, QString());
    ASSERT_TRUE(seen->shown);
    EXPECT_EQ(seen->acceptMode, QFileDialog::AcceptSave);
    EXPECT_FALSE(seen->confirmsOverwrite);
    EXPECT_EQ(seen->directory, QDir(dir.path()).absolutePath());
    EXPECT_EQ(seen->selected, QStringList{existing});
    EXPECT_EQ(chosen, existing);
}

TEST(ZRFileDialog, CancelAnswersNullOrEmpty) {
    QTemporaryDir dir;
    ZRFileDialog files(nullptr, true);
    auto first = onDialog([](QFileDialog* d) { d->reject(); });
    EXPECT_TRUE(files.getFileName(QString(), dir.path(), QString()).isNull());
    auto second = onDialog([](QFileDialog* d) { d->reject(); });
    EXPECT_TRUE(files.getFileNames(QString(), dir.path(), QString()).isEmpty());
    auto third = onDialog([](QFileDialog* d) { d->reject(); });
    EXPECT_TRUE(ZRFileDialog::getExistingDirectory(dir.path()).isNull());
    EXPECT_TRUE(first->shown && second->shown && third->shown);
}

TEST(ZRFileDialog, SeveralFilesAnswerFullPaths) {
    QTemporaryDir dir;
    QStringList names;
    for (const char* name : {"a.avi", "b.avi", "c.avi"}) {
        names.append(dir.filePath(QString::fromLatin1(name)));
        touch(names.last());
    }
    ZRFileDialog files(nullptr, true);
    auto seen = onDialog([&](QFileDialog* d) {
        d->selectFile(QStringLiteral("\"a.avi\" \"b.avi\" \"c.avi\""));
        static_cast<QDialog*>(d)->accept();
    });
    const QStringList chosen = files.getFileNames(QStringLiteral("Add clips"),
                                                  dir.path() + QStringLiteral("/"), QString());
    ASSERT_TRUE(seen->shown);
    EXPECT_EQ(seen->fileMode, QFileDialog::ExistingFiles);
    EXPECT_EQ(seen->directory, QDir(dir.path()).absolutePath());
    EXPECT_EQ(chosen, names);
}

TEST(ZRFileDialog, FolderChooserHasItsDefaultCaption) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("media")));
    const QString media = QDir(dir.path()).absoluteFilePath(QStringLiteral("media"));
    auto seen = onDialog([](QFileDialog* d) { static_cast<QDialog*>(d)->accept(); });
    const QString chosen = ZRFileDialog::getExistingDirectory(media);
    ASSERT_TRUE(seen->shown);
    EXPECT_EQ(seen->title, QStringLiteral("Select a Directory"));
    EXPECT_EQ(seen->fileMode, QFileDialog::Directory);
    EXPECT_EQ(chosen, media);

    auto captioned = onDialog([](QFileDialog* d) { d->reject(); });
    ZRFileDialog::getExistingDirectory(media, nullptr, nullptr, QStringLiteral("Capture folder"));
    EXPECT_EQ(captioned->title, QStringLiteral("Capture folder"));
}
