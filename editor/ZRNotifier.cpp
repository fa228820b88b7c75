#include "editor/ZRNotifier.h"

#include "editor/ZRAppState.h"

#include <QMessageBox>

namespace {

class MessageBoxNotifier : public ZRNotifier {
public:
    void critical(const QString& caption, const QString& text) override {
        QMessageBox::critical(appState().mainWindow, caption, text, QMessageBox::Ok);
    }
};

MessageBoxNotifier gMessageBoxes;
ZRNotifier* gInstalled = nullptr;

} // namespace

ZRNotifier& ZRNotifier::current() {
    return gInstalled ? *gInstalled : gMessageBoxes;
}

ZRNotifier* ZRNotifier::install(ZRNotifier* notifier) {
    ZRNotifier* before = gInstalled;
    gInstalled = notifier;
    return before;
}
