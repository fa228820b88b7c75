#pragma once

#include <QObject>

#include <memory>

class IZRTimeline;
class QKeyEvent;
class QTimer;
class QWidget;
class ZRPlaybackPipeline;
class ZRPreviewSourceCallback;

/// The preview player's playback graph: the pipeline fed by the source callback over the
/// engine timeline, its video surface placed in the preview widget. The graph watches the
/// preview widget (an event filter): resize and move place the surface, show re-attaches it,
/// hide hides it, the pipeline's notification (event 0x8001) goes to the preview's event
/// handler, and while a graph exists F12 (full screen and back), Escape (leaves full screen),
/// Home (to 0) and Space (play or stop) are taken; other keys pass on.
/// GUI thread only.
class ZRPreviewGraph final : public QObject {
    Q_OBJECT
public:
    /// What the graph asks of the preview player.
    class Host {
    public:
        /// The widget the surface lives in and whose events the graph watches.
        virtual QWidget* previewWidget() = 0;
        virtual IZRTimeline* previewTimeline() = 0;
        /// 0 playing, 1 stopped, 2 paused.
        virtual int playState() = 0;
        /// The timer that follows the play position.
        virtual QTimer* pollTimer() = 0;
        /// Reads and acts on the pipeline's queued events.
        virtual void handleGraphEvents() = 0;
        /// Shows a position (100-ns units) in the time-code display.
        virtual void slotPositionChanged(qint64 time) = 0;
        virtual void play() = 0;
        virtual void stop() = 0;

    protected:
        ~Host() = default;
    };

    /// The pipeline's notification message.
    static constexpr int kGraphEvent = 0x8001;

    explicit ZRPreviewGraph(Host& host);
    ~ZRPreviewGraph() override;

    /// Builds the graph; true on success. A graph already built is kept.
    bool buildGraph();
    /// Tears the graph down; nothing without one.
    void releaseGraph();
    /// Rebuilds an existing graph (after the project's dimensions changed); nothing without one.
    void update();
    bool hasGraph() const { return m_pipeline != nullptr; }
    bool fullScreen() const { return m_fullScreen; }

    /// Null without a graph.
    ZRPlaybackPipeline* pipeline() const { return m_pipeline.get(); }
    ZRPreviewSourceCallback* sourceCallback() const { return m_callback.get(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void attachSurface();
    void placeSurface();
    bool keyPressed(QKeyEvent* event);
    void setFullScreen(bool on);

    Host& m_host;
    std::unique_ptr<ZRPreviewSourceCallback> m_callback;
    std::unique_ptr<ZRPlaybackPipeline> m_pipeline;
    bool m_fullScreen = false;
};
