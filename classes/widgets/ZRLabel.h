#pragma once

#include <QLabel>

/// A frameless label in the font of the tag "<name>Arial</name><size>8</size>" (translatable in
/// context "ZRLabel"). On a QSBWidget it registers with it and paints the skin composed under
/// it before the label's own text and picture; elsewhere it is a plain frameless QLabel.
/// GUI thread only.
class ZRLabel : public QLabel {
    Q_OBJECT
public:
    explicit ZRLabel(QWidget* parent = nullptr, const char* name = nullptr,
                     Qt::WindowFlags flags = {});
    ZRLabel(const QString& text, QWidget* parent = nullptr, const char* name = nullptr,
            Qt::WindowFlags flags = {});

    virtual bool hasSkinnedParent() const { return m_hasSkinnedParent; }
    /// Moves and resizes, then repaints at once.
    void setGeometry(int x, int y, int w, int h);
    void setGeometry(const QRect& rect) {
        setGeometry(rect.x(), rect.y(), rect.width(), rect.height());
    }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    void init(const char* name);

    bool m_hasSkinnedParent = false;
};
