#include "output/ZRProfileDialog.h"

#include "classes/skins/PSDImage.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/text/ZRDefaultTextFont.h"
#include "classes/widgets/ZRFontTag.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRSkinBox.h"

#include <QButtonGroup>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTextEdit>

#include <iterator>

namespace {

struct ProfileValues {
    const char* bigText; ///< the text button's caption
    const char* element; ///< the icon button's skin set
    int width;
    int heightNtsc;
    int heightPal;
    int sampleRate;
};

constexpr ProfileValues kProfiles[ZRProfileDialog::kProfileCount] = {
    {QT_TRANSLATE_NOOP("ZRProfileDialog", "DV"), "DV", 720, 480, 576, 48000},
    {QT_TRANSLATE_NOOP("ZRProfileDialog", "VIDEO CD"), "VCD", 352, 240, 288, 44100},
    {QT_TRANSLATE_NOOP("ZRProfileDialog", "S-VIDEO CD"), "SVCD", 480, 480, 576, 44100},
    {QT_TRANSLATE_NOOP("ZRProfileDialog", "DVD"), "DVD", 720, 480, 576, 44100},
    {QT_TRANSLATE_NOOP("ZRProfileDialog", "MULTIMEDIA"), "WEB", 320, 200, 200, 22050},
};

constexpr const char* kHelpTexts[ZRProfileDialog::kProfileCount] = {
    QT_TRANSLATE_NOOP("ZRProfileDialog",
                      "Use this option when you are capturing from and outputting to a digital "
                      "camcorder. The DV format produces high quality video"),
    QT_TRANSLATE_NOOP("ZRProfileDialog",
                      "Use this option if you want to burn video to a recordable CD to play back "
                      "on a VCD or DVD player. VCDs play back on most DVD players. The VCD format "
                      "is medium quality (MPEG-1) video."),
    QT_TRANSLATE_NOOP("ZRProfileDialog",
                      "Use this option if you want to burn high quality video to a recordable CD "
                      "to play back on a VCD or DVD player. S-VCDs play back on some but not all "
                      "DVD players. The S-VCD format is high quality (MPEG-2) video."),
    QT_TRANSLATE_NOOP("ZRProfileDialog",
                      "Use this option if you want to burn high quality video to a recordable DVD "
                      "disc to play back on a DVD player. Recordable DVDs play back on most DVD "
                      "players. The DVD format is high quality (MPEG-2) video."),
    QT_TRANSLATE_NOOP("ZRProfileDialog",
                      "Use this option if you want to stream video across the Internet."),
};

constexpr const char* kClosingLine = QT_TRANSLATE_NOOP(
    "ZRProfileDialog", "<br><br>You can always change your mind and choose a different format "
                       "later during the Produce step.");

constexpr int kBigX = 13;
constexpr int kFirstY = 148;
constexpr int kRowStep = 29;
constexpr QSize kBigSize{119, 27};
constexpr int kIconOffset = 131;
constexpr QSize kIconSize{33, 27};
// Where the captions and the help text sit on the skin's top band and above the buttons.
constexpr QPoint kDescriptionAt{20, 14};
constexpr QPoint kChooseAt{13, 124};
constexpr QRect kTextRect{20, 36, 380, 70};
constexpr QRgb kCaptionColour = 0xFFE4E5E7;

} // namespace

ZRProfileDialog::ZRProfileDialog(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : ZRDialog(nullptr, parent, name, true, flags | Qt::Dialog) {
    // 1. The content rectangle grown by the shadow box is the dialog; centred over the parent.
    const QSize content(kContentWidth, kContentHeight);
    ZRSkinBox shadow(preloadedSkinSetLayers("popup_box", "shadow"));
    QSize outer = content;
    if (!shadow.naturalSize().isEmpty()) {
        shadow.setInnerGeometry(QPoint(0, 0), content);
        outer = shadow.boxRect().size();
        m_origin = shadow.fillRect().topLeft();
    }
    setFixedSize(outer);
    if (QWidget* over = parent ? parent->window() : nullptr)
        move(over->geometry().center() - rect().center());
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    // 2. The skin and the buttons' font.
    const QByteArray path =
        (skinBaseFolder() + QStringLiteral("/skins/default/profiledialog.psd")).toLocal8Bit();
    m_layers = LoadPSDImage(path.constData(), kPSDApplyLayerOpacity);
    m_sets = groupLayersIntoSets(m_layers.get(), true);
    applyLayerSetOpacity(m_sets.get(), nullptr);
    const ZRFontTag buttonFont =
        parseFontTag(tr("ZRPushButton::<name>ariblk.ttf</name><size>11</size>"));

    // 3. The groups.
    m_bigGroup = new QButtonGroup(this);
    m_iconGroup = new QButtonGroup(this);
    m_standardGroup = new QButtonGroup(this);
    for (QButtonGroup* group : {m_bigGroup, m_iconGroup, m_standardGroup})
        group->setExclusive(true);
    connect(m_bigGroup, &QButtonGroup::idClicked, this, &ZRProfileDialog::slotBigButtonSelected);
    connect(m_iconGroup, &QButtonGroup::idClicked, this, &ZRProfileDialog::slotIconButtonSelected);
    connect(m_standardGroup, &QButtonGroup::idClicked, this, &ZRProfileDialog::slotSetStandard);

    // 4. The backgrounds ("background", "top_background", "bottom_background") are drawn by
    // composeBackground from the skin's layers.

    // 5. OK at the skin's "OK", the size of its "dummy".
    m_ok = new ZRPushButton(tr("OK"), this, "OK");
    const PSDLayer* okPlace = skinLayer("OK");
    const PSDLayer* okSize = skinLayer("dummy");
    m_ok->setFixedSize(okSize && !okSize->image.isNull() ? okSize->image.size() : QSize(84, 26));
    m_ok->move(m_origin + (okPlace ? okPlace->position : QPoint(318, 332)));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &ZRDialog::accept);

    // 6. The format buttons: text buttons on the left, icon buttons beside them.
    for (int id = 0; id < kProfileCount; ++id) {
        const QPoint at = m_origin + QPoint(kBigX, kFirstY + id * kRowStep);
        // The standard look's text colours: the fallback ones (grey when checked, dark blue under
        // the mouse) cannot be read on the dark boxes that the white normal caption needs.
        auto* big =
            new ZRPushButton(tr(kProfiles[id].bigText), preloadedSkinSets("standard_button_box"),
                             this, kProfiles[id].bigText);
        big->setCheckable(true);
        if (!buttonFont.name.isEmpty()) big->setCaptionFontName(buttonFont.name);
        if (buttonFont.pointSize > 0) big->setCaptionFontSize(buttonFont.pointSize);
        big->setFixedSize(kBigSize);
        big->move(at);
        m_bigGroup->addButton(big, id);

        PSDLayerSet* set = m_sets ? m_sets->find(QLatin1String(kProfiles[id].element)) : nullptr;
        auto* icon = set ? new ZRPushButton(this, &set->layers, false, kProfiles[id].element)
                         : new ZRPushButton(QLatin1String(kProfiles[id].element), this,
                                            kProfiles[id].element);
        icon->setCheckable(true);
        icon->setFixedSize(kIconSize);
        icon->move(at + QPoint(kIconOffset, 0));
        m_iconGroup->addButton(icon, id);
    }

    // 7. The standard buttons at their skin places.
    const char* const standards[] = {"PAL", "NTSC"};
    for (int id = 0; id < 2; ++id) {
        PSDLayerSet* set = m_sets ? m_sets->find(QLatin1String(standards[id])) : nullptr;
        ZRPushButton* button;
        if (set) {
            button = new ZRPushButton(this, &set->layers, false, standards[id]);
            button->move(m_origin + QPoint(set->originX, set->originY));
        } else {
            button = new ZRPushButton(QLatin1String(standards[id]), this, standards[id]);
            button->setFixedSize(90, 27);
            button->move(m_origin + QPoint(208 + 100 * id, kFirstY));
        }
        button->setCheckable(true);
        m_standardGroup->addButton(button, id);
    }

    // 8. The captions in the interface font.
    const ZRDefaultTextFont& font = defaultTextFont();
    m_descriptionCaption.setAll(tr("DESCRIPTION"), QColor::fromRgba(kCaptionColour), font.fileName,
                                font.pointSize, 0.0f);
    m_chooseCaption.setAll(tr("CHOOSE PROFILE"), QColor::fromRgba(kCaptionColour), font.fileName,
                           font.pointSize, 0.0f);

    // 9. The help text; a font of Far-East glyphs has no word boundaries to wrap at.
    m_text = new QTextEdit(this);
    m_text->setObjectName(QStringLiteral("help text"));
    m_text->setGeometry(QRect(m_origin + kTextRect.topLeft(), kTextRect.size()));
    m_text->setReadOnly(true);
    m_text->setFrameShape(QFrame::NoFrame);
    const ZRFontTag textFont =
        parseFontTag(tr("QTextEdit::<name>MS Sans Serif</name><size>8</size>"));
    m_text->setFont(QFont(textFont.name, textFont.pointSize, QFont::Normal));
    if (font.fileName.toUpper() == QLatin1String("MSGOTHIC.TTC"))
        m_text->setWordWrapMode(QTextOption::WrapAnywhere);
    QPalette palette = m_text->palette();
    palette.setColor(QPalette::Base, QColor(0x22, 0x23, 0x26));
    palette.setColor(QPalette::Text, QColor(0xE4, 0xE5, 0xE7));
    m_text->setPalette(palette);

    // 10. NTSC, DV and its text.
    slotSetStandard(1);
    slotSetProfile(0);
    slotSelectText(0);
}

// The buttons borrow the skin's layers: they go before the skin does.
ZRProfileDialog::~ZRProfileDialog() {
    for (QButtonGroup* group : {m_bigGroup, m_iconGroup, m_standardGroup})
        qDeleteAll(group->buttons());
    delete m_ok;
}

const PSDLayer* ZRProfileDialog::skinLayer(const char* name) const {
    return m_layers ? m_layers->find(QLatin1String(name)) : nullptr;
}

ZRPushButton* ZRProfileDialog::bigButton(int id) const {
    return static_cast<ZRPushButton*>(m_bigGroup->button(id));
}

ZRPushButton* ZRProfileDialog::iconButton(int id) const {
    return static_cast<ZRPushButton*>(m_iconGroup->button(id));
}

ZRPushButton* ZRProfileDialog::standardButton(int id) const {
    return static_cast<ZRPushButton*>(m_standardGroup->button(id));
}

void ZRProfileDialog::slotSetProfile(int profile) {
    m_profile = profile;
    if (profile < 0 || profile >= kProfileCount) return;
    const ProfileValues& values = kProfiles[profile];
    const bool ntsc = m_standard == 1;
    m_width = values.width;
    m_height = ntsc ? values.heightNtsc : values.heightPal;
    m_rate = ntsc ? 30.0 : 25.0;
    m_sampleRate = values.sampleRate;
    for (QButtonGroup* group : {m_bigGroup, m_iconGroup})
        if (QAbstractButton* button = group->button(profile)) button->setChecked(true);
}

void ZRProfileDialog::slotSetStandard(int standard) {
    m_standard = standard;
    if (QAbstractButton* button = m_standardGroup->button(standard)) button->setChecked(true);
    slotSetProfile(m_profile);
    slotSelectText(m_profile);
}

void ZRProfileDialog::slotBigButtonSelected(int id) {
    if (QAbstractButton* button = m_iconGroup->button(id)) button->setChecked(true);
    slotSetProfile(id);
    slotSelectText(id);
}

void ZRProfileDialog::slotIconButtonSelected(int id) {
    if (QAbstractButton* button = m_bigGroup->button(id)) button->setChecked(true);
    slotSetProfile(id);
    slotSelectText(id);
}

void ZRProfileDialog::slotSelectText(int index) {
    if (index < 0 || index >= kProfileCount) return;
    QString text = tr(kHelpTexts[index]);
    if (index != Multimedia) text += tr(kClosingLine);
    m_text->setText(text);
    m_textIndex = index;
}

void ZRProfileDialog::drawLayer(QPainter& painter, const char* name) {
    const PSDLayer* layer = skinLayer(name);
    if (layer && !layer->image.isNull())
        painter.drawImage(mapPointToSkinRoot(m_origin + layer->position), layer->image);
}

void ZRProfileDialog::composeBackground(int x, int y, int w, int h) {
    ZRDialog::composeBackground(x, y, w, h);
    QImage* target = composedImage();
    const QRect r = QRect(x, y, w, h).intersected(rect());
    if (!target || target->isNull() || r.isEmpty()) return;
    QPainter painter(target);
    painter.setClipRect(mapRectToSkinRoot(r));
    for (const char* name : {"background", "top_background", "bottom_background", "OK"})
        drawLayer(painter, name);
    if (const QImage* image = m_descriptionCaption.image())
        painter.drawImage(mapPointToSkinRoot(m_origin + kDescriptionAt), *image);
    if (const QImage* image = m_chooseCaption.image())
        painter.drawImage(mapPointToSkinRoot(m_origin + kChooseAt), *image);
}
