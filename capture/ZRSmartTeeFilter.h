#pragma once

#include "capture/ZRFilterBase.h"

/// "dshow smart tee filter": one Smart Tee for an interleaved DV stream ("SmartTee iavs"), or
/// one for video ("SmartTee vids") and one for sound ("SmartTee auds"), fed by upstream A and
/// B. Output pins: 0 and 1 the capture outputs of the first and second stream, 2 (also 10) and
/// 3 (also 11) their preview outputs.
/// Thread-safety: GUI thread only.
class ZRSmartTeeFilter : public ZRFilterBase {
    Q_OBJECT
public:
    ZRSmartTeeFilter(ZRGraphBase* graph, ZRFilterBase* upstreamA, int indexA,
                     ZRFilterBase* upstreamB, int indexB);
    ~ZRSmartTeeFilter() override;

    /// The stream type `filter` gives at output `index` (empty: none).
    static std::string streamTypeOf(ZRFilterBase* filter, int index);

    ZRGraphPin* inputPin(int index) override;
    ZRGraphPin* outputPin(int index) override;
    ZRGraphResult addFilters() override;
    ZRGraphResult connectInternal() override;
    ZRGraphResult teardown() override;
    ZRGraphResult removeFilters() override;

private:
    ZRGraphBase::Filter m_tees[2] = {0, 0};
};
