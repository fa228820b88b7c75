#pragma once

#include "classes/widgets/QSBWidget.h"
#include "platform/playback/ZRPlaybackTypes.h"

#include <QString>

#include <functional>

/// A media file played in a window of its own over the player, which lends it the transport
/// and the position slider while it runs. The player makes one through the factory the window
/// installs (`ZRSBPreview::setFilePlayerFactory`), so the views need not know who plays files.
/// Times are media times in 100-ns units. The window deletes itself when closed (watch
/// `destroyed()`). GUI thread only.
class ZRFilePlayer : public QSBWidget {
    Q_OBJECT
public:
    using QSBWidget::QSBWidget;

    /// Opens `path` ready to play; false when it does not exist or does not play.
    virtual bool openFile(const QString& path) = 0;
    /// The file's length, 0 without one open.
    virtual ZRMediaTime duration() const = 0;

public Q_SLOTS:
    virtual void play() = 0;
    /// Stops and closes the window (which deletes it).
    virtual void stop_and_close() = 0;
    virtual void seek(qint64 time) = 0;
    /// The start of the range; only while playing or paused.
    virtual void setStartPosition(double time, QWidget* sender) = 0;
    /// The end of the range; only while playing or paused.
    virtual void setStopPosition(double time, QWidget* sender) = 0;
    /// Shows the window and starts an opened file.
    virtual void show() = 0;
    virtual void setLoop(bool on) = 0;

Q_SIGNALS:
    /// Emitted ten times a second while the file plays: the position and the file's length.
    void positionChanged(qint64 position, qint64 duration);
    /// Emitted when playback stops, by the user or at the end of a play without loop.
    void previewStopped();
};

/// Makes a file player as a child of `parent`; the caller owns it until it closes.
using ZRFilePlayerFactory = std::function<ZRFilePlayer*(QWidget* parent)>;
