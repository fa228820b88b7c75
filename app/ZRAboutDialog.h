#pragma once

#include "classes/skins/PSDLayerSet.h"
#include "classes/widgets/ZRDialog.h"

#include <QImage>
#include <QPoint>

#include <memory>

class ZRPushButton;

/// The about box: a modal, frameless dialog the size of the about skin's composite picture, with
/// the skin's "bottom_background" drawn over it and an OK button that accepts. It deletes itself
/// when it is done. A missing skin leaves a small empty dialog with a plain OK button. GUI thread
/// only.
class ZRAboutDialog : public ZRDialog {
    Q_OBJECT
public:
    ZRAboutDialog(QWidget* parent = nullptr, const char* name = nullptr,
                  Qt::WindowFlags flags = {});
    ~ZRAboutDialog() override;

    ZRPushButton* okButton() const { return m_ok; }

    void composeBackground(int x, int y, int w, int h) override;
    using QSBWidget::composeBackground;

private:
    std::unique_ptr<QDict<PSDLayer>> m_layers;
    std::unique_ptr<QDict<PSDLayerSet>> m_sets;
    ZRPushButton* m_ok = nullptr;
    const QImage* m_bottom = nullptr;
    QPoint m_bottomAt;
};
