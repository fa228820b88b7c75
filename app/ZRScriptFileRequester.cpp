#include "app/ZRScriptFileRequester.h"

#include "classes/dialogs/ZRFileDialog.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <cstring>

bool requestScriptFile(char* buffer, size_t size) {
    if (!buffer || size == 0) return false;
    buffer[0] = '\0';
    const QCoreApplication* application = QCoreApplication::instance();
    if (!application || QThread::currentThread() != application->thread()) return false;
    ZRFileDialog dialog(nullptr, true);
    const QString chosen = dialog.getFileName(QString(), QString(), QString());
    if (chosen.isEmpty()) return false;
    const QByteArray path = QFile::encodeName(chosen);
    if (size_t(path.size()) + 1 > size) return false;
    std::memcpy(buffer, path.constData(), size_t(path.size()) + 1);
    return true;
}
