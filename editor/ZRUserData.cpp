#include "editor/ZRUserData.h"

#include "engine/api/IZRObject.h"

// Qt's integer dictionaries of the records start with 17 buckets.
constexpr int kDictionaryBuckets = 17;

ZRUserData* ZRUserData::of(const IZRObject* object) {
    return object ? reinterpret_cast<ZRUserData*>(object->getUserValue()) : nullptr;
}

ZRVideoUserData::ZRVideoUserData() : ZRUserData(-1, Video) {
    dictionary.reserve(kDictionaryBuckets);
}

ZRVideoUserData::ZRVideoUserData(int32_t number, IZRObject* previous, IZRObject* next)
    : ZRUserData(number, Video), previous(previous), next(next), dictionaryAutoDelete(true) {
    dictionary.reserve(kDictionaryBuckets);
}

ZRAudioUserData::ZRAudioUserData() : ZRUserData(-1, Audio) {
    dictionary.reserve(kDictionaryBuckets);
}

ZRAudioUserData::ZRAudioUserData(int32_t number)
    : ZRUserData(number, Audio), dictionaryAutoDelete(true) {
    dictionary.reserve(kDictionaryBuckets);
}
