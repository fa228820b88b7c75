#include "editor/ZRAppState.h"

#include <QMenuBar>
#include <QWidget>

namespace {

void setEnabled(QWidget* widget, bool enable) {
    if (widget) widget->setEnabled(enable);
}

// Hands a trimmer the object to trim; a trimmer shows an object only while enabled.
void showInTrimmer(QWidget* trimmer, IZRObject* object) {
    if (!trimmer) return;
    trimmer->setEnabled(true);
    if (auto* panel = dynamic_cast<ZRAppState::TrimmerPanel*>(trimmer)) panel->showObject(object);
}

} // namespace

void ZRAppState::Hub::addBrowserFile(const QString&, const QString&, int) {}

QString ZRAppState::Hub::selectedBrowserFile() {
    return QString();
}

void ZRAppState::Hub::exportProgress(IZRPos*, bool) {}

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
    if (hub) hub->addBrowserFile(folder, path, kind);
}

QString ZRAppState::selectedBrowserFile() const {
    return hub ? hub->selectedBrowserFile() : QString();
}

void ZRAppState::setModified(bool on) {
    modified = on;
    if (hub) hub->setMenuItemEnabled(kSaveMenuItem, on);
}

ZRAppState& appState() {
    static ZRAppState state;
    return state;
}
