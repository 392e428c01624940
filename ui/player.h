// CPlayer: plays a file through the desktop's sound server (PulseAudio, or PipeWire's
// PulseAudio server), as the 16-bit samples its conversion writes, at the file's rate; more
// than two channels are mixed to stereo for listening. Everything that can take time runs on
// a job of its own, never on the user-interface thread: opening the file, skipping to the
// start where the codec cannot seek, decoding ahead and handing blocks to the server. The
// server lists the stream as Orvex's, named after the file. No sound server, or no output
// device, is a normal state that Unavailable() describes once the background look has found it.
#pragma once

#include "background_job.h"
#include "level.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CPlayer
{
public:
    CPlayer();
    ~CPlayer();
    CPlayer(const CPlayer &) = delete;
    CPlayer &operator=(const CPlayer &) = delete;

    // Looks for a sound output in the background; `onKnown` runs on the user-interface
    // thread when the answer is in.
    void LookForOutput(std::function<void()> onKnown);
    // Why nothing can be played here, or empty (also before the answer is in).
    std::string Unavailable() const { return m_strUnavailable; }

    // Starts playing `path` from `frame` up to `end` (or the file's end), at `level`, and
    // returns at once;
    // the sound follows as soon as the file is open and at that frame. `onEnd` runs on the
    // user-interface thread when playing ends by itself: at `end` or the file's end (with an
    // empty reason) or because it cannot go on (with the reason in words).
    void Play(const std::string &path, uint64_t frame, uint64_t end, const SixteenBitLevel &level,
              std::function<void(std::string why)> onEnd);
    void Stop();
    bool IsPlaying() const { return m_play.IsRunning(); }
    // The frame being heard now; until the sound starts, the frame it will start from.
    uint64_t Position() const;

    // The text of the unavailable state, for the window's tooltip.
    static const char *const kNoOutput;

private:
    struct Shared;
    std::shared_ptr<Shared> m_playing;
    CBackgroundJob m_play{false}; // keeps time: never waits behind long work
    CBackgroundJob m_look;
    std::string m_strUnavailable;
};
