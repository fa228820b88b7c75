#pragma once

#include "platform/cdwriter/ZRCdWriter.h"

#include <QProcess>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

/// Builds a Video CD image from MPEG entries and writes it to a CD writer unit in one session.
///
/// The image: vcdxgen describes the entries as a "vcd2" or "svcd" disc, vcdxbuild builds the
/// BIN/CUE image ("vcdImage.bin", "vcdImage.cue") in the "vcd" folder of the temporary folder,
/// which is emptied before and after each burn. The image is checked (exit status 0, BIN size =
/// the sector count vcdxbuild reports × 2352) and compared with the disc's free sectors before
/// anything is written. Every step runs as an outside process whose end arrives through
/// the event loop: the GUI never waits on one. A write without progress for the stall timeout
/// (10 minutes) is stopped and fails. Every failure after the writer started unlocks the unit.
///
/// Units are numbered from 1, as the page shows them. The status callback is kept across
/// `init`/`deinit` and given to every image build. Confined to the thread that made it.
class ZRVcdWriter {
public:
    /// Status codes of the callback.
    enum Status {
        EncodingImage = 1,
        EncodingAudio = 2,
        Encapsulating = 7,
        WritingSegment = 12,
        WritingOther = 13
    };
    /// `code` and the file or text it is about; the answer is not used.
    using StatusCallback = std::function<bool(int code, const char* name)>;
    using Finished = std::function<void(bool ok)>;

    static constexpr const char* kImageFolder = "vcd";
    static constexpr const char* kImageName = "vcdImage";

    /// Over the process-wide writer (`cdwriter::writer()`) when `writer` is null.
    explicit ZRVcdWriter(std::shared_ptr<ZRCdWriter> writer = nullptr);
    ~ZRVcdWriter();
    ZRVcdWriter(const ZRVcdWriter&) = delete;
    ZRVcdWriter& operator=(const ZRVcdWriter&) = delete;

    /// Starts a fresh image: no entries. False (and not initialised) when vcdxgen or vcdxbuild
    /// cannot be found.
    bool init();
    /// Drops the image and its entries; true.
    bool deinit();
    bool initialised() const { return m_initialised; }

    /// The writer's unit count; -1 when it cannot be used.
    int unitCount();
    /// Unit `unit`'s name; empty for an unknown unit.
    QString unitName(int unit);
    /// Unit `unit`'s highest write speed; -1 on failure.
    int maxSpeed(int unit);
    bool hasBlankMedia(int unit);

    /// Sets the disc kind (SVCD when `svcd`, else VCD 2.0) and drops the entries; false when not
    /// initialised. The TV standard comes from the streams themselves.
    bool setOptions(bool svcd);
    /// Appends the MPEG file `fileName` (an absolute path) as the next entry; false when not
    /// initialised or the path is empty.
    bool addEntry(const QString& fileName);
    int entryCount() const { return int(m_entries.size()); }

    /// Builds the image and writes it to unit `unit` at `speed`, ejecting the disc at the end
    /// when `eject`. `done` is called exactly once, always through the event loop, with true
    /// when the disc was written whole. Progress arrives through the status callback.
    void write(int unit, int speed, bool eject, Finished done);
    bool busy() const { return bool(m_done); }
    /// Keeps `callback` for this and every later image build.
    void setStatusCallback(StatusCallback callback) { m_status = std::move(callback); }

    /// The folder the image is built in.
    static QString imageFolder();
    /// How long a write may go without progress (10 minutes by default).
    void setStallTimeout(std::chrono::milliseconds timeout) { m_stallTimeout = timeout; }
    std::shared_ptr<ZRCdWriter> cdWriter() const { return m_writer; }

private:
    void runStep(const QString& program, const QStringList& arguments,
                 std::function<void(bool ok)> next);
    void buildLines(std::string_view line);
    void afterGenerate(bool ok);
    void afterBuild(bool ok);
    void startWriting();
    void fail();
    void finish(bool ok);
    void status(int code, const QString& name);

    std::shared_ptr<ZRCdWriter> m_writer;
    bool m_initialised = false;
    bool m_svcd = false;
    QStringList m_entries;
    StatusCallback m_status;

    // The burn in progress.
    Finished m_done;
    int m_unit = 0;
    int m_speed = 0;
    bool m_eject = false;
    bool m_writing = false;
    std::unique_ptr<QProcess> m_process;
    std::string m_pending;
    QByteArray m_output;
    int m_lastEntry = -2;
    bool m_writeShown = false;
    int64_t m_imageSectors = -1; ///< from vcdxbuild's closing line
    QTimer m_stall;
    /// Dropped when the wrapper goes: callbacks the writer holds then do nothing.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
    std::chrono::milliseconds m_stallTimeout = std::chrono::minutes(10);
};
