#pragma once

#include "classes/skins/PSDLayerSet.h"
#include "classes/widgets/QSBWidget.h"
#include "classes/widgets/ZRSkinBox.h"
#include "classes/widgets/ZRTab.h"

#include <QHash>

#include <memory>
#include <vector>

/// A skinned row of tabs. Boxes come from the skin set: "first_active", "first_inactive",
/// "middle_active", "middle_inactive" (drawn), "last_active", "last_inactive" (read only),
/// "filler_box" after the last tab; text colours from "text_colors" ("over", "active",
/// "inactive", "disabled", the pixel at (0, 0) of each). The band at the bottom of each tab box
/// (from the top of the first box set's "fill_color" to its bottom) takes no clicks and no text.
///
/// Tabs are owned by the bar. Ids come with a tab or from `nextId`; the first tab added is
/// selected. A click on a tab emits `selected` with the tab's index; `setCurrentTab` and
/// `selectTabAt` emit it with the id. GUI thread only.
class ZRTabBar : public QSBWidget {
    Q_OBJECT
public:
    /// `skin` is borrowed; null or missing sets keep the defaults and draw nothing.
    explicit ZRTabBar(QDict<PSDLayerSet>* skin, QWidget* parent = nullptr,
                      const char* name = nullptr, Qt::WindowFlags flags = {});
    ~ZRTabBar() override;

    /// Takes `tab` (null answers -1); answers `nextId` - 1.
    virtual int addTab(ZRTab* tab);
    /// As addTab, placed at `index` (appended when out of range).
    virtual int insertTab(ZRTab* tab, int index);
    /// Removes and deletes `tab` with its tip; nothing for a tab of another bar.
    virtual void removeTab(ZRTab* tab);
    virtual void setTabEnabled(int id, bool enabled);
    /// Selects the tab under `point` and emits `selected` with its id.
    virtual void selectTabAt(const QPoint& point);
    /// Places the tabs side by side from x = 0, the bar's height each.
    virtual void layoutTabs();

    ZRTab* tab(int id) const;
    int indexOf(int id) const;
    int count() const { return int(m_tabs.size()); }
    int currentTab() const { return m_currentId; }
    int hoverTab() const { return m_hoverId; }
    int nextId() const { return m_nextId; }
    int textBand() const { return m_textBand; }
    QString fontName() const { return m_fontName; }
    int fontSize() const { return m_fontSize; }
    QRgb activeColor() const { return m_activeColor; }
    QRgb inactiveColor() const { return m_inactiveColor; }
    QRgb overColor() const { return m_overColor; }
    QRgb disabledColor() const { return m_disabledColor; }
    QSize skinSize() const { return QSize(m_skinWidth, m_skinHeight); }

    /// Space added on each side of a tab's content; tabs are sized again.
    void setMargins(int marginX, int marginY);
    void setShowFiller(bool show);
    /// The tip shown over the tab at `index`; nothing when there is none.
    void setTabToolTip(int index, const QString& text);

public Q_SLOTS:
    /// Selects the tab with `id`; emits `selected(id)` when it changes.
    virtual void setCurrentTab(int id);

Q_SIGNALS:
    void selected(int value);

protected:
    bool event(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    enum Box {
        FirstActive,
        FirstInactive,
        MiddleActive,
        MiddleInactive,
        LastActive,
        LastInactive,
        BoxCount
    };

    void loadSkin(QDict<PSDLayerSet>* skin);
    void sizeTab(ZRTab& tab) const;
    ZRTab* tabInTextArea(const QPoint& point) const;

    int m_nextId = 0;
    int m_currentId = -1;
    int m_hoverId = -1;
    int m_marginX = 4;
    int m_marginY = 4;
    bool m_showFiller = true;
    int m_textBand = 0;
    int m_fillerTop = 0;
    std::unique_ptr<ZRSkinBox> m_boxes[BoxCount];
    std::unique_ptr<ZRSkinBox> m_fillerBox;
    QHash<const ZRTab*, QString> m_tips;
    std::vector<std::unique_ptr<ZRTab>> m_tabs;
    int m_skinWidth = -1;
    int m_skinHeight = -1;
    int m_fontSize = 10;
    float m_letterSpacing = 0.0f;
    QString m_fontName;
    QRgb m_activeColor = 0xFFFFFFFF;
    QRgb m_inactiveColor = 0xFF636363;
    QRgb m_overColor = 0xFF3662A1;
    QRgb m_disabledColor = 0xFFFFFFFF;
};
