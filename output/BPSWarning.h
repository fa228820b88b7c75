#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

/// The bit-rate warning: a plain modal form (300 x 140) telling that the disc program takes
/// 8 Mbit/s or less, with "Yes" (accepts, the default) and "No" (rejects), and the check box
/// "Don't Show Me This Message Again", which the caller reads after `exec` and stores. The
/// form itself stores nothing. GUI thread only.
class BPSWarning : public QDialog {
    Q_OBJECT
public:
    /// Named "BPSWarning" when `name` is null.
    explicit BPSWarning(QWidget* parent = nullptr, const char* name = nullptr, bool modal = false,
                        Qt::WindowFlags flags = {});
    ~BPSWarning() override;

    QLabel* m_label;
    QCheckBox* m_checkBox;
    QPushButton* m_buttonYes;
    QPushButton* m_buttonNo;

public Q_SLOTS:
    /// Traces the change and does nothing else.
    virtual void slotCheckBoxChanged(int state);

protected Q_SLOTS:
    virtual void init();
    virtual void destroy();
};
