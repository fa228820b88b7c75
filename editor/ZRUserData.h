#pragma once

#include <QHash>
#include <QImage>
#include <QVariant>

#include <cstdint>

class IZRObject;
class IZRPos;
class ZREffect;

/// The program's data hung on an engine object (its user value). Made by the program, handed to
/// the object with `IZRObject::setUserValue`, and deleted only through `deleteObjectUserData`
/// when the engine destroys the object. Confined to the GUI thread, except for its release,
/// which runs on whichever thread destroys the object.
class ZRUserData {
public:
    enum Kind : int32_t { Unset = -1, Video = 1, Audio = 2, Transition = 3, Title = 4 };
    enum Flag : uint8_t { Selected = 0x01 };

    virtual ~ZRUserData() = default;
    ZRUserData(const ZRUserData&) = delete;
    ZRUserData& operator=(const ZRUserData&) = delete;

    /// The record an object carries, null when it carries none.
    static ZRUserData* of(const IZRObject* object);

    /// For video clips the clip's index in the editor's chain; -1 for the other kinds.
    int32_t number = -1;
    /// Bit 0: selected.
    uint8_t flags = 0;
    int32_t kind = Unset;

    bool isSelected() const { return flags & Selected; }
    void setSelected(bool on) {
        flags = on ? uint8_t(flags | Selected) : uint8_t(flags & ~Selected);
    }

protected:
    ZRUserData() = default;
    ZRUserData(int32_t number, int32_t kind) : number(number), kind(kind) {}
};

/// A clip of the editor's chain of clips on the video track.
class ZRVideoUserData : public ZRUserData {
public:
    enum VideoFlag : uint8_t { EffectSelected = 0x01 };

    /// Number -1, no neighbours, the dictionary without auto-delete.
    ZRVideoUserData();
    ZRVideoUserData(int32_t number, IZRObject* previous, IZRObject* next);

    /// The neighbouring clips in the chain, null at the ends.
    IZRObject* previous = nullptr;
    IZRObject* next = nullptr;
    /// The clip's one video effect; also in the object's effect list. Owned by the engine's
    /// factory: destroyed once, through it, when the record is released.
    ZREffect* effect = nullptr;
    /// The transition (an object of track 2) that leads from this clip into the next one.
    IZRObject* linkedObject = nullptr;
    /// After a project load: the 1-based index of that transition within track 2, until the
    /// editor turns it into `linkedObject`; 0 when there is none.
    int32_t pendingTransition = 0;
    /// The transition's length; owned by this record (made and destroyed by the factory).
    IZRPos* linkedPosition = nullptr;
    QImage largeFirstFrame;
    QImage smallFirstFrame;
    QImage smallLastFrame;
    /// Bit 0: the clip's effect is selected.
    uint8_t videoFlags = 0;
    double value = 0.0;
    QHash<int, QVariant> dictionary;
    bool dictionaryAutoDelete = false;

    bool hasTransition() const { return linkedObject || pendingTransition > 0; }
};

/// An object on one of the audio tracks.
class ZRAudioUserData : public ZRUserData {
public:
    /// Number -1, the dictionary without auto-delete (the audio track's record).
    ZRAudioUserData();
    /// The parser's record: the dictionary auto-deletes.
    explicit ZRAudioUserData(int32_t number);

    uint8_t audioFlags = 0;
    double value = 0.0;
    QHash<int, QVariant> dictionary;
    bool dictionaryAutoDelete = false;
};

/// A transition on track 2; its number is the index of the clip it follows (-1 unattached).
class ZRTransitionUserData : public ZRUserData {
public:
    ZRTransitionUserData() : ZRUserData(-1, Transition) {}

    /// The clip the transition follows, null while unattached.
    IZRObject* owner = nullptr;
};

/// A title object.
class ZRTitleUserData : public ZRUserData {
public:
    ZRTitleUserData() : ZRUserData(-1, Title) {}
};
