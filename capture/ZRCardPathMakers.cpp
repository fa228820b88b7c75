#include "capture/ZRCardPathMakers.h"

#include "capture/ZRCirrusDVRCapPath.h"
#include "capture/ZRGraphFactory.h"
#include "capture/ZRKestrelCapPath.h"
#include "capture/ZRPlaybackPaths.h"
#include "capture/ZRTunerDialog.h"
#include "capture/ZRWDMCapPath.h"
#include "platform/v4l2/ZRV4l2CaptureNode.h"

#include <QPointer>
#include <QWidget>

namespace zrcapture {

namespace {

// The dialog works on the card's node, which lives no longer than the path: it closes with the
// path, before anything could reach the node through it.
void openTunerDialog(ZRCardPathBase* path, int code) {
    ZRV4l2CaptureNode* node = path->deviceNode();
    if (!node || !node->hasTuner()) return;
    QWidget* parent = path->videoWidget() ? path->videoWidget()->window() : nullptr;
    auto* dialog = new ZRTunerDialog(node, code, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(path, &QObject::destroyed, dialog, [dialog] {
        dialog->hide();
        dialog->deleteLater();
    });
    dialog->show();
}

template <class Path> ZRPathMaker cardMaker() {
    return [](ZRGraphBase* graph) -> std::unique_ptr<ZRFilterPathBase> {
        auto path = std::make_unique<Path>(graph);
        if constexpr (requires { &Path::propertyDialogRequested; }) {
            Path* p = path.get();
            QObject::connect(p, &Path::propertyDialogRequested, p,
                             [p](int code) { openTunerDialog(p, code); });
        }
        return path;
    };
}

} // namespace

void registerCardPathMakers() {
    ZRGraphFactory::registerPathMaker(ZRGraphFactory::WDMCap, cardMaker<ZRWDMCapPath>());
    ZRGraphFactory::registerPathMaker(ZRGraphFactory::Wren80Capture, cardMaker<ZRWren80CapPath>());
    ZRGraphFactory::registerPathMaker(ZRGraphFactory::Kestrel200Capture,
                                      cardMaker<ZRKestrel200CapPath>());
    ZRGraphFactory::registerPathMaker(ZRGraphFactory::Kestrel250Capture,
                                      cardMaker<ZRKestrel250CapPath>());
    ZRGraphFactory::registerPathMaker(ZRGraphFactory::CirrusCapture,
                                      cardMaker<ZRCirrusDVRCapPath>());
    ZRGraphFactory::registerPathMaker(ZRGraphFactory::Kestrel200Playback,
                                      cardMaker<ZRKestrel200PBPath>());
    ZRGraphFactory::registerPathMaker(ZRGraphFactory::Kestrel250Playback,
                                      cardMaker<ZRKestrel250PBPath>());
    ZRGraphFactory::registerPathMaker(ZRGraphFactory::CirrusPlayback,
                                      cardMaker<ZRCirrusDVRPBPath>());
}

} // namespace zrcapture
