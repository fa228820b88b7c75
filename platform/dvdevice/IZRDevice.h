#pragma once

#include <QString>

#include <memory>

/// The kinds of device `IZRCreateDeviceInstance` makes.
enum ZRDeviceType { ZRDeviceDVOutput = 0 };

/// The parameter record of a DV output's `open`: the frame size the caller expects (120000 or
/// 144000 bytes) and the device's display name as the device lists give it ("ieee1394:" and
/// the node's GUID).
struct ZRDeviceOpenParams {
    int frameSize = 0;
    QString deviceName;
};

/// An output device: opened by name with a parameter record, steered by keyed values, fed one
/// frame per `write`, closed. The DV output's key is "AVC": set sends a transport code (the
/// ED_MODE codes of the transport controller), get reads the transport's state as such a code.
/// Thread-safety: one thread at a time.
class IZRDevice {
public:
    /// Opens the device; `name` names the user ("Live Output"), `params` points to the kind's
    /// parameter record. False leaves the device closed.
    virtual bool open(const char* name, void* params) = 0;
    /// Sets the value of `key`; an unknown key, or a closed device, does nothing.
    virtual void setValue(const char* key, long* value) = 0;
    /// Reads the value of `key` into `out`; false (and `*out` untouched) when it cannot.
    virtual bool getValue(const char* key, long* out) = 0;
    /// Sends one frame of `size` bytes; blocks while the device's queue is full. False for a
    /// closed device, a null frame or a size the device does not take.
    virtual bool write(const void* data, int size) = 0;
    /// Closes the device; writes after it fail.
    virtual void close() = 0;
    virtual ~IZRDevice() = default;
};

/// Makes a device of `type`; null for a type there is none of.
std::unique_ptr<IZRDevice> IZRCreateDeviceInstance(int type);
