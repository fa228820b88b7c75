#include "capture/ZRDVPathMakers.h"

#include "capture/ZRGraphFactory.h"
#include "capture/ZRWDMCapturePath.h"
#include "capture/ZRWDMPlaybackPath.h"

namespace zrcapture {

void registerDVPathMakers() {
    ZRGraphFactory::registerPathMaker(ZRWDMCapturePath::kKind,
                                      [](ZRGraphBase* graph) -> std::unique_ptr<ZRFilterPathBase> {
                                          return std::make_unique<ZRWDMCapturePath>(graph);
                                      });
    ZRGraphFactory::registerPathMaker(ZRWDMPlaybackPath::kKind,
                                      [](ZRGraphBase* graph) -> std::unique_ptr<ZRFilterPathBase> {
                                          return std::make_unique<ZRWDMPlaybackPath>(graph);
                                      });
}

} // namespace zrcapture
