#pragma once

#include "capture/ZRFilterBase.h"

#include <QString>

/// "dshow file sink filter": writes upstream A's stream to the target file, the sink chosen
/// by the target's extension (compared in lower case): "ovl" and "avi" the engine's
/// "ZR DV SceneSplit MultiFile Writer" behind an "AVI Mux" (for "ovl" the written name gets
/// ".avi"; the writer makes the segments and the list), "mpg", "mpeg", "dv" and "dif" the
/// "Dump", "mvl" the maker's "Orvand MVL MultiFile Writer" (the written name gets ".mpg"); any
/// other extension, or no writer to be had, no sink and the line "TERMINAL: connectInternal:
/// no file sink found after several tries".
/// Thread-safety: GUI thread only.
class ZRFileSinkFilter : public ZRFilterBase {
    Q_OBJECT
public:
    ZRFileSinkFilter(ZRGraphBase* graph, ZRFilterBase* upstreamA, int indexA,
                     ZRFilterBase* upstreamB, int indexB);
    ~ZRFileSinkFilter() override;

    void setFileName(const QString& path) { m_target = path; }
    /// Kilobytes a segment may grow to (0: no limit), and scene split, for the DV writer.
    void setSplitLimit(long kilobytes) { m_splitLimit = kilobytes; }
    void setSceneSplit(bool on) { m_sceneSplit = on; }
    /// The name the sink writes under (empty before `addFilters`).
    const QString& writtenName() const { return m_written; }
    ZRGraphBase::Filter sink() const { return m_sink; }
    ZRGraphBase::Filter aviMux() const { return m_mux; }

    ZRGraphResult addFilters() override;
    ZRGraphResult connectInternal() override;
    ZRGraphResult teardown() override;
    ZRGraphResult removeFilters() override;

private:
    bool addWriter(const char* file, const char* clsid, const char* name);

    QString m_target;
    QString m_written;
    long m_splitLimit = 0;
    bool m_sceneSplit = false;
    ZRGraphBase::Filter m_sink = 0;
    ZRGraphBase::Filter m_mux = 0;
};
