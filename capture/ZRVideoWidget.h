#pragma once

#include <QWidget>

/// The plain widget that hosts a capture graph's video window and is the graph's owner window:
/// each graph notification (event type 1025) it receives is passed on as `winEventOccured`,
/// whose receiver sets `*handled`.
/// Thread-safety: GUI thread only.
class ZRVideoWidget : public QWidget {
    Q_OBJECT
public:
    explicit ZRVideoWidget(QWidget* parent = nullptr, const char* name = nullptr,
                           Qt::WindowFlags flags = {});

Q_SIGNALS:
    void winEventOccured(bool* handled, QEvent* event);

protected:
    bool event(QEvent* event) override;
};
