#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

/// The split warning of the capture page: a plain modal form (300 x 140) telling that the
/// capture device cannot split files, with "OK" (accepts) and the check box "Don't Show Me This
/// Message Again", which the caller reads after `exec` and stores. GUI thread only.
class Wren80Warning : public QDialog {
    Q_OBJECT
public:
    /// Named "Wren80Warning" when `name` is null.
    explicit Wren80Warning(QWidget* parent = nullptr, const char* name = nullptr,
                           bool modal = false, Qt::WindowFlags flags = {});
    ~Wren80Warning() override;

    QLabel* m_label;
    QCheckBox* m_checkBox;
    QPushButton* m_buttonOK;

public Q_SLOTS:
    /// Does nothing: the caller reads the check box after `exec`.
    virtual void slotCheckBoxChanged(int state);

protected Q_SLOTS:
    virtual void init();
    virtual void destroy();
};
