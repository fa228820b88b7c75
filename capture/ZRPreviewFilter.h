#pragma once

#include "capture/ZRFilterBase.h"

#include <QPointer>
#include <QWidget>

/// "dshow preview filter": the preview of upstream A's stream. An interleaved DV stream goes
/// through "DV Split" and "DV Video Dec", a DV video stream through "DV Video Dec", to the
/// "Video Renderer", whose window is shown in the video widget when one is set.
/// Thread-safety: GUI thread only.
class ZRPreviewFilter : public ZRFilterBase {
    Q_OBJECT
public:
    ZRPreviewFilter(ZRGraphBase* graph, ZRFilterBase* upstreamA, int indexA,
                    ZRFilterBase* upstreamB, int indexB);
    ~ZRPreviewFilter() override;

    void setVideoWidget(QWidget* widget) { m_widget = widget; }
    ZRGraphBase::Filter renderer() const { return m_renderer; }

    ZRGraphResult addFilters() override;
    ZRGraphResult connectInternal() override;
    ZRGraphResult teardown() override;
    ZRGraphResult removeFilters() override;

private:
    QPointer<QWidget> m_widget;
    ZRGraphBase::Filter m_split = 0;
    ZRGraphBase::Filter m_decoder = 0;
    ZRGraphBase::Filter m_renderer = 0;
};
