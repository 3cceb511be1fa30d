#pragma once
// The converter: libvlc plays a media locator through one stream-output
// option and writes what it plays into a file. Plain C++, so that the
// command line uses it without a window.
#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

class CVLCControl;
class DiscTitleStream;
struct libvlc_instance_t;
struct vlc_log_t;
typedef struct vlc_log_t libvlc_log_t;
struct libvlc_media_player_t;
struct libvlc_event_t;

// One libvlc instance, shared by the controls of a program run. Its log goes
// to stderr only when TARVOK_VLC_VERBOSE is set; the errors that mean a
// conversion failed (a file that cannot be written, an encoder that cannot
// be found) go to the control whose item is converting.
class VlcInstance {
public:
    // `withDisplay` false: no video output at all (the command line).
    explicit VlcInstance(bool withDisplay);
    ~VlcInstance();
    VlcInstance(const VlcInstance&) = delete;
    VlcInstance& operator=(const VlcInstance&) = delete;
    libvlc_instance_t* get() const { return instance; }
    // The control that libvlc's errors are about from now on, until it stops listening.
    void Listen(CVLCControl* control);
    void StopListening(const CVLCControl* control);

private:
    static void OnLog(void* self, int level, const libvlc_log_t* context, const char* format, va_list arguments);

    libvlc_instance_t* instance;
    bool talkative;
    std::mutex listenerLock;
    CVLCControl* listener = nullptr;
};

class VlcError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class CVLCControl {
public:
    explicit CVLCControl(VlcInstance& vlc);
    ~CVLCControl();
    CVLCControl(const CVLCControl&) = delete;
    CVLCControl& operator=(const CVLCControl&) = delete;

    // The pictures of a display output (the preview) come to the program,
    // scaled to `width` x `height`, rather than going into a window of
    // libvlc's own: a native X window among Qt Quick movies stops them
    // drawing. `ready` is called from libvlc's thread after each picture.
    void ShowPicturesIn(int width, int height, std::function<void()> ready);
    // The latest picture as RGB32 rows of 4 * width bytes; empty before the first.
    std::vector<uint8_t> LatestPicture() const;

    // Replaces what the control held with this one item, applies the options
    // and starts converting at once. A disc ("dvdsimple://") is read by the
    // program's own title reader and handed to libvlc as one stream. Throws
    // VlcError when libvlc refuses; a disc that cannot be read ends at once
    // as a failed item, before any file is written.
    void addTarget(const std::string& locator, const std::vector<std::string>& options, int mode, int position);
    // Ends playing and converting; the output written so far stays. A read
    // of the disc under way gives up, so this never waits for a slow drive.
    void stop();
    // Forgets the item.
    void playlistClear();
    // Fraction played, 0..1, while the item plays; below 0 when nothing plays.
    float GetPosition() const;
    // Whole seconds played while the item plays; below 0 when nothing plays.
    int GetTime() const;

    // True once the current item converted something: for a disc, the title
    // reader handed libvlc data; otherwise libvlc reported it moving.
    bool Advanced() const;
    // Why the current item failed: the disc could not be read, libvlc could
    // not write or encode, or the item ended before the disc did. Empty
    // while nothing went wrong.
    std::string Failure() const;
    // The failure is one no second attempt mends (an encrypted disc).
    bool FailureIsFinal() const { return finalFailure; }

    // From libvlc's threads: an error of the conversion.
    void NoteConverterError(const std::string& text);

private:
    static void OnPlayerEvent(const libvlc_event_t* event, void* self);
    static void* LockPicture(void* self, void** planes);
    static void ShowPicture(void* self, void* picture);
    bool Playing() const;
    // Keeps what the title reader saw before it goes with its player.
    void KeepDiscReport();

    VlcInstance& vlc;
    libvlc_media_player_t* player = nullptr;
    std::unique_ptr<DiscTitleStream> disc;  // read by libvlc's threads while the player lives

    // The preview's pictures: libvlc draws into `drawing`, which then becomes `shown`.
    int pictureWidth = 0, pictureHeight = 0;
    std::function<void()> pictureReady;
    mutable std::mutex pictureLock;
    std::vector<uint8_t> drawing, shown;
    // Set from libvlc's own threads when the item has ended, failed or stopped:
    // the player keeps its last position and time, which must not count.
    std::atomic<bool> finished{false};
    std::atomic<bool> endReached{false};
    std::atomic<bool> errorSeen{false};
    std::atomic<bool> advanced{false};

    // What went wrong with the current item, and what the reader saw of it.
    bool readsDisc = false;
    bool finalFailure = false;
    std::string openProblem;
    mutable std::mutex reportLock;
    std::string converterError;
    std::string discError;
    bool discReachedEnd = false;
    uint64_t discDelivered = 0;
};
