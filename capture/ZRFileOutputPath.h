#pragma once

#include "capture/ZRFilterBase.h"

#include <QPointer>
#include <QString>
#include <QWidget>

class ZRSmartTeeFilter;
class ZRPreviewFilter;

/// "dshow file output partial path": upstream A and B through a smart tee to a preview (tee
/// outputs 2 and 3) and to a file sink (tee outputs 0 and 1). Built by `connectInternal`, each
/// child in order through addFilters, prepare, connectInternal and the pin lookup, stopping at
/// the first failure; `teardown` undoes them in reverse order.
/// Thread-safety: GUI thread only.
class ZRFileOutputPath : public ZRFilterBase {
    Q_OBJECT
public:
    ZRFileOutputPath(ZRGraphBase* graph, ZRFilterBase* upstreamA, int indexA,
                     ZRFilterBase* upstreamB, int indexB);
    ~ZRFileOutputPath() override;

    void setFileName(const QString& path) { m_file = path; }
    void setSplitLimit(long kilobytes) { m_splitLimit = kilobytes; }
    void setSceneSplit(bool on) { m_sceneSplit = on; }
    void setVideoWidget(QWidget* widget) { m_widget = widget; }

    ZRSmartTeeFilter* tee() const { return m_tee; }
    ZRPreviewFilter* preview() const { return m_preview; }
    /// The device or file end (the file sink here).
    ZRFilterBase* end() const { return m_end; }

    ZRGraphResult connectInternal() override;
    ZRGraphResult teardown() override;

protected:
    ZRFileOutputPath(ZRGraphBase* graph, const char* name, ZRFilterBase* upstreamA, int indexA,
                     ZRFilterBase* upstreamB, int indexB);
    /// The end the tee's capture outputs feed.
    virtual ZRFilterBase* makeEnd();
    /// Runs the four build steps of `child`.
    ZRGraphResult build(ZRFilterBase* child);

    QString m_file;
    long m_splitLimit = 0;
    bool m_sceneSplit = false;
    QPointer<QWidget> m_widget;
    ZRSmartTeeFilter* m_tee = nullptr;
    ZRPreviewFilter* m_preview = nullptr;
    ZRFilterBase* m_end = nullptr;
};

/// "dshow wdm output partial path": as the file output path, but its end is a
/// `ZRWDMCaptureFilter` for the device `setDeviceName` names, which becomes the graph's
/// reference clock when its family mask has bit 2.
class ZRWDMOutputPath : public ZRFileOutputPath {
    Q_OBJECT
public:
    ZRWDMOutputPath(ZRGraphBase* graph, ZRFilterBase* upstreamA, int indexA,
                    ZRFilterBase* upstreamB, int indexB);

    void setDeviceName(const QString& part) { m_device = part; }
    ZRGraphResult connectInternal() override;

protected:
    ZRFilterBase* makeEnd() override;

private:
    QString m_device;
};
