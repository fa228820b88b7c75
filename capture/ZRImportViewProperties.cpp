// The capture page's device property controls: the selector, the one control it shows, and
// the property slots, all through the graph factory's getAVProp and setAVProp.
#include "capture/ZRImportView.h"

#include "capture/ZRGraphFactory.h"
#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/ZRPushButton.h"
#include "editor/ZRAppState.h"

#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

namespace {

struct Entry {
    int code;
    const char* text;
};
// The selector's entries in the order they are tried; inputs (7), volume (10) and balance (11)
// have none.
constexpr Entry kEntries[] = {
    {ZRImportView::Brightness, QT_TRANSLATE_NOOP("ZRImportView", "Brightness")},
    {ZRImportView::Contrast, QT_TRANSLATE_NOOP("ZRImportView", "Contrast")},
    {ZRImportView::Hue, QT_TRANSLATE_NOOP("ZRImportView", "Hue")},
    {ZRImportView::Saturation, QT_TRANSLATE_NOOP("ZRImportView", "Saturation")},
    {ZRImportView::Sharpness, QT_TRANSLATE_NOOP("ZRImportView", "Sharpness")},
    {ZRImportView::Bitrate, QT_TRANSLATE_NOOP("ZRImportView", "Bitrate")},
    {ZRImportView::TVTuner, QT_TRANSLATE_NOOP("ZRImportView", "TV Tuner")},
    {ZRImportView::TVFormat, QT_TRANSLATE_NOOP("ZRImportView", "TV Format")},
    {ZRImportView::TVAudio, QT_TRANSLATE_NOOP("ZRImportView", "TV Audio")},
};

bool vcdOrSvcd() {
    return appState().formatIndex == 1 || appState().formatIndex == 2;
}

int codeOfText(const QString& text) {
    for (const Entry& e : kEntries)
        if (text == ZRImportView::tr(e.text)) return e.code;
    return 0;
}

} // namespace

void ZRImportView::hidePropertyControls() {
    for (QSlider* s : m_propSliders)
        s->hide();
    m_bitrateSpin->hide();
    m_bitrateAccept->hide();
    m_inputCombo->hide();
    m_tunerButton->hide();
    m_tvFormatCombo->hide();
    m_tvAudioButton->hide();
}

void ZRImportView::fillPropertySelector() {
    hidePropertyControls();
    m_propSelector->hide();
    const QString current = m_propSelector->currentText();
    {
        const QSignalBlocker block(m_propSelector);
        m_propSelector->clear();
        m_propSelector->addItem(tr("-Select A/V Property-"));
        if (m_factory) {
            for (const Entry& e : kEntries) {
                if (e.code == Bitrate &&
                    (!(m_videoClass == 1 || m_videoClass == 4 || m_videoClass == 16) ||
                     vcdOrSvcd()))
                    continue;
                ZRAVProp prop;
                if (m_factory->getAVProp(e.code, &prop)) m_propSelector->addItem(tr(e.text));
            }
        }
        if (m_propSelector->count() < 2) {
            m_propSelector->setCurrentIndex(0);
        } else {
            const int again = m_propSelector->findText(current);
            m_propSelector->setCurrentIndex(again < 0 ? 0 : again);
            m_propSelector->show();
        }
    }

    ZRAVProp inputs;
    if (m_factory && m_factory->getAVProp(Input, &inputs) && !inputs.names.isEmpty()) {
        const QSignalBlocker block(m_inputCombo);
        m_inputCombo->clear();
        m_inputCombo->addItems(inputs.names);
        m_inputCombo->setCurrentIndex(int(inputs.value));
        m_inputCombo->show();
    } else {
        m_inputCombo->hide();
    }
}

void ZRImportView::slotAVPropSelect(int) {
    fillPropertySelector();
    const int code = codeOfText(m_propSelector->currentText());
    if (!code || !m_factory) return;
    ZRAVProp prop;
    if (!m_factory->getAVProp(code, &prop)) return;
    switch (code) {
    case Brightness:
    case Contrast:
    case Hue:
    case Saturation:
    case Sharpness: {
        QSlider* slider = propertySlider(code);
        const QSignalBlocker block(slider);
        slider->setRange(int(prop.low), int(prop.high));
        slider->setValue(int(prop.value));
        slider->show();
        break;
    }
    case Bitrate:
        if (vcdOrSvcd()) break;
        {
            const QSignalBlocker block(m_bitrateSpin);
            m_bitrateSpin->setRange(int(prop.low), int(prop.high));
            m_bitrateSpin->setValue(m_appliedBitrate);
            m_bitrateSpin->setSingleStep(100000);
        }
        m_bitrateSpin->show();
        m_bitrateAccept->show();
        m_bitrateAccept->setEnabled(false);
        break;
    case TVTuner:
        m_tunerButton->show();
        break;
    case TVAudio:
        m_tvAudioButton->show();
        break;
    case TVFormat: {
        const QSignalBlocker block(m_tvFormatCombo);
        m_tvFormatCombo->clear();
        m_tvFormatCombo->addItems(prop.names);
        m_tvFormatCombo->setCurrentIndex(int(prop.value));
        m_tvFormatCombo->setVisible(!prop.names.isEmpty());
        break;
    }
    default:
        break;
    }
}

void ZRImportView::slotAVPropVBrightness(int value) {
    if (m_factory) m_factory->setAVProp(Brightness, value);
}

void ZRImportView::slotAVPropVContrast(int value) {
    if (m_factory) m_factory->setAVProp(Contrast, value);
}

void ZRImportView::slotAVPropVHue(int value) {
    if (m_factory) m_factory->setAVProp(Hue, value);
}

void ZRImportView::slotAVPropVSaturation(int value) {
    if (m_factory) m_factory->setAVProp(Saturation, value);
}

void ZRImportView::slotAVPropVSharpness(int value) {
    if (m_factory) m_factory->setAVProp(Sharpness, value);
}

void ZRImportView::slotAVPropAVolume(int value) {
    if (m_factory) m_factory->setAVProp(Volume, value);
}

void ZRImportView::slotAVPropABalance(int value) {
    if (m_factory) m_factory->setAVProp(Balance, value);
}

void ZRImportView::slotAVPropVInputSelect(int index) {
    if (m_factory) m_factory->setAVProp(Input, index);
    fillPropertySelector();
}

void ZRImportView::slotAVPropVTVTunerDlg() {
    if (m_factory) m_factory->setAVProp(TVTuner, 0);
}

void ZRImportView::slotAVPropATVAudioDlg() {
    if (m_factory) m_factory->setAVProp(TVAudio, 0);
}

void ZRImportView::slotAVPropVTVFormat(int) {
    // The format goes by name: the path looks it up, and an unknown name changes nothing.
    if (m_factory) m_factory->setAVPropName(TVFormat, m_tvFormatCombo->currentText());
}

void ZRImportView::slotAVPropVBitrateMax(int value) {
    m_bitrateAccept->setEnabled(value != m_appliedBitrate);
}

void ZRImportView::slotAVPropVBitrateMaxAccept() {
    m_requestedBitrate = m_appliedBitrate = m_bitrateSpin->value();
    m_propSelector->setCurrentIndex(0);
    slotSelectFile();
}
