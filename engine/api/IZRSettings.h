#pragma once

#include <cstdint>

/// Settings by key name (8-bit keys compared without regard to case). Every operation answers
/// false for a key it does not know or a value out of range and then leaves its outputs alone.
/// Carried by the timeline and by every timeline object.
class IZRSettings {
public:
    virtual ~IZRSettings() = default;

    virtual bool getFadeFactor(const char* key, double* x, double* levelFrom, double* levelTo,
                               double* out) = 0;
    virtual bool getTrackChannelDoubleSetting(const char* key, int* track, unsigned* channel,
                                              double* out) = 0;
    virtual bool getUnicodeStringSetting(const char* key, const char16_t** out) = 0;
    virtual bool getStringSetting(const char* key, char** out) = 0;
    virtual bool getIntTripleSetting(const char* key, int* a, int* b, int* c) = 0;
    virtual bool getIntPairSetting(const char* key, int* a, int* b) = 0;
    virtual bool getIndexedDoubleSetting(const char* key, int* index, double* out) = 0;
    virtual bool getDoubleSetting(const char* key, double* out) = 0;
    virtual bool getIntSetting(const char* key, int* out) = 0;
    virtual bool addFadePoint(const char* key, double x, double y) = 0;
    virtual bool setTrackChannelDoubleSetting(const char* key, int track, unsigned channel,
                                              double value) = 0;
    virtual bool setUnicodeStringSetting(const char* key, const char16_t* value) = 0;
    virtual bool setStringSetting(const char* key, const char* value) = 0;
    virtual bool setIntTripleSetting(const char* key, int a, int b, int c) = 0;
    virtual bool setIntPairSetting(const char* key, int a, int b) = 0;
    virtual bool setIndexedDoubleSetting(const char* key, int index, double value) = 0;
    virtual bool setDoubleSetting(const char* key, double value) = 0;
    /// `value` is pointer-sized: "Temporary Directory" passes a text pointer through it.
    virtual bool setIntSetting(const char* key, intptr_t value) = 0;
};
