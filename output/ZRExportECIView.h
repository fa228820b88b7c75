#pragma once

#include "classes/widgets/QSBWidget.h"
#include "platform/cdwriter/ZRVcdWriter.h"

#include <QStringList>

#include <memory>
#include <optional>

class ZRComboBox;
class ZRLabel;
class ZRPushButton;

/// The Video CD page of the produce page: burns the clip selected in the browser (an MPEG file
/// produced with the VCD or SVCD profile, or an ".mvl" list of such files) onto a blank CD.
///
/// The writer is scanned when the page is first shown (a scan can take seconds), not when it is
/// made. Without a unit the page stays disabled. Every file of a burn must fit its disc kind's
/// profile (VCD: MPEG-1 352 × 288/240, SVCD: MPEG-2 480 × 576/480) and the kind of the first
/// file; anything else is refused as "No VCD or SVCD file selected". A burn runs through the
/// event loop with the controls disabled and ends with one of the four status texts:
/// "Please insert a blank CD into the drive!", "No VCD or SVCD file selected", "Failed to create
/// CD" or "CD created successfully". GUI thread only.
class ZRExportECIView : public QSBWidget {
    Q_OBJECT

public:
    /// Over the process-wide writer (`cdwriter::writer()`) when `writer` is null.
    explicit ZRExportECIView(QWidget* parent = nullptr, const char* name = nullptr,
                             std::shared_ptr<ZRCdWriter> writer = nullptr);
    ~ZRExportECIView() override;

    /// The status callback the page registers with the wrapper: shows the text of `code` (1
    /// "Encoding Image %s", 2 "Encoding Audio %s", 7 "Encapsulating %s", 12 "Writing Segment
    /// %s", 13 "Writing Other %s") in the status label of the page that registered last; true.
    static bool vcdStatus(int code, const char* name);

    /// The entries of a burn of `path`: the file itself, or the readable files of an ".mvl"
    /// list, each checked as the page checks them; nothing when they cannot be burnt.
    struct Entries {
        QStringList files;
        bool svcd = false;
    };
    static std::optional<Entries> entriesOf(const QString& path);

    bool writerReady() const { return m_writerReady; }
    bool burning() const { return m_vcd.busy(); }
    int unit() const { return m_unit; }
    ZRVcdWriter& vcdWriter() { return m_vcd; }
    ZRLabel* descriptionLabel() const { return m_description; }
    ZRLabel* statusLabel() const { return m_status; }
    ZRComboBox* driveBox() const { return m_driveBox; }
    ZRComboBox* speedBox() const { return m_speedBox; }
    ZRPushButton* burnButton() const { return m_burnButton; }

public Q_SLOTS:
    void show();
    void hide();
    /// Lists the speeds of unit `index` (0-based): 1, 2, 4, … up to its maximum, the one at
    /// maximum / 2 - 1 current.
    void driveBoxActivated(int index);
    /// Checks the disc and the selected clip, then builds and writes the disc.
    void burnButtonClicked();

Q_SIGNALS:
    /// A burn that started has ended.
    void burnFinished(bool ok);

protected:
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void scanWriter();
    void setControlsEnabled(bool on);
    void setStatus(const QString& text);
    void burnEnded(bool ok);

    ZRLabel* m_description;
    ZRLabel* m_driveLabel;
    ZRLabel* m_speedLabel;
    ZRLabel* m_statusLabel;
    ZRLabel* m_status;
    ZRComboBox* m_driveBox;
    ZRComboBox* m_speedBox;
    ZRPushButton* m_burnButton;

    bool m_scanned = false;
    bool m_writerReady = false;
    int m_unit = 0;
    ZRVcdWriter m_vcd;
};
