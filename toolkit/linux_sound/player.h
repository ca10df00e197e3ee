#pragma once
// sndPlaySoundA on Linux. A request returns at once; the player's worker
// thread, started by the first one, reads the file, keeps what it decoded for
// quick replay and hands it to the best output open (sink.h).
// - The latest request wins over any still waiting or being decoded, and what
//   sounds gives way at once. A file that cannot be played sounds an alert.
// - Outputs are opened on a thread of their own, so no server or device that
//   fails to answer holds a request or the end of the program. A lost
//   output is replaced as soon as it goes, a better one than that in use is
//   tried at every request and, while a loop sounds, every half second: a
//   sound server that starts after the program, or again after a crash, is
//   used from then on, and a loop resumes there. With none, one stderr line
//   says so.
// - Ending the player fades what sounds before the output closes.

#include "toolkit/linux_sound/sink.h"
#include "toolkit/linux_sound/sound_cache.h"
#include "toolkit/platform.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace tk::linux_sound {

// How long ALSA's device stays open after the last sound before it is let
// go: a tuning session is a run of presses a second or two apart, and
// opening it again takes a while. The server's stream rests as soon as it
// has played its last sound: corked, it wakes as fast as it answers while
// it runs (bench/sound/press_to_sound.sh: long against idle), and running
// it would cost its wakeups for nothing.
inline constexpr double kStayReadySeconds = 15.0;

// The short alert that sounds in place of a file that cannot be played, made
// in memory so that it needs nothing on disk.
inline constexpr double kFallbackAlertHz = 880.0;
inline constexpr double kFallbackAlertSeconds = 0.25;

class Player final : public SoundOutput {
public:
    // The outputs to try, best first; by default this machine's (sink.h).
    explicit Player(std::vector<SinkOpener> outputs = {});
    ~Player() override;

    // Always reports success: failures are not the caller's concern.
    int sndPlaySoundA(const std::string& path, unsigned flags) override;

    // Until every request made so far has reached the output or been
    // dropped, and no output is being opened.
    void WaitUntilSettled();

    struct Stats {
        bool open = false;           // an output is open
        std::uint64_t opens = 0;     // outputs opened, the first included
        std::uint64_t decodes = 0;   // files read and decoded
        std::uint64_t fallbacks = 0; // alerts sounded for unplayable files
    };
    Stats GetStats() const;

private:
    struct Request {
        std::string path;
        bool loop, alert;
        std::uint64_t generation;
    };
    // What the worker and the opener share. The opener may outlive the
    // player, left behind in an open that does not return.
    struct Shared;
    // What sounds, or was asked for while no output was open.
    struct Sounding {
        std::shared_ptr<const Pcm> sound;
        bool loop = false;
        bool heard = false;
    };

    static void Open(std::shared_ptr<Shared> shared);
    void Run();
    void Handle(const Request& request);
    void Adopt(std::unique_ptr<Sink> sink, std::size_t rank);
    void Drop();
    // The request's file decoded, nullptr when it cannot be played; nothing
    // when a newer request made it moot.
    std::optional<std::shared_ptr<const Pcm>> Read(const Request& request);

    const std::shared_ptr<Shared> shared_;

    // The worker's own.
    std::unique_ptr<Sink> sink_;
    std::size_t sink_rank_ = 0;
    Sounding sounding_;
    SoundCache cache_;
    std::shared_ptr<const Pcm> alert_;

    std::thread worker_;
    std::thread opener_;
};

} // namespace tk::linux_sound
