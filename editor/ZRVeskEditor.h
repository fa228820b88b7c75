#pragma once

#include "editor/ZRClipMarks.h"

#include <QObject>
#include <QSize>

#include <vector>

class IZRObject;
class IZRObjectFactory;
class IZRPos;
class IZRTimeline;
class QDropEvent;
class QString;
class ZREffect;

/// The editor object: every change of the project goes through it. It keeps the project's
/// picture as a chain of clips linked through their records (`ZRVideoUserData`), laid out
/// alternately on video tracks 1 and 3, each clip's transition into the next on track 2, titles on
/// video track 4 and free audio on audio tracks 10 and 11.
///
/// After every operation the chain holds these invariants: following `next` from `firstObject`
/// visits every chained clip once, numbered 0, 1, 2, ..., and ends at `lastObject`; clip 0 starts
/// at 0 on track 1 and the clips alternate between tracks 1 and 3; a clip without a transition is
/// followed one frame after its end, a clip with a transition of length L is followed L frames
/// earlier, the transition lying on track 2 at the next clip's start with mark-out L and direction
/// 0 (clip on track 1) or 1 (clip on track 3); the last clip has no transition; `objectCount`
/// equals the chain's length.
///
/// Without an attached timeline every operation does nothing and answers false, null or 0.
/// Every operation that changes tracks pauses the background renderer for its duration and, when
/// the outermost such operation ends, emits `projectChanged`. The editor never holds a track
/// list's lock while it calls an engine operation that changes tracks.
/// Thread-safety: confined to the GUI thread; other threads may render through the timeline
/// meanwhile.
class ZRVeskEditor : public QObject, public ZRClipMarks {
    Q_OBJECT

public:
    ZRVeskEditor();
    /// Clears the attached timeline (after `allObjectsToBeDeleted`) and gives back the end
    /// position.
    ~ZRVeskEditor() override;

    /// Attaches the engine timeline and makes the end position through its factory. A timeline
    /// attached before is left as it is; the chain starts empty.
    void setTimeline(IZRTimeline* timeline);
    IZRTimeline* timeline() const { return m_timeline; }

    // Project files. Neither loading nor starting a project emits `projectChanged`.

    /// Empties the project and runs the file through the engine, then rebuilds the chain from
    /// tracks 1 and 3 (taken in order of start), publishes the project's format and renders the
    /// thumbnails; emits `projectLoaded`. A missing file keeps the open project; a file the
    /// engine rejects leaves an empty one. Both failures are told through the notifier.
    virtual bool loadProject(const QString& path);
    /// Writes the project; the engine's answer (false when the file could not be written).
    virtual bool saveProject(const QString& path);
    /// Empties the project (after `allObjectsToBeDeleted`).
    virtual void newProject();
    /// A new engine object (on no track) for a media file; null when the path is not a file.
    virtual IZRObject* importFile(const QString& path);

    // Placement, insertion and removal of clips.

    /// Inserts a clip (not on any track) before the clip at `index`, or appends it at
    /// `objectCount`; false for a null clip or an index outside 0..count.
    virtual bool insertClip(IZRObject* clip, int index);
    /// Places a free audio object at `at` on audio track `track` (its picture disabled); an
    /// object there and those after it move later. Nothing for a null object or an empty chain.
    virtual void insertAudioObject(IZRPos* at, int track, IZRObject* object);
    /// Places a title at `at` on track 4 as `insertAudioObject` does; titles pushed past the end
    /// of the edit are cut or deleted. False for an empty chain, when nothing was placed, or when
    /// the clean-up deleted the new title itself.
    virtual bool insertTitle(IZRPos* at, IZRObject* title);
    /// A copy (not on any track) with the source's marks, effects and a fresh record of its kind;
    /// a clip's copy takes its first effect as its effect. Null when the engine cannot copy.
    virtual IZRObject* duplicateObject(IZRObject* object);
    /// Takes an object off the timeline and destroys it (after `objectToBeDeleted`).
    virtual void deleteObject(IZRObject* object);
    virtual void removeClipAt(int index, bool relayout);
    /// Takes a clip out of the chain and destroys it; its own transition goes with it.
    virtual void removeClip(IZRObject* clip, bool relayout, bool trimTracks);
    /// `deleteObject` for objects off the chain.
    virtual void deleteTrackObject(IZRObject* object);
    /// Destroys the transition that follows the clip; re-places the chain when `relayout`.
    virtual void removeTransition(IZRObject* clip, bool relayout);
    /// Takes an object off the timeline without destroying it.
    virtual void detachObject(IZRObject* object);
    /// Unlinks the clip at `index` (without cutting the other tracks) and returns it.
    virtual IZRObject* takeClipAt(int index);
    /// Takes a clip out of the chain and off the timeline without destroying it; a transition it
    /// had passes to the clip before it when it had a next clip.
    virtual void unlinkClip(IZRObject* clip, bool trimTracks);
    /// Unhooks a transition from its clip; the object stays on track 2 for the caller.
    virtual void detachTransition(IZRObject* transition);
    /// Moves a clip to before the clip now at `index` (to the end when there is none).
    virtual void moveClip(IZRObject* clip, int index);
    /// Gives a track object new ends, its marks following the change of each end.
    virtual void trimTrackObject(IZRObject* object, IZRPos* start, IZRPos* end);
    /// Moves the selected clips, in chain order, to `index`.
    virtual void moveSelected(int index);
    /// Inserts copies of the selected clips, in chain order, at `index` (at the end when there is
    /// no clip there).
    virtual void copySelected(int index);
    /// Deletes every selected clip, effect, transition, title and free audio object; with
    /// `trimTracks` the other tracks are cut at the chain's new end.
    virtual void deleteSelected(bool trimTracks);

    // Splitting, trimming, transitions and effects.

    /// Cuts a chained clip or a placed audio object in two at `at` (start < at <= end) and
    /// returns the new first part; null (nothing changed) otherwise or for a one-frame object.
    virtual IZRObject* splitObject(IZRObject* object, IZRPos* at);
    /// Gives a chained clip new ends (timeline positions); its marks follow the change of each
    /// end, it keeps its place in the chain, its effect keeps its length. Nothing when the
    /// marks would leave the source or the clip would be shorter than one frame.
    virtual void trimClip(IZRObject* clip, IZRPos* start, IZRPos* end);
    /// Sets a chained clip's mark-in (its effect keeps its length) and re-places the chain.
    void setClipMarkIn(IZRObject* clip, IZRPos* markIn) override;
    /// Sets a chained clip's mark-out (its effect follows the new length) and re-places the
    /// chain.
    void setClipMarkOut(IZRObject* clip, IZRPos* markOut) override;
    /// Attaches a transition (on no track) to the clip at `index`, or replaces the clip's one,
    /// keeping its start and length. False for a null transition, an index outside 0..count-2 or
    /// a transition that follows another clip.
    virtual bool setTransition(int index, IZRObject* transition);
    virtual void removeTransitionAt(int index);
    /// Gives a chained transition the length start..end (both included) and re-places the
    /// chain; nothing for a transition no chained clip owns or an end before the start.
    virtual void setTransitionLength(IZRObject* transition, IZRPos* start, IZRPos* end);
    /// Attaches an effect to the clip at `index`, replacing and destroying its old one; when the
    /// clip had none, an effect longer than the clip is cut to it. False when there is no such
    /// clip or no effect.
    virtual bool setEffect(int index, ZREffect* effect);
    /// Destroys the effect of the clip at `index`.
    virtual void removeEffect(int index);

    /// The object that a drop carries when it comes from a `ZRVeskEditorDrag` running in this
    /// process on this thread and names an object on the editor's tracks; null otherwise. The
    /// number is only compared, never used as an address, before it is found on a track.
    IZRObject* droppedObject(const QDropEvent* event);

    // Selection: flags only, no signal, no pause.

    virtual void clearAudioSelection();
    /// Clears every clip's and effect's selection and empties the clips' dictionaries.
    virtual void clearSelection();
    virtual void clearTitleSelection();
    virtual void clearTransitionSelection();
    virtual void clearAllSelections();
    virtual void select(int index);
    virtual void selectAll();
    /// Selects every clip, effect, transition, title and free audio object.
    virtual void selectEverything();
    /// Selects clips from..to; nothing unless 0 <= from and to < `objectCount`.
    virtual void selectRange(int from, int to);
    virtual void deselect(int index);
    virtual void deselectRange(int from, int to);
    virtual void invertSelection();
    virtual bool isSelected(int index);
    virtual int selectedCount();

    // Look-ups.

    /// The first object of audio track 10 + n for n 0 and 1; null otherwise.
    virtual IZRObject* audioTrackObject(int n, int unused);
    virtual IZRObject* firstObject();
    virtual IZRObject* lastObject();
    /// The first clip whose end is not earlier than `pos`; null at or after the end position.
    virtual IZRObject* clipAtPosition(IZRPos* pos);
    /// The clip with link index `index`, null when there is none (served from a one-clip cache).
    virtual IZRObject* objectAt(int index);
    /// The object's place in the chain, -1 when it is not chained.
    virtual int indexOf(IZRObject* object);
    virtual IZRObject* titleAt(IZRPos* pos);
    virtual IZRObject* transitionAt(IZRPos* pos);
    virtual IZRObject* transitionOf(int index);
    /// The clip under `pos` and how far into its part not covered by an incoming transition
    /// `pos` lies (0..1; 0.0 when that part is empty or one frame long). False, with index -1
    /// and fraction 0.0, when no clip lies there.
    virtual bool locatePosition(IZRPos* pos, int* index, double* fraction);
    /// The number of objects on video tracks 1 and 3.
    virtual int objectCount();
    virtual bool isEmpty();
    /// Re-places the chain from `clip` on, then renders its thumbnails.
    virtual void refreshFrom(IZRObject* clip);
    virtual void setLargeThumbSize(const QSize& size);
    virtual void setSmallThumbSize(const QSize& size);
    /// Renders the thumbnails of the clips from `from` to `to`, both included.
    virtual void updateThumbnails(IZRObject* from, IZRObject* to);
    virtual void updateThumbnail(IZRObject* clip);
    /// The end of the edit; owned by the editor (null before a timeline is attached).
    virtual IZRPos* endPosition();
    /// From `clip` on, the first clip that has a transition.
    virtual IZRObject* nextClipWithTransition(IZRObject* clip);
    /// Re-places the clips after `clip` (and `clip` itself when it is the first) and their
    /// transitions, shortening transitions that do not fit.
    virtual void relayoutFrom(IZRObject* clip);
    /// Deletes titles and free audio that start after the chain's end and cuts those that
    /// overlap it.
    virtual void trimTracksToEnd();

    QSize largeThumbSize() const { return m_largeThumbSize; }
    QSize smallThumbSize() const { return m_smallThumbSize; }

Q_SIGNALS:
    /// Immediately before the editor destroys an engine object.
    void objectToBeDeleted(IZRObject* object);
    /// Before the timeline is cleared.
    void allObjectsToBeDeleted();
    /// After the outermost operation that changed tracks, marks, transitions or effects.
    void projectChanged();
    /// After a project was loaded: the produce page selects its profile, then the preview
    /// redraws.
    void projectLoaded();

protected:
    /// Pauses the background renderer for its life (the engine counts nested pauses); the
    /// outermost scope emits `projectChanged` when it ends, unless it was made `quiet` (loading
    /// and starting projects announce no change, nor do the operations inside them).
    class EditScope {
    public:
        explicit EditScope(ZRVeskEditor& editor, bool quiet = false);
        ~EditScope();
        EditScope(const EditScope&) = delete;
        EditScope& operator=(const EditScope&) = delete;

    private:
        ZRVeskEditor& m_editor;
        bool m_quiet;
    };

    IZRObjectFactory* factory() const;
    /// Empties the `objectAt` cache.
    void forgetCursor();
    /// Empties the cache when it holds `clip`.
    void forgetCursor(IZRObject* clip);
    /// Takes `object` off its tracks and places it at `start` on the video and audio tracks
    /// `track` (as far as it has a picture and sound).
    void place(IZRObject* object, int track, IZRPos* start);
    /// Emits `objectToBeDeleted`, then takes the object off the timeline and destroys it.
    void destroyObject(IZRObject* object);
    /// endPosition := the engine's end position.
    void takeEngineEnd();
    /// The objects of one track list in order, read under the list's lock.
    std::vector<IZRObject*> trackObjects(int track, bool video);
    /// The chain's last frame (the last clip's end); false when the chain is empty.
    bool chainEnd(IZRPos* out);
    /// True when the clip is a link of the chain.
    bool isChained(IZRObject* clip);
    /// Joins the neighbours of a chained clip and renumbers the one after it; the clip's own
    /// links stay. Returns the clip before it (null for the first).
    IZRObject* relink(IZRObject* clip);
    /// Takes a relinked clip off the timeline; a new first clip moves to track 1 at 0.
    void takeOff(IZRObject* clip, IZRObject* before, IZRObject* next);
    /// Destroys the transition that follows the clip and its length (no relayout).
    void dropTransition(IZRObject* clip);
    /// Sets a transition's length and places it on track 2 at `start`.
    void placeTransition(IZRObject* transition, IZRPos* start, IZRPos* length);
    /// Renders the three thumbnails of one clip; `scratch` is a position to work with.
    void renderThumbnails(IZRObject* clip, IZRPos* scratch);
    /// Deletes a track object starting after `end` and cuts one that overlaps it.
    void keepWithin(IZRObject* object, IZRPos* end);
    /// Clears the selected bit of every object of one list.
    void clearTrackSelection(int track, bool video);
    void setTrackSelection(int track, bool video);
    /// Sets or clears the selected bit of clips from..to.
    void markRange(int from, int to, bool on);
    /// Shared body of the title and audio insertion.
    bool insertTrackObject(IZRPos* at, int track, bool video, IZRObject* object);
    /// Takes a chained clip off its track, gives it the marks given (null keeps one) and puts
    /// it back at its old start; false, with the old marks back, when the engine refuses them
    /// or the clip would be shorter than one frame.
    bool remark(IZRObject* clip, IZRPos* markIn, IZRPos* markOut);
    /// After a clip's marks changed: re-places the chain around it, cuts the other tracks to
    /// the chain and renders the clip's thumbnails.
    void settleTrim(IZRObject* clip);
    /// endPosition := the engine's end; when the other tracks reach past the chain, they are
    /// cut to it.
    void keepTracksWithinChain();
    /// Makes clip records of the clips of tracks 1 and 3, links them in order of start and
    /// resolves their stored transitions.
    void rebuildChain();
    /// True when the loaded chain lies as the invariants want it.
    bool placementHolds();
    /// Reads the project's format and publishes it.
    void publishFormat();

    IZRPos* m_endPosition = nullptr;
    IZRObject* m_cursorClip = nullptr;
    IZRObject* m_firstClip = nullptr;
    IZRObject* m_lastClip = nullptr;
    IZRTimeline* m_timeline = nullptr;
    int m_cursorIndex = -1;
    double m_defaultTransitionMs = 1000.0;
    QSize m_largeThumbSize{68, 51};
    QSize m_smallThumbSize{40, 30};
    int m_editDepth = 0;
};

/// Sets `out` to `clip`'s start plus `fraction` of its length less one frame, in whole
/// milliseconds: the inverse of `locatePosition` for a clip without an incoming transition.
void seekToObjectStart(IZRObject* clip, double fraction, IZRPos* out);
