#pragma once

#include "engine/api/IZRPos.h"

/// The engine's position: hours, minutes, seconds and frames counted in a frame rate.
/// Normalising carries frames into seconds, seconds into minutes and minutes into hours;
/// negative fields are never carried. Arithmetic below zero saturates at 00:00:00.00.
/// Not thread-safe; the engine-wide default frame rate may be read from any thread.
class ZRPos : public IZRPos {
public:
    /// 00:00:00.00 at the engine-wide default frame rate.
    ZRPos();
    ZRPos(int hours, int minutes, int seconds, int frames, double rate);
    ZRPos(const ZRPos&) = default;
    ZRPos& operator=(const ZRPos&) = default;

    /// The rate new positions count in (the timeline setting "Framerate"; 30.0 at start).
    static double defaultFrameRate();
    static void setDefaultFrameRate(double rate);

    int hours() const override { return m_hours; }
    int minutes() const override { return m_minutes; }
    int seconds() const override { return m_seconds; }
    int frames() const override { return m_frames; }
    double framerate() const override { return m_rate; }
    void setFrames(int frames) override;
    void setHours(int hours) override;
    void setMinutes(int minutes) override;
    void setSeconds(int seconds) override;
    void setTotalFrames(int frames) override;
    void setSF(int seconds, int frames) override;
    void setMSF(int minutes, int seconds, int frames) override;
    void set(int hours, int minutes, int seconds, int frames, double rate) override;
    void setFramerate(double rate) override { m_rate = rate; }
    double toFrames() const override;
    double toMilliseconds() const override;
    void setMilliseconds(unsigned ms) override;
    void changeFramerate(double rate) override;
    const char* toText() override;
    void fromFixedText(const char* text) override;
    void add(const IZRPos* other) override;
    void subtract(const IZRPos* other) override;
    IZRPos& addFrames(int n) override;
    IZRPos& operator+=(const IZRPos* other) override;
    IZRPos& operator-=(const IZRPos* other) override;
    IZRPos& increment() override;
    IZRPos& decrement() override;
    IZRPos& fromText(const char* text) override;
    IZRPos& assignFrames(int frames) override;
    IZRPos& assign(const IZRPos* other) override;
    bool operator<(const IZRPos* other) const override;
    bool operator<=(const IZRPos* other) const override;
    bool operator>(const IZRPos* other) const override;
    bool operator>=(const IZRPos* other) const override;
    bool operator==(const IZRPos* other) const override;
    bool operator!=(const IZRPos* other) const override;

private:
    void normalise();
    void setZero();

    int m_hours = 0;
    int m_minutes = 0;
    int m_seconds = 0;
    int m_frames = 0;
    double m_rate;
    char m_text[32] = {};
};
