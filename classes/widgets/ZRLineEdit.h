#pragma once

#include <QLineEdit>

class QSBWidget;
class ZRComboBox;

/// A frameless line edit whose text stands on the skin: in a ZRComboBox or on a QSBWidget it
/// paints the skin composed under it and then its text, selection and cursor over it (its base
/// colour is transparent; on a QSBWidget its text takes the preloaded skin's text colour).
/// Elsewhere it is a plain frameless QLineEdit. GUI thread only.
class ZRLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit ZRLineEdit(QWidget* parent = nullptr, const char* name = nullptr);
    ~ZRLineEdit() override;

    virtual bool inComboBox() const { return m_inComboBox; }
    virtual bool hasSkinnedParent() const { return m_hasSkinnedParent; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void paintSkin(QPainter& painter, const QRect& area);

    bool m_inComboBox = false;
    bool m_hasSkinnedParent = false;
};
