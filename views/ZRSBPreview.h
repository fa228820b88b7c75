#pragma once

#include "views/ZRFilePlayer.h"
#include "views/ZRPreviewGraph.h"
#include "views/ZRSBPSlider.h"
#include "views/ZRSBVideoView.h"

#include <QImage>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <memory>

class IZRPos;
class IZRTimeline;
class QAbstractButton;
class ZRTCWidget;

/// The player that shows and plays the project. Stopped, its painting thread draws the
/// project's frame at the current position; playing, the playback graph's surface shows the
/// video while a poll timer follows the play position into the storyboard or timeline view and
/// the position slider. A dropped media file plays in a file player over the player (made by
/// the factory the window installs), with the slider lent to it until it stops; the window
/// lends it the transport buttons on `filePreviewStarted`.
///
/// The player drives no other view: it announces, and the window connects (`playedTo` to the
/// visible storyboard or timeline view, `playingChanged` to the views and buttons it disables,
/// `aboutToPlay` to the browser's previews).
///
/// The play range comes from the slider's marks: mark-in from the start, mark-out back from the
/// end, as fractions of (end - 1 frame), set through truncated milliseconds. Play starts at the
/// current position; a finished play (and each loop) goes back to the range start.
///
/// GUI thread only, except the render step, which runs on the painting thread.
class ZRSBPreview : public ZRSBVideoView, public ZRPreviewGraph::Host {
    Q_OBJECT
public:
    enum PREVIEW_COMMAND { CommandNone = -1, CommandPlay = 0, CommandPause = 1, CommandStop = 2 };
    enum State { Playing = 0, Stopped = 1, Paused = 2 };

    explicit ZRSBPreview(QWidget* parent = nullptr, const char* name = nullptr);
    /// Stops the painting thread first, then releases the graph and the positions.
    ~ZRSBPreview() override;

    /// Keeps `timeline` and makes the current, start and stop positions with its factory.
    IZRTimeline* setTimeline(IZRTimeline* timeline) override;
    /// The current position (null without a timeline).
    virtual IZRPos* currentPosition() const { return m_current; }
    IZRPos* startPosition() const { return m_startPos; }
    IZRPos* stopPosition() const { return m_stopPos; }

    virtual bool buildGraph() { return m_graph->buildGraph(); }
    virtual void releaseGraph() { m_graph->releaseGraph(); }
    ZRPreviewGraph* graph() const { return m_graph.get(); }

    /// The main window's slider, whose marks give the play range.
    void setPositionSlider(ZRSBPSlider* slider) { m_slider = slider; }
    ZRSBPSlider* positionSlider() const { return m_slider; }

    bool loopEnabled() const { return m_loopEnabled; }
    bool stoppedByUser() const { return m_stoppedByUser; }
    /// The running file preview, null when none.
    ZRFilePlayer* filePreview() const { return m_filePreview; }
    double savedSliderFraction() const { return m_savedSliderFraction; }
    /// What makes the player of a dropped file; without one a drop is refused.
    void setFilePlayerFactory(ZRFilePlayerFactory factory) {
        m_filePlayerFactory = std::move(factory);
    }

    // What the playback graph asks of the player.
    QWidget* previewWidget() override { return this; }
    IZRTimeline* previewTimeline() override { return timeline(); }
    int playState() override { return m_playState.load(); }
    QTimer* pollTimer() override { return &m_pollTimer; }
    /// Reads the pipeline's events: complete (loop or stop at the end) and user abort.
    void handleGraphEvents() override;

    using ZRSBVideoView::gotoPosition;

public Q_SLOTS:
    void play() override;
    /// Plays from `from` (the current position for null) to `to` (the end less one frame for
    /// null), looping when asked; only stopped or paused, with a non-empty timeline.
    void playFromTo(IZRPos* from, IZRPos* to, bool loop);
    void stop() override;
    void pause();
    /// To the previous clip boundary on tracks 1 and 3.
    void rewind();
    /// To the next clip boundary on tracks 1 and 3.
    void forward();
    void framerew();
    void framefwd();
    void loop();
    void doCommand(int command);
    /// Stopped: shows `position`; playing or paused: seeks the graph there.
    void gotoPosition(IZRPos* position, QWidget* sender);
    void updateContents(QWidget* sender) override;
    /// Not playing: keeps a copy of `image` stretched to the widget and repaints.
    void slotDisplayIZRImage(IZRImage* image);
    /// Shows `time` (100-ns units) in the time-code display.
    void slotPositionChanged(qint64 time) override;
    void slotMarkInChanged(double fraction, QWidget* sender);
    void slotMarkOutChanged(double fraction, QWidget* sender);
    /// Rebuilds an existing graph.
    void update();
    /// The file preview's position.
    void slotPositionChanged(qint64 time, qint64 duration);
    void slotPreviewStopped();
    void show();
    void hide();
    void slotTimeout();
    void slotPreviewClosed();
    void slotPlayToggled(bool on);
    void slotLoopButtonToggled(bool on);
    /// Seeks the file preview to `fraction` of its length.
    void slotGotoPosition(double fraction, QWidget* sender);

Q_SIGNALS:
    /// Emitted when the user moves the stopped player (frame and clip steps) and when a play
    /// stops, with the position it stopped at.
    void atPosition(IZRPos* position, QWidget* sender);
    /// Emitted when a play has stopped, after `atPosition`.
    void stateChanged();
    /// Emitted ten times a second while the project plays, with the play position; the
    /// position lives until the handler returns.
    void playedTo(IZRPos* position);
    /// Emitted with true when the project starts playing and with false when it has stopped.
    void playingChanged(bool playing);
    /// Emitted when the play button asks for a play, before anything starts.
    void aboutToPlay();
    /// Emitted when a dropped file starts playing: the transport is the file player's now.
    void filePreviewStarted();
    /// Emitted when the file player has stopped (or the player goes while it runs): the
    /// transport is the project's again.
    void filePreviewEnded();
    /// Emitted when the file player's window has closed, before `filePreviewEnded`.
    void filePreviewClosed();

protected:
    bool renderFrame(const RenderRequest& request, IZRImage* target) override;
    void paintEvent(QPaintEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    class SliderRelay;
    friend class SliderRelay;

    /// The editor's end of the edit (the timeline's without an editor); null without either.
    IZRPos* editEnd() const;
    bool editEmpty() const;
    /// Sets `target` to (end - 1 frame) x fraction through truncated milliseconds.
    void setFractionOfEdit(IZRPos* target, double fraction) const;
    void rangeFromSlider();
    /// Takes the timeline's end frame for the render step.
    void readEnd();
    /// Hands the current position to the painting thread.
    void showCurrent();
    void jumpTo(IZRPos* result);
    void setPlayingLook(bool playing);
    /// Holds the engine's background renderer paused (the engine counts the holds) or lets go.
    void pauseRenderer(bool pause);
    void finishStop();
    ZRTCWidget* timecodeDisplay();
    /// Gives the buttons and the slider back after a file preview.
    void restoreAfterFilePreview();
    /// A slider event while a file preview runs.
    void sliderEvent(int type, double value);

    std::unique_ptr<ZRPreviewGraph> m_graph;
    QTimer m_pollTimer;
    QPointer<ZRTCWidget> m_timecodeDisplay;
    bool m_loopEnabled = false;
    bool m_reachedEnd = false;
    bool m_stoppedByUser = false;
    bool m_rendererPaused = false;
    IZRPos* m_current = nullptr;
    IZRPos* m_startPos = nullptr;
    IZRPos* m_stopPos = nullptr;
    IZRTimeline* m_timeline = nullptr;
    std::atomic<int> m_playState{Stopped};
    /// The timeline's end frame as the GUI thread last read it, for the render step (the
    /// engine's end position is rewritten by every reader, so only the GUI thread reads it).
    std::atomic<double> m_endFrames{0.0};
    QPointer<ZRSBPSlider> m_slider;
    double m_savedSliderFraction = -1.0;
    bool m_savedSliderEnabled = false;
    QPointer<ZRFilePlayer> m_filePreview;
    ZRFilePlayerFactory m_filePlayerFactory;
    std::unique_ptr<SliderRelay> m_relay;
    /// A copy of the last image handed to `slotDisplayIZRImage`; GUI thread, under the paint
    /// lock.
    QImage m_displayed;
};
