#pragma once

#include "classes/widgets/QSBWidget.h"
#include "classes/widgets/ZRSkinBox.h"

#include <QButtonGroup>
#include <QRect>

#include <memory>

class IZRObject;
class IZRPos;
class IZRTimeline;
class ZRSBPreview;
class ZRSBText;
class ZRTCWidget;
class ZRTextImage;

/// The skinned panel round the preview player: a nine-slice frame from the skin set "frame",
/// the title "PLAYER", a time-code display and a label with the project's video dimensions.
/// It owns the player ("preview viewport") and relays the main window's transport and view
/// slots to it. GUI thread only.
class ZRSBPreviewFrame : public QSBWidget {
    Q_OBJECT
public:
    explicit ZRSBPreviewFrame(QWidget* parent = nullptr, const char* name = nullptr);
    ~ZRSBPreviewFrame() override;

    /// Hands `timeline` to the player and shows its video dimensions; returns the previous one.
    virtual IZRTimeline* setTimeline(IZRTimeline* timeline);
    virtual ZRSBPreview* preview() const { return m_preview; }
    virtual ZRTCWidget* timecodeWidget() const { return m_timecode; }
    /// Shows the player when its enabled state equals `on`, else hides it.
    virtual void showPreview(bool on);

    ZRSBText* sizeLabel() const { return m_sizeLabel; }
    /// The skin's "positions" rectangle as laid out now.
    QRect positions() const { return m_positions; }
    /// The frame's content rectangle.
    QRect contentRect() const { return m_box.fillRect(); }

    void composeBackground(int x, int y, int w, int h) override;

public Q_SLOTS:
    virtual void gotoPosition(IZRPos* position, QWidget* sender);
    /// Refreshes the size label from the project's video dimensions and passes the update to
    /// the player while it is not playing.
    virtual void updateContents(QWidget* sender);
    virtual void deleteObject(IZRObject* object);
    /// Plays when the player is stopped, else stops it; the argument is not read.
    virtual void toggle_play_stop(bool on);
    virtual void rewind();
    virtual void forward();
    virtual void framerew();
    virtual void framefwd();
    virtual void loop();
    virtual void changeState();

Q_SIGNALS:
    /// Emitted when the player announces a position of its own (`ZRSBPreview::atPosition`), with
    /// the player as sender.
    void atPosition(IZRPos* position, QWidget* sender);
    /// Emitted when the player has stopped a play.
    void stateChanged();

protected:
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void showVideoDimensions();

    ZRSkinBox m_box;
    QRect m_positions;
    QPoint m_positionsOrigin;
    int m_positionsRightGap = 0;
    QButtonGroup m_buttons;
    std::unique_ptr<ZRTextImage> m_title;
    IZRTimeline* m_timeline = nullptr;
    ZRTCWidget* m_timecode = nullptr;
    ZRSBText* m_sizeLabel = nullptr;
    QString m_sizeText; ///< what the size label shows
    ZRSBPreview* m_preview = nullptr;
};
