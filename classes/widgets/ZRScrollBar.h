#pragma once

#include "classes/widgets/ZRScrollBarSkin.h"

#include <QScrollBar>

/// A scroll bar whose look comes from a skin: arrow buttons, a trough, a three-piece slider and
/// a grabber mark for both orientations. It holds the pieces and repaints when moved or
/// resized; the application style draws it from them. On a QSBWidget it registers with it, so
/// that it repaints with its parent. GUI thread only.
class ZRScrollBar : public QScrollBar {
    Q_OBJECT
public:
    ZRScrollBar(QWidget* parent, QDict<PSDLayerSet>* skin, const char* name = nullptr);
    ZRScrollBar(Qt::Orientation orientation, QWidget* parent, QDict<PSDLayerSet>* skin,
                const char* name = nullptr);
    ~ZRScrollBar() override;

    virtual bool hasSkinnedParent() const { return m_hasSkinnedParent; }
    /// Length along and thickness across the bar for the current orientation.
    virtual QSize skinSize() const;
    /// The thickness alone.
    int skinExtent() const { return skinSize().height(); }

    /// Clears the skin, then loads `skin` when it is given.
    void initSkin(QDict<PSDLayerSet>* skin);
    void loadSkin(QDict<PSDLayerSet>* skin);
    /// Loads `skin` and repaints.
    void setSkin(QDict<PSDLayerSet>* skin);
    const ZRScrollBarSkin& skin() const { return m_skin; }
    /// The pieces of the current orientation.
    const ZRScrollBarPieces& pieces() const;

protected:
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void init(QWidget* parent, QDict<PSDLayerSet>* skin, const char* name);

    ZRScrollBarSkin m_skin;
    bool m_hasSkinnedParent = false;
};
