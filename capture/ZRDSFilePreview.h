#pragma once

#include "platform/playback/ZRPlaybackTypes.h"
#include "views/ZRFilePlayer.h"

#include <QTimer>

#include <memory>

class ZRFileSource;
class ZRPlaybackPipeline;

/// Plays one media file in a black window of its own, once over a range or in a loop, reporting
/// its position ten times a second: the file player the window installs in the preview player. It
/// deletes itself when closed (callers watch `destroyed()`), and closes itself when playback ends
/// without loop. Times are media times in 100-ns units. States: 0 playing, 1 paused, 2 stopped
/// (initial), 3 opened and ready, 4 ended. GUI thread only.
class ZRDSFilePreview : public ZRFilePlayer {
    Q_OBJECT
public:
    ZRDSFilePreview(QWidget* parent = nullptr, const char* name = nullptr,
                    Qt::WindowFlags flags = {});
    ~ZRDSFilePreview() override;

    /// Opens `path` ready to play (state 3); false when it does not exist or does not play.
    bool openFile(const QString& path) override;
    /// The file's length, 0 without one open.
    ZRMediaTime duration() const override;
    int state() const { return m_state; }

public Q_SLOTS:
    void play() override;
    void stop();
    /// Stops and closes the window (which deletes it).
    void stop_and_close() override;
    /// Toggles between playing and paused.
    void pause();
    void seek(qint64 time) override;
    /// The start of the range, in 100-ns units; only while playing or paused.
    void setStartPosition(double time, QWidget* sender) override;
    /// The end of the range, in 100-ns units; only while playing or paused.
    void setStopPosition(double time, QWidget* sender) override;
    /// Shows the window and starts an opened file.
    void show() override;
    void hide();
    void setLoop(bool on) override;
    void slotTimeout();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void handleGraphEvents();
    void closeGraph();
    void setFullScreen(bool on);
    ZRMediaTime currentPosition() const;

    int m_state = 2;
    bool m_fullScreen = false;
    bool m_loop = false;
    ZRMediaTime m_duration = 0;
    ZRMediaTime m_rangeStart = 0;
    ZRMediaTime m_rangeStop = 0;
    std::unique_ptr<ZRFileSource> m_source;
    std::unique_ptr<ZRPlaybackPipeline> m_pipeline;
    QTimer m_timer;
};
