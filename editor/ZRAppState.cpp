#include "editor/ZRAppState.h"

#include "browser/ZRBrowserIconView.h"
#include "browser/ZRSBBrowser.h"
#include "views/ZRSBTrimmer.h"

#include <QMenuBar>
#include <QTabBar>
#include <QWidget>

namespace {

void setEnabled(QWidget* widget, bool enable) {
    if (widget) widget->setEnabled(enable);
}

// Hands a trimmer the object to trim; a trimmer shows an object only while enabled.
void showInTrimmer(QWidget* trimmer, IZRObject* object) {
    if (!trimmer) return;
    trimmer->setEnabled(true);
    if (auto* t = qobject_cast<ZRSBTrimmer*>(trimmer)) t->updateObject(object, nullptr);
}

} // namespace

ZRAppState::ZRAppState() = default;

ZRAppState::~ZRAppState() = default;

void ZRAppState::setSettings(QConfig* settings, void (*deleter)(QConfig*)) {
    m_settings = std::unique_ptr<QConfig, ZRSettingsDeleter>(settings, ZRSettingsDeleter{deleter});
}

void ZRAppState::setComponentsEnabled(bool enable, unsigned mask) {
    const bool all = mask & AllComponents;
    if (all || (mask & ModeButtons)) {
        for (QWidget* button : {captureButton.data(), editButton.data(), produceButton.data()})
            setEnabled(button, enable);
    }
    if (all || (mask & Browser)) setEnabled(browser, enable);
    if (all || (mask & Storyboard)) setEnabled(storyboard, enable);
    if (all || (mask & MenuBar)) setEnabled(menuBar, enable);
    if (all || (mask & Trimmers)) {
        if (!enable) {
            setEnabled(trimmerLeft, false);
            setEnabled(trimmerRight, false);
        } else if (IZRObject* object = hub ? hub->currentObject() : nullptr) {
            showInTrimmer(trimmerLeft, object);
            showInTrimmer(trimmerRight, object);
        }
    }
}

void ZRAppState::addBrowserFile(const QString& folder, const QString& path, int kind) {
    if (!browser) return;
    browser->clipView()->addFile(folder, path, kind);
    browser->tabBar()->setCurrentIndex(0);
    browser->selectTab(0);
}

QString ZRAppState::selectedBrowserFile() const {
    return browser ? browser->clipView()->selectedFilePath() : QString();
}

void ZRAppState::setModified(bool on) {
    modified = on;
    if (hub) hub->setMenuItemEnabled(kSaveMenuItem, on);
}

ZRAppState& appState() {
    static ZRAppState state;
    return state;
}
