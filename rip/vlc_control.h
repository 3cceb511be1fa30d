#pragma once
// The converter: libvlc plays a media locator through one stream-output
// option and writes what it plays into a file. Plain C++, so that the
// command line uses it without a window.
#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class DiscTitleStream;
struct libvlc_instance_t;
struct libvlc_media_player_t;
struct libvlc_event_t;

// One libvlc instance, shared by the controls of a program run. Its log goes
// to stderr only when TARVOK_VLC_VERBOSE is set.
class VlcInstance {
public:
    // `withDisplay` false: no video output at all (the command line).
    explicit VlcInstance(bool withDisplay);
    ~VlcInstance();
    VlcInstance(const VlcInstance&) = delete;
    VlcInstance& operator=(const VlcInstance&) = delete;
    libvlc_instance_t* get() const { return instance; }

private:
    libvlc_instance_t* instance;
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

    // The X11 window that a display output draws into (0: none).
    void SetWindow(unsigned long xid) { window = xid; }

    // Replaces what the control held with this one item, applies the options
    // and starts converting at once. A disc ("dvdsimple://") is read by the
    // program's own title reader and handed to libvlc as one stream. Throws VlcError when libvlc
    // refuses; a disc that cannot be read ends at once as a failed item.
    void addTarget(const std::string& locator, const std::vector<std::string>& options, int mode, int position);
    // Ends playing and converting; the output written so far stays.
    void stop();
    // Forgets the item.
    void playlistClear();
    // Fraction played, 0..1, while the item plays; below 0 when nothing plays.
    float GetPosition() const;
    // Whole seconds played while the item plays; below 0 when nothing plays.
    int GetTime() const;
    // True once libvlc reported an error for the current item.
    bool EncounteredError() const { return errorSeen; }
    // True once the current item was seen to move forward, however briefly.
    bool Advanced() const { return advanced; }

private:
    static void OnPlayerEvent(const libvlc_event_t* event, void* self);
    bool Playing() const;

    VlcInstance& vlc;
    libvlc_media_player_t* player = nullptr;
    std::unique_ptr<DiscTitleStream> disc;  // read by libvlc's threads while the player lives
    unsigned long window = 0;
    // Set from libvlc's own threads when the item has ended, failed or stopped:
    // the player keeps its last position and time, which must not count.
    std::atomic<bool> finished{false};
    std::atomic<bool> errorSeen{false};
    std::atomic<bool> advanced{false};
};
