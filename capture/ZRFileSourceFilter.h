#pragma once

#include "capture/ZRFilterBase.h"

#include <QString>

/// "dshow file source filter": reads a file for a playback: a ".ovl" DV segment list through
/// the engine's multi-file reader, else the maker's, else (both missing) the ".avi" file of the
/// same base name; any other file through the "Async File Reader"; then "AVI Split". Output
/// pins 0 and 1 are the splitter's video and sound.
/// Thread-safety: GUI thread only.
class ZRFileSourceFilter : public ZRFilterBase {
    Q_OBJECT
public:
    explicit ZRFileSourceFilter(ZRGraphBase* graph);
    ~ZRFileSourceFilter() override;

    void setFileName(const QString& path) { m_path = path; }
    /// The file actually read (after a fall-through to ".avi").
    const QString& fileName() const { return m_path; }
    ZRGraphBase::Filter source() const { return m_source; }

    ZRGraphPin* outputPin(int index) override;
    ZRGraphResult addFilters() override;
    ZRGraphResult connectInternal() override;
    ZRGraphResult teardown() override;
    ZRGraphResult removeFilters() override;

private:
    QString m_path;
    ZRGraphBase::Filter m_source = 0;
    ZRGraphBase::Filter m_splitter = 0;
};
