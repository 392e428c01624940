// CPlayer over libpulse (see player.h). The simple API's blocking calls suit a thread of the
// player's own: pa_simple_write waits while the server's buffer is full, which paces the
// decoding a quarter of a second ahead of what is heard. The stream names the program (the
// client's application name) and the file (the stream's media name), which is how sound
// settings list it.
#include "player.h"

#include "audio_file_info.h"
#include "path_names.h"
#include "sixteen_bit_reader.h"

#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/simple.h>

#include <algorithm>
#include <vector>

const char *const CPlayer::kNoOutput
        = "No sound output was found: no sound server runs, or it has no output device.";

namespace {

constexpr char kClientName[] = "Orvex";
// How far decoding runs ahead of what is heard: enough that a busy machine leaves no gaps in
// the sound. Stop does not wait for it; it flushes what is queued.
constexpr pa_usec_t kAheadUsec = 250000;

struct SimpleCloser
{
    void operator()(pa_simple *s) const { pa_simple_free(s); }
};
struct MainloopCloser
{
    void operator()(pa_mainloop *m) const { pa_mainloop_free(m); }
};
struct ContextCloser
{
    void operator()(pa_context *c) const
    {
        pa_context_disconnect(c);
        pa_context_unref(c);
    }
};

// Whether the sound server answers and has an output to play to. Blocks until it knows.
bool SoundOutputExists()
{
    std::unique_ptr<pa_mainloop, MainloopCloser> loop(pa_mainloop_new());
    if (!loop)
        return false;
    std::unique_ptr<pa_context, ContextCloser> context(
            pa_context_new(pa_mainloop_get_api(loop.get()), kClientName));
    if (!context || pa_context_connect(context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return false;
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(context.get());
        if (state == PA_CONTEXT_READY)
            break;
        if (!PA_CONTEXT_IS_GOOD(state) || pa_mainloop_iterate(loop.get(), 1, nullptr) < 0)
            return false;
    }
    struct Answer
    {
        bool done = false;
        bool hasSink = false;
    } answer;
    pa_operation *asked = pa_context_get_server_info(
            context.get(),
            [](pa_context *, const pa_server_info *info, void *data) {
                auto *a = static_cast<Answer *>(data);
                a->hasSink = info && info->default_sink_name && *info->default_sink_name;
                a->done = true;
            },
            &answer);
    if (asked == nullptr)
        return false;
    while (!answer.done && pa_mainloop_iterate(loop.get(), 1, nullptr) >= 0) { }
    pa_operation_unref(asked);
    return answer.hasSink;
}

// Mixes `frames` interleaved frames of `in` channels to `out` (one or two) channels: the
// even channels to the left, the odd ones to the right.
void MixDown(const int16_t *block, uint32_t frames, uint32_t in, uint32_t out,
             std::vector<int16_t> &mixed)
{
    mixed.clear();
    for (uint32_t f = 0; f < frames; ++f) {
        const int16_t *frame = block + f * in;
        if (in <= out) {
            mixed.insert(mixed.end(), frame, frame + in);
            continue;
        }
        int sum[2] = {0, 0}, count[2] = {0, 0};
        for (uint32_t c = 0; c < in; ++c) {
            sum[c % 2] += frame[c];
            ++count[c % 2];
        }
        mixed.push_back(int16_t(sum[0] / count[0]));
        mixed.push_back(int16_t(sum[1] / count[1]));
    }
}

} // namespace

// What the playing thread tells the window.
struct CPlayer::Shared
{
    std::atomic<uint64_t> heard{0};
    std::string why; // written by the thread before it ends, read after
};

CPlayer::CPlayer() = default;

CPlayer::~CPlayer()
{
    Stop();
}

void CPlayer::LookForOutput(std::function<void()> onKnown)
{
    auto found = std::make_shared<std::atomic<bool>>(true);
    m_look.Start([found](const CBackgroundJob::Report &) { *found = SoundOutputExists(); }, nullptr,
                 [this, found, onKnown] {
                     m_strUnavailable = *found ? "" : kNoOutput;
                     if (onKnown)
                         onKnown();
                 });
}

void CPlayer::Play(const std::string &path, uint64_t frame, uint64_t end,
                   const SixteenBitLevel &level, std::function<void(std::string why)> onEnd)
{
    Stop();
    auto shared = std::make_shared<Shared>();
    shared->heard = frame;
    const std::string name = orvex::NameOf(path);
    m_playing = shared;
    m_play.Start(
            [shared, path, name, frame, end, level](const CBackgroundJob::Report &report) {
                CSixteenBitReader reader;
                if (reader.Open(path) != AudioError::None) {
                    shared->why = "The file could not be read to play it.";
                    return;
                }
                reader.SetLevel(level);
                const AudioInfo info = reader.GetInfo();
                const uint32_t outChannels = info.channels == 1 ? 1 : 2;
                const uint32_t blockFrames = 1024 / info.channels; // at most 1024 channels
                std::vector<int16_t> block(size_t(blockFrames) * info.channels), mixed;
                // Where the input cannot seek, the frames before the start are read and
                // dropped: here, not where the window waits.
                if (frame > 0 && !reader.Seek(frame))
                    for (uint64_t skipped = 0; skipped < frame && report(0);) {
                        const uint32_t n = reader.Read(
                                block.data(),
                                uint32_t(std::min<uint64_t>(blockFrames, frame - skipped)));
                        if (n == 0)
                            break;
                        skipped += n;
                    }
                const pa_sample_spec spec{PA_SAMPLE_S16LE, info.sampleRate, uint8_t(outChannels)};
                if (!pa_sample_spec_valid(&spec)) {
                    shared->why = "The sound output cannot play " + GroupedDecimal(info.sampleRate)
                            + " Hz.";
                    return;
                }
                const auto ahead = uint32_t(pa_usec_to_bytes(kAheadUsec, &spec));
                const pa_buffer_attr buffering{uint32_t(-1), ahead, uint32_t(-1), uint32_t(-1),
                                               uint32_t(-1)};
                int error = 0;
                std::unique_ptr<pa_simple, SimpleCloser> stream(
                        pa_simple_new(nullptr, kClientName, PA_STREAM_PLAYBACK, nullptr,
                                      name.c_str(), &spec, nullptr, &buffering, &error));
                if (!stream) {
                    shared->why = kNoOutput;
                    return;
                }
                uint64_t written = 0;
                auto next = [&] { // frames to read next: up to a block, never past the end
                    const uint64_t left = end > frame + written ? end - frame - written : 0;
                    return uint32_t(std::min<uint64_t>(blockFrames, left));
                };
                for (uint32_t n;
                     report(0) && next() > 0 && (n = reader.Read(block.data(), next())) > 0;) {
                    MixDown(block.data(), n, info.channels, outChannels, mixed);
                    if (pa_simple_write(stream.get(), mixed.data(), mixed.size() * 2, &error) < 0) {
                        shared->why = "The sound output stopped playing.";
                        return;
                    }
                    written += n;
                    const pa_usec_t late = pa_simple_get_latency(stream.get(), &error);
                    const uint64_t queued = late * info.sampleRate / 1000000;
                    shared->heard = frame + (written > queued ? written - queued : 0);
                }
                if (!report(0))
                    pa_simple_flush(stream.get(), &error); // stopped: silence it at once
                else
                    pa_simple_drain(stream.get(), &error); // the end: let it be heard
            },
            nullptr,
            [this, shared, onEnd] {
                // A server that went away leaves Play greyed until the window is opened again.
                if (shared->why == kNoOutput)
                    m_strUnavailable = kNoOutput;
                if (onEnd)
                    onEnd(shared->why);
            });
}

void CPlayer::Stop()
{
    // The thread notices within one block, silences and closes its stream by itself.
    m_play.Abandon();
    m_playing.reset();
}

uint64_t CPlayer::Position() const
{
    return m_playing ? m_playing->heard.load() : 0;
}
