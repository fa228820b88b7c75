// The production pages and dialogs in the states worth a look: the profile dialog on DVD and
// PAL, the bit-rate warning, and the produce page's profile area on the built-in "MPEG-II DVD
// PAL" and on a user profile derived from it.
// `produceshot --screenshot <prefix>` saves <prefix>-<state>.png for each state and quits (for
// xvfb-run); without it the first state stays on screen. The settings file is a temporary one:
// nothing of the user's is read or written.

#include "editor/ZRAppState.h"
#include "editor/ZRCallbacks.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/ZRSkinStyle.h"
#include "common/config/QConfig.h"
#include "engine/api/IZRTimeline.h"
#include "output/BPSWarning.h"
#include "output/ZRExportView.h"
#include "output/ZRProfileDialog.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLineEdit>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

// The engine and a settings file of its own for the produce page.
struct Session {
    QTemporaryDir folder;
    IZRCallbacks callbacks{};
    IZRTimeline* timeline = nullptr;

    Session() {
        fillCallbacks(callbacks);
        const QByteArray base = QCoreApplication::applicationDirPath().toUtf8() + '/';
        timeline = IZRCreateTimelineInstance(&callbacks, base.constData(), 0);
        appState().timeline = timeline;
        appState().setSettings(new QConfig(QConfig::Flavour::Program,
                                           folder.filePath(QStringLiteral("clipstead.ini"))),
                               [](QConfig* c) { delete c; });
    }
    ~Session() {
        appState().setSettings(nullptr, nullptr);
        appState().timeline = nullptr;
        if (timeline) IZRDeleteTimelineInstance(timeline);
    }
};

std::unique_ptr<QWidget> profileDialog(Session&) {
    auto dialog = std::make_unique<ZRProfileDialog>(nullptr, "zrprofiledialog");
    dialog->slotSetProfile(ZRProfileDialog::DVD);
    dialog->slotSetStandard(0);
    dialog->slotSelectText(ZRProfileDialog::DVD);
    return dialog;
}

std::unique_ptr<QWidget> bitrateWarning(Session&) {
    return std::make_unique<BPSWarning>(nullptr, nullptr, true);
}

std::unique_ptr<ZRExportView> producePage(Session& session) {
    auto page = std::make_unique<ZRExportView>(nullptr, "ZRExportView");
    page->resize(760, 240);
    page->setCaption(QStringLiteral("Produce"));
    page->setTimeline(session.timeline);
    page->profileBox()->setCurrentIndex(ZRExportProfiles::kDvdPal);
    page->slotFormatActivated(ZRExportProfiles::kDvdPal);
    return page;
}

std::unique_ptr<QWidget> dvdProfile(Session& session) {
    return producePage(session);
}

// A width typed over the built-in DVD profile derives a user profile; selected again, it shows
// without the bit rates, which belong to the two built-in DVD entries.
std::unique_ptr<QWidget> userProfile(Session& session) {
    std::unique_ptr<ZRExportView> page = producePage(session);
    page->widthBox()->lineEdit()->setText(QStringLiteral("704"));
    const int derived = page->profileBox()->count() - 1;
    page->slotFormatActivated(derived);
    return page;
}

struct State {
    const char* name;
    std::function<std::unique_ptr<QWidget>(Session&)> make;
};

const State kStates[] = {
    {"profiledialog", profileDialog},
    {"bpswarning", bitrateWarning},
    {"profile-dvd", dvdProfile},
    {"profile-user", userProfile},
};

std::unique_ptr<QWidget> showState(const State& state, Session& session) {
    std::unique_ptr<QWidget> widget = state.make(session);
    widget->show();
    QCoreApplication::processEvents();
    return widget;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser options;
    options.addHelpOption();
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Save <prefix>-<state>.png for every state and quit."),
        QStringLiteral("prefix"));
    options.addOption(screenshot);
    options.process(app);

    preloadSkins();
    QApplication::setStyle(new ZRSkinStyle);
    int result = 0;
    {
        Session session;
        if (!session.timeline) {
            std::fprintf(stderr, "produceshot: no timeline\n");
            result = 1;
        } else if (options.isSet(screenshot)) {
            const QString prefix = options.value(screenshot);
            for (const State& s : kStates) {
                std::unique_ptr<QWidget> widget = showState(s, session);
                const QString path =
                    prefix + QLatin1Char('-') + QLatin1String(s.name) + QStringLiteral(".png");
                if (!widget->grab().save(path)) {
                    std::fprintf(stderr, "produceshot: could not save %s\n", qPrintable(path));
                    result = 1;
                }
            }
        } else {
            std::unique_ptr<QWidget> widget = showState(kStates[0], session);
            result = QApplication::exec();
        }
    }
    releaseSkins();
    return result;
}
