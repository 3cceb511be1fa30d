#pragma once
// The converter control: it takes a disc's media locator and the chain's
// one stream-output option, converts the disc into the option's file with
// FFmpeg's libraries, and tells how far it has come. Plain C++, so that the
// command line uses it without a window.
#include "read/disc_title_stream.h"
#include "convert/stream_output.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

class Transcoder;

// What the converter reads: a disc, as libdvdread opens it, and the runs of
// it to play.
struct DiscPart {
    std::string disc;
    PlayList playList;
    std::string problem;     // why the play list lacks a title: the item fails with it
    bool wholeDisc = true;   // chapter marks then name their titles
};

// The control refuses an item: its option or locator is not one it can carry out.
class ConverterError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class CVLCControl {
public:
    CVLCControl();
    ~CVLCControl();
    CVLCControl(const CVLCControl&) = delete;
    CVLCControl& operator=(const CVLCControl&) = delete;

    // With the chain's display, the pictures being converted come to the
    // program scaled to `width` x `height`; `ready` is called from the
    // converter's thread after each, at playing speed.
    void ShowPicturesIn(int width, int height, std::function<void()> ready);
    // `ended` is called, from a thread of the control's, when an item started
    // after this ends by itself: converted, failed, or its disc not opened.
    void TellWhenEnded(std::function<void()> ended);
    // The latest picture as RGB32 rows of 4 * width bytes; empty before the first.
    std::vector<uint8_t> LatestPicture() const;

    // Replaces what the control held with this one item and starts
    // converting at once: the disc ("dvdsimple://", the whole disc or the
    // part after '#') into the file the one option names. Throws
    // ConverterError for an option or locator it cannot carry out; a disc
    // that cannot be read ends as a failed item, before any file is
    // written. The disc is opened on a thread of the control's own: until
    // it is, the item converts, at position and time 0.
    void addTarget(const std::string& locator, const std::vector<std::string>& options, int mode, int position);
    // The same for a part of a disc the caller has read already: nothing is
    // loaded again. `outputFile`: the option's file, opened by the caller,
    // which is written through that descriptor only; -1: made by its name.
    void Convert(const DiscPart& part, const std::string& option, int outputFile = -1);
    // Ends converting; the file is finished with what was converted so far,
    // so that it plays. Returns once it is closed.
    void stop();
    // Forgets the item.
    void playlistClear();
    // Fraction of the disc read, 0..1, while the item converts; below 0 when nothing converts.
    float GetPosition() const;
    // Whole seconds of the output converted while the item converts; below 0 when nothing converts.
    int GetTime() const;

    // True once the current item converted something: the disc gave data.
    bool Advanced() const;
    // Why the current item failed: the disc could not be read, the file
    // could not be written or encoded, or the item ended before the disc
    // did. Empty while nothing went wrong.
    std::string Failure() const;
    // The damage of the disc passed over (sectors that could not be read);
    // the item converts all the same.
    std::vector<DamagedSpan> Damage() const;
    // What the file leaves out or changes of the disc's subtitles so that it
    // plays (streams past the 32 a file carries, subpictures whose times are
    // wrong), one sentence each; the item converts all the same.
    std::vector<std::string> Notes() const;
    // The failure is one no second attempt mends (an encrypted disc).
    bool FailureIsFinal() const;

private:
    struct Opening;
    // Replaces the item with `part` converted as `output` says.
    void Launch(const DiscPart& part, const StreamOutput& output, int outputFile = -1);
    // Takes over what the opening thread made, once it is done.
    void Settle() const;
    bool StillOpening() const;
    bool Converting() const;
    // Keeps what the item's reader and converter saw before they go.
    void KeepReport();

    // The item: its disc and its converter (which reads `disc` on its
    // threads while it lives), or why the disc could not be opened. The disc
    // is opened on a thread of its own, since a drive that hangs must not
    // hold the caller; what it made is taken over at the first look after
    // (hence mutable), or abandoned to it.
    struct Item {
        std::unique_ptr<DiscTitleStream> disc;
        std::unique_ptr<Transcoder> transcoder;
        std::string openProblem;
        bool finalFailure = false;
        std::vector<std::string> subtitlesLeftOut;
    };
    mutable Item item;
    mutable std::shared_ptr<Opening> opening;
    bool stopped = false;

    // The preview's pictures: the newest is `shown`.
    int pictureWidth = 0, pictureHeight = 0;
    std::function<void()> pictureReady;
    std::function<void()> itemEnded;
    mutable std::mutex pictureLock;
    std::vector<uint8_t> shown;

    // What was seen of the current item once it is cleared.
    struct Report {
        std::string readError, convertError;
        bool readToTheEnd = false, endedByItself = false;
        uint64_t delivered = 0;
        std::vector<DamagedSpan> damage;
        int subpicturesLeftOut = 0, subpicturesCut = 0;
    } kept;
};
