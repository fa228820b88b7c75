#pragma once

#include "platform/graph/ZRDeviceRegistry.h"
#include "platform/playback/ZRNullOutput.h"
#include "platform/playback/ZRPreviewOutput.h"
#include "platform/v4l2/ZRV4l2Backend.h"

#include <memory>
#include <string>
#include <vector>

/// The simulated capture cards of the capture tests: a backend in the registry for the scope,
/// and readers of what a capture wrote.
namespace cardtest {

class SimulatedCards {
public:
    SimulatedCards() : backend(std::make_shared<zrv4l2::ZRSimulatedBackend>()) {
        ZRDeviceRegistry::instance().add(backend);
        // The preview's sound goes nowhere, at once: no test needs a sound card or waits for one.
        zrSetPreviewOutputFactory([] { return std::make_unique<ZRNullOutput>(nullptr); });
    }
    ~SimulatedCards() {
        zrSetPreviewOutputFactory({});
        ZRDeviceRegistry::instance().remove(backend.get());
    }
    SimulatedCards(const SimulatedCards&) = delete;
    SimulatedCards& operator=(const SimulatedCards&) = delete;
    std::shared_ptr<zrv4l2::ZRSimulatedBackend> backend;
};

/// What an AVI file holds: the frame numbers its pictures show, in order, and its durations.
struct AviContents {
    std::vector<int64_t> frameNumbers;
    double videoSeconds = 0;
    double audioSeconds = 0;
    int audioStreams = 0;
    std::string videoCodec;
};
AviContents readAvi(const std::string& path);

/// The position of the moving bar in each picture of the MPEG files, in order (-1 where none).
std::vector<int> barPositions(const std::vector<std::string>& files);

} // namespace cardtest
