#pragma once

#include "classes/skins/PSDLayerSet.h"
#include "classes/text/ZRTextImage.h"
#include "classes/widgets/ZRDialog.h"

#include <QPoint>

#include <memory>

class QButtonGroup;
class QTextEdit;
class ZRPushButton;

/// The modal "CHOOSE PROFILE" dialog: the output format of a new project (DV, Video CD, Super
/// Video CD, DVD, multimedia) and its TV standard, with a help text per format, and the frame
/// values they give. Drawn from "skins/default/profiledialog.psd", which it loads itself and
/// owns; the buttons borrow the skin's layers and go before it. A missing skin leaves the
/// dialog with plain buttons. GUI thread only.
class ZRProfileDialog : public ZRDialog {
    Q_OBJECT

public:
    enum Profile { DV = 0, VCD = 1, SVCD = 2, DVD = 3, Multimedia = 4 };
    static constexpr int kProfileCount = 5;
    /// The content rectangle; the dialog is that grown by its shadow box.
    static constexpr int kContentWidth = 420;
    static constexpr int kContentHeight = 380;

    explicit ZRProfileDialog(QWidget* parent = nullptr, const char* name = "zrprofiledialog",
                             Qt::WindowFlags flags = {});
    ~ZRProfileDialog() override;

    /// The chosen format index.
    int profile() const { return m_profile; }
    /// 1 NTSC, 0 PAL.
    int standard() const { return m_standard; }
    int frameWidth() const { return m_width; }
    int frameHeight() const { return m_height; }
    double frameRate() const { return m_rate; }
    int sampleRate() const { return m_sampleRate; }
    /// The index of the help text shown.
    int textIndex() const { return m_textIndex; }

    /// The format buttons (text and icon) and the standard buttons by id; null out of range.
    ZRPushButton* bigButton(int id) const;
    ZRPushButton* iconButton(int id) const;
    ZRPushButton* standardButton(int id) const;
    ZRPushButton* okButton() const { return m_ok; }
    QTextEdit* textView() const { return m_text; }
    /// The skin's layer sets; null when the skin did not load.
    QDict<PSDLayerSet>* skinSets() const { return m_sets.get(); }
    /// The skin's layers outside every set; null when the skin did not load.
    QDict<PSDLayer>* skinLayers() const { return m_layers.get(); }

    void composeBackground(int x, int y, int w, int h) override;
    using QSBWidget::composeBackground;

public Q_SLOTS:
    /// Selects a format and computes its frame values; an index outside 0..4 is stored alone.
    /// Both format groups show the button of the index.
    void slotSetProfile(int profile);
    /// 1 NTSC, anything else PAL; the frame values and the help text follow the profile.
    void slotSetStandard(int standard);
    /// A format text button: the icon group follows, then the profile and its text.
    void slotBigButtonSelected(int id);
    /// A format icon button: the text group follows, then the profile and its text.
    void slotIconButtonSelected(int id);
    /// Shows the help text of format `index` (0..4); other values change nothing.
    void slotSelectText(int index);

private:
    const PSDLayer* skinLayer(const char* name) const;
    void drawLayer(QPainter& painter, const char* name);

    int m_profile = 0;
    int m_standard = 1;
    int m_width = 0;
    int m_height = 0;
    double m_rate = 0.0;
    int m_sampleRate = 0;
    int m_textIndex = 0;

    std::unique_ptr<QDict<PSDLayer>> m_layers;
    std::unique_ptr<QDict<PSDLayerSet>> m_sets;
    QPoint m_origin; ///< the content rectangle's top-left in the dialog
    QButtonGroup* m_bigGroup;
    QButtonGroup* m_iconGroup;
    QButtonGroup* m_standardGroup;
    ZRPushButton* m_ok = nullptr;
    QTextEdit* m_text = nullptr;
    ZRTextImage m_descriptionCaption;
    ZRTextImage m_chooseCaption;
};
