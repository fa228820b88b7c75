#pragma once

// The engine and a settings file of its own, as the main window and the pages use them: the
// screenshot tools' session.

#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRSkinStyle.h"
#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"
#include "editor/ZRCallbacks.h"
#include "engine/api/IZRTimeline.h"
#include "tools/shots/ShotRun.h"

#include <QApplication>
#include <QByteArray>
#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>

namespace shots {

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
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
};

/// The skins preloaded and the skin style set, a session made, then `run` over the states with
/// `show(state, session)`; the skins released after. 1 when the engine cannot be made.
template <typename States, typename Show>
int runInSession(const char* tool, const Options& options, const States& states, Show show) {
    preloadSkins();
    QApplication::setStyle(new ZRSkinStyle);
    int result = 1;
    {
        Session session;
        if (!session.timeline)
            std::fprintf(stderr, "%s: no timeline\n", tool);
        else
            result =
                run(tool, options, states, [&](const auto& state) { return show(state, session); });
    }
    releaseSkins();
    return result;
}

} // namespace shots
