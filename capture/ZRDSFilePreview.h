#pragma once

#include "platform/playback/ZRPlaybackTypes.h"
#include "views/ZRFilePlayer.h"

#include <QEventLoop>
#include <QTimer>

#include <memory>

class ZRFileSource;
class ZRPlaybackPipeline;

/// Plays one media file in a black window of its own, once over a range or in a loop, reporting
/// its position ten times a second: the file player the window installs in the preview player. It
/// deletes itself when closed (callers watch `destroyed()`), and closes itself when playback ends
/// without loop or when the user presses the left button outside it. While it exists it takes
/// every key press of the application. A still picture plays its first second; segment lists
/// (".mvl", ".ovl") play as one file. Times are media times in 100-ns units. States: 0 playing,
/// 1 paused, 2 stopped (initial), 3 opened and ready, 4 ended. GUI thread only.
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
    /// Hides the window, stores `result` and leaves the loop of `exec`; outside `exec`, a
    /// window with the destructive-close flag is deleted (later).
    virtual void done(int result);

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
    /// Shows the window and runs a nested event loop until `done` or a close; returns the
    /// result given to `done` (0 when closed). A call while one runs warns and returns -1.
    /// With the destructive-close flag, the window is deleted before this returns.
    int exec();
    void slotTimeout();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void handleGraphEvents();
    void closeGraph();
    void setFullScreen(bool on);
    /// A left press anywhere in the application at global `pos`.
    void mousePressedAt(const QPoint& pos);
    /// A hidden cursor comes back and full screen ends (on a resize, focus or show).
    void leaveFullScreen();
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
    int m_result = 0;
    QEventLoop* m_eventLoop = nullptr;
    quint64 m_lastPress = 0;
};
