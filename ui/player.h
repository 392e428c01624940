// CPlayer: plays a file through the desktop's sound server, as the 16-bit samples its
// conversion writes, at the file's rate; more than two channels are mixed to stereo for
// listening. Qt Multimedia's QAudioSink pulls the samples in small blocks on the
// user-interface thread, each decoded as it is asked for. No sound server, or no output
// device, is a normal state that Unavailable() describes.
#pragma once

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

    // Why nothing can be played here, or empty.
    std::string Unavailable() const;
    // Starts playing `path` from `frame`; false, with the reason in `why`, when it cannot.
    // `onEnd` runs (on the user-interface thread) when the file has played to its end.
    bool Play(const std::string &path, uint64_t frame, std::function<void()> onEnd,
              std::string &why);
    void Stop();
    bool IsPlaying() const;
    // The frame being heard now.
    uint64_t Position() const;

private:
    struct Playing;
    std::unique_ptr<Playing> m_playing;
};
