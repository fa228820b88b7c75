#pragma once

// The engine and a settings file of its own, as the main window and the pages use them: the
// screenshot tools' session.

#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"
#include "editor/ZRCallbacks.h"
#include "engine/api/IZRTimeline.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QTemporaryDir>

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

} // namespace shots
