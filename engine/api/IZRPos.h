#pragma once

/// A position on the timeline: hours, minutes, seconds and frames counted in a frame rate.
/// Setters normalise: frames carry into seconds, seconds into minutes, minutes into hours;
/// negative fields are never carried. Not thread-safe: one position belongs to one user.
class IZRPos {
public:
    virtual ~IZRPos() = default;

    virtual int hours() const = 0;
    virtual int minutes() const = 0;
    virtual int seconds() const = 0;
    virtual int frames() const = 0;
    virtual double framerate() const = 0;
    virtual void setFrames(int frames) = 0;
    virtual void setHours(int hours) = 0;
    virtual void setMinutes(int minutes) = 0;
    virtual void setSeconds(int seconds) = 0;
    /// 0:00:00 plus `frames` at the engine-wide default frame rate.
    virtual void setTotalFrames(int frames) = 0;
    virtual void setSF(int seconds, int frames) = 0;
    virtual void setMSF(int minutes, int seconds, int frames) = 0;
    virtual void set(int hours, int minutes, int seconds, int frames, double rate) = 0;
    /// Replaces the rate without converting the fields.
    virtual void setFramerate(double rate) = 0;
    virtual double toFrames() const = 0;
    virtual double toMilliseconds() const = 0;
    virtual void setMilliseconds(unsigned ms) = 0;
    /// Converts to another rate keeping the time (rounded to the nearest frame).
    virtual void changeFramerate(double rate) = 0;
    /// "HH:MM:SS.FF"; the text lives in the position until its next call.
    virtual const char* toText() = 0;
    /// Reads the fixed columns of "HH:MM:SS.FF" at the default frame rate; no normalisation.
    virtual void fromFixedText(const char* text) = 0;
    virtual void add(const IZRPos* other) = 0;
    /// Field-wise difference with borrow; a result below zero gives 00:00:00.00.
    virtual void subtract(const IZRPos* other) = 0;
    virtual IZRPos& addFrames(int n) = 0;
    virtual IZRPos& operator+=(const IZRPos* other) = 0;
    virtual IZRPos& operator-=(const IZRPos* other) = 0;
    virtual IZRPos& increment() = 0;
    /// One frame back; never below 00:00:00.00.
    virtual IZRPos& decrement() = 0;
    /// Reads "h:m:s.f" (decimal fields) at the default frame rate; fields not read keep their
    /// value.
    virtual IZRPos& fromText(const char* text) = 0;
    virtual IZRPos& assignFrames(int frames) = 0;
    virtual IZRPos& assign(const IZRPos* other) = 0;
    virtual bool operator<(const IZRPos* other) const = 0;
    virtual bool operator<=(const IZRPos* other) const = 0;
    virtual bool operator>(const IZRPos* other) const = 0;
    virtual bool operator>=(const IZRPos* other) const = 0;
    virtual bool operator==(const IZRPos* other) const = 0;
    virtual bool operator!=(const IZRPos* other) const = 0;
};
