#include "output/ZRExportECIView.h"

#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/ZRLabel.h"
#include "classes/widgets/ZRPushButton.h"
#include "editor/ZRAppState.h"
#include "platform/cdwriter/MpegInfo.h"
#include "platform/segments/ZRSegmentList.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>

namespace {

// The page whose status label the plain status callback writes to.
QPointer<ZRLabel>& statusTarget() {
    static QPointer<ZRLabel> label;
    return label;
}

QString translated(const char* text) {
    return QCoreApplication::translate("ZRExportECIView", text);
}

} // namespace

ZRExportECIView::ZRExportECIView(QWidget* parent, const char* name,
                                 std::shared_ptr<ZRCdWriter> writer)
    : QSBWidget(parent, name), m_vcd(std::move(writer)) {
    m_description = new ZRLabel(
        tr("Select a video from the browser to burn a Video CD or S-Video CD. The video must be "
           "already produced using the MPEG-1 VCD or MPEG-2 S-VCD format template."),
        this, "description");
    m_description->setWordWrap(true);
    m_description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_driveLabel = new ZRLabel(tr("Drive:"), this, "drive label");
    m_speedLabel = new ZRLabel(tr("Speed:"), this, "speed label");
    m_statusLabel = new ZRLabel(tr("Status:"), this, "status label");
    m_status = new ZRLabel(tr("Idle"), this, "status");
    m_status->setWordWrap(true);
    m_status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_driveBox = new ZRComboBox(false, this, "drive");
    m_driveBox->setFontTag();
    m_speedBox = new ZRComboBox(false, this, "speed");
    m_speedBox->setFontTag();
    m_burnButton = new ZRPushButton(tr("Burn"), this, "burn");
    m_burnButton->setToolTip(tr("Burn CD"));

    connect(m_driveBox, qOverload<int>(&QComboBox::activated), this,
            &ZRExportECIView::driveBoxActivated);
    connect(m_burnButton, &QAbstractButton::clicked, this, &ZRExportECIView::burnButtonClicked);
    m_driveBox->clear();
    setControlsEnabled(false);
}

ZRExportECIView::~ZRExportECIView() {
    if (m_writerReady) m_vcd.deinit();
}

void ZRExportECIView::show() {
    QSBWidget::show();
}

void ZRExportECIView::hide() {
    QSBWidget::hide();
}

void ZRExportECIView::showEvent(QShowEvent* e) {
    QSBWidget::showEvent(e);
    if (!m_scanned) {
        m_scanned = true;
        scanWriter();
    }
}

// The writer is looked at only now: listing the units can take seconds on a real machine, and
// most sessions never open this page.
void ZRExportECIView::scanWriter() {
    if (!m_vcd.init()) return;
    const int units = m_vcd.unitCount();
    for (int i = 1; i <= units; ++i)
        m_driveBox->addItem(m_vcd.unitName(i));
    m_writerReady = true;
    driveBoxActivated(0);
    statusTarget() = m_status;
    m_vcd.setStatusCallback(&ZRExportECIView::vcdStatus);
    // Without a unit there is nothing to burn to.
    setControlsEnabled(units > 0);
}

void ZRExportECIView::setControlsEnabled(bool on) {
    m_driveBox->setEnabled(on);
    m_speedBox->setEnabled(on);
    m_burnButton->setEnabled(on);
}

void ZRExportECIView::setStatus(const QString& text) {
    m_status->setText(text);
}

bool ZRExportECIView::vcdStatus(int code, const char* name) {
    const char* format = nullptr;
    switch (code) {
    case ZRVcdWriter::EncodingImage:
        format = QT_TRANSLATE_NOOP("ZRExportECIView", "Encoding Image %s");
        break;
    case ZRVcdWriter::EncodingAudio:
        format = QT_TRANSLATE_NOOP("ZRExportECIView", "Encoding Audio %s");
        break;
    case ZRVcdWriter::Encapsulating:
        format = QT_TRANSLATE_NOOP("ZRExportECIView", "Encapsulating %s");
        break;
    case ZRVcdWriter::WritingSegment:
        format = QT_TRANSLATE_NOOP("ZRExportECIView", "Writing Segment %s");
        break;
    case ZRVcdWriter::WritingOther:
        format = QT_TRANSLATE_NOOP("ZRExportECIView", "Writing Other %s");
        break;
    default:
        break;
    }
    if (format && statusTarget()) {
        // The name goes in as text, never as a format: a "%" in a file name stays as it is.
        QString text = translated(format);
        text.replace(QLatin1String("%s"), QString::fromLocal8Bit(name ? name : ""));
        statusTarget()->setText(text);
    }
    return true;
}

void ZRExportECIView::driveBoxActivated(int index) {
    m_speedBox->clear();
    m_unit = index;
    const int maximum = m_vcd.maxSpeed(index + 1);
    for (int speed = 1; speed >= 1 && speed <= maximum; speed *= 2)
        m_speedBox->addItem(QString::number(speed));
    const int current = maximum / 2 - 1;
    if (current >= 0 && current < m_speedBox->count()) m_speedBox->setCurrentIndex(current);
}

std::optional<ZRExportECIView::Entries> ZRExportECIView::entriesOf(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    QStringList files;
    if (path.endsWith(QLatin1String("mvl")) || path.endsWith(QLatin1String("MVL"))) {
        std::string error;
        const std::optional<segments::ZRSegmentList> list =
            segments::ZRSegmentList::read(path.toLocal8Bit().toStdString(), &error);
        if (!list) return std::nullopt;
        for (const std::string& segment : list->readableSegments())
            files << QString::fromLocal8Bit(segment.data(), qsizetype(segment.size()));
    } else {
        files << path;
    }
    if (files.isEmpty()) return std::nullopt;
    // Every file must fit the first file's disc kind: a disc of mixed streams does not play,
    // and vcdxbuild only warns about a stream of the other kind.
    std::optional<mpeginfo::VcdKind> kind;
    for (const QString& file : files) {
        const std::optional<mpeginfo::MpegInfo> info = mpeginfo::read(file);
        const std::optional<mpeginfo::VcdKind> fileKind =
            info ? mpeginfo::vcdKindOf(*info) : std::nullopt;
        if (!fileKind || (kind && *kind != *fileKind)) return std::nullopt;
        kind = fileKind;
    }
    return Entries{files, *kind == mpeginfo::VcdKind::Svcd};
}

void ZRExportECIView::burnButtonClicked() {
    if (!m_writerReady || m_vcd.busy()) return;
    if (!m_vcd.hasBlankMedia(m_unit + 1)) {
        setStatus(tr("Please insert a blank CD into the drive!"));
        return;
    }
    const QString path = appState().selectedBrowserFile();
    if (path.isEmpty()) {
        setStatus(tr("No VCD or SVCD file selected"));
        return;
    }
    setControlsEnabled(false);
    const std::optional<Entries> entries = entriesOf(path);
    if (!entries) {
        setStatus(tr("No VCD or SVCD file selected"));
        setControlsEnabled(true);
        return;
    }
    m_vcd.setOptions(entries->svcd);
    for (const QString& file : entries->files)
        m_vcd.addEntry(file);
    setStatus(tr("Creating CD ..."));
    const int speed = m_speedBox->currentText().toInt();
    m_vcd.write(m_unit + 1, speed, true, [this](bool ok) { burnEnded(ok); });
}

void ZRExportECIView::burnEnded(bool ok) {
    setStatus(ok ? tr("CD created successfully") : tr("Failed to create CD"));
    setControlsEnabled(true);
    // A fresh image for the next disc; the status callback stays with the wrapper.
    m_vcd.deinit();
    m_writerReady = m_vcd.init();
    Q_EMIT burnFinished(ok);
}

// The description across the top; the three labels down the left with their combo boxes and the
// status text beside them; Burn centred under the status text.
void ZRExportECIView::resizeEvent(QResizeEvent* e) {
    QSBWidget::resizeEvent(e);
    m_description->setGeometry(10, 9, width() - 20, 80);
    const auto place = [](ZRLabel* label, int y) {
        const QSize size = label->sizeHint();
        label->setGeometry(10, y, size.width(), size.height());
    };
    place(m_driveLabel, m_description->geometry().bottom() + 1 + 12);
    place(m_speedLabel, m_driveLabel->geometry().bottom() + 1 + 19);
    place(m_statusLabel, m_speedLabel->geometry().bottom() + 1 + 19);
    const int widest =
        std::max({m_driveLabel->width(), m_speedLabel->width(), m_statusLabel->width()});
    const int left = widest + 15;
    const int right = width() - 10;
    const auto column = [&](QWidget* w, int top, int height) {
        w->setGeometry(left, top, std::max(0, right - left), height);
    };
    column(m_driveBox, m_driveLabel->y() - 2, 18);
    column(m_speedBox, m_speedLabel->y() - 2, 18);
    m_status->setGeometry(left, m_statusLabel->y(), std::max(0, right - left), 66);
    const int buttonWidth = m_burnButton->width();
    m_burnButton->setGeometry((width() - buttonWidth) / 2, m_status->geometry().bottom() + 1 + 19,
                              buttonWidth, 20);
}
