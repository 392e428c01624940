// CPlayer over QAudioSink (see player.h).
#include "player.h"

#include "audio_file_info.h"
#include "sixteen_bit_reader.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace {

// The samples of one file as a sequential device, decoded as the sink asks for them.
class CSampleSource final : public QIODevice
{
public:
    CSampleSource(std::unique_ptr<CSixteenBitReader> reader, int outChannels)
        : m_reader(std::move(reader))
        , m_inChannels(m_reader->GetInfo().channels)
        , m_outChannels(outChannels)
    { }
    bool isSequential() const override { return true; }
    bool atEnd() const override { return m_ended && m_ready.empty(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const auto frameBytes = qint64(m_outChannels * sizeof(int16_t));
        qint64 done = 0;
        while (done + frameBytes <= maxSize) {
            if (m_next == m_ready.size() && !Decode())
                break;
            const qint64 take = std::min<qint64>((maxSize - done) / frameBytes * frameBytes,
                                                 qint64(m_ready.size() - m_next) * 2);
            std::memcpy(data + done, m_ready.data() + m_next, size_t(take));
            m_next += size_t(take / 2);
            done += take;
        }
        return done;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    // Decodes one block, mixed to the output's channels: the even channels to the left,
    // the odd ones to the right.
    bool Decode()
    {
        int16_t block[1024];
        const uint32_t frames
                = m_ended ? 0 : m_reader->Read(block, std::max(1024 / m_inChannels, 1u));
        m_ended = frames == 0;
        m_ready.clear();
        m_next = 0;
        for (uint32_t f = 0; f < frames; ++f) {
            const int16_t *frame = block + f * m_inChannels;
            if (int(m_inChannels) <= m_outChannels) {
                m_ready.insert(m_ready.end(), frame, frame + m_inChannels);
                continue;
            }
            int sum[2] = {0, 0}, count[2] = {0, 0};
            for (uint32_t c = 0; c < m_inChannels; ++c) {
                sum[c % 2] += frame[c];
                ++count[c % 2];
            }
            m_ready.push_back(int16_t(sum[0] / count[0]));
            m_ready.push_back(int16_t(sum[1] / count[1]));
        }
        return frames > 0;
    }

    std::unique_ptr<CSixteenBitReader> m_reader;
    uint32_t m_inChannels;
    int m_outChannels;
    std::vector<int16_t> m_ready;
    size_t m_next = 0;
    bool m_ended = false;
};

} // namespace

struct CPlayer::Playing
{
    std::unique_ptr<CSampleSource> source;
    std::unique_ptr<QAudioSink> sink;
    uint64_t from = 0;
    uint32_t rate = 0;
};

CPlayer::CPlayer() = default;

CPlayer::~CPlayer()
{
    Stop();
}

std::string CPlayer::Unavailable() const
{
    if (QMediaDevices::defaultAudioOutput().isNull())
        return "No sound output was found: no sound server runs, or it has no output device.";
    return {};
}

bool CPlayer::Play(const std::string &path, uint64_t frame, std::function<void()> onEnd,
                   std::string &why)
{
    Stop();
    why = Unavailable();
    if (!why.empty())
        return false;
    auto reader = std::make_unique<CSixteenBitReader>();
    if (reader->Open(path) != AudioError::None) {
        why = "The file could not be read to play it.";
        return false;
    }
    const AudioInfo info = reader->GetInfo();
    QAudioFormat format;
    format.setSampleRate(int(std::min<uint32_t>(info.sampleRate, INT32_MAX)));
    format.setChannelCount(info.channels == 1 ? 1 : 2);
    format.setSampleFormat(QAudioFormat::Int16);
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (!device.isFormatSupported(format)) {
        why = "The sound output cannot play " + GroupedDecimal(info.sampleRate) + " Hz" + ".";
        return false;
    }
    // Where the input cannot seek, the frames before the start are read and dropped.
    if (frame > 0 && !reader->Seek(frame)) {
        std::vector<int16_t> skip(1024);
        for (uint64_t skipped = 0; skipped < frame;) {
            const uint32_t n = reader->Read(skip.data(), std::max(1024 / info.channels, 1u));
            if (n == 0)
                break;
            skipped += n;
        }
    }
    auto playing = std::make_unique<Playing>();
    playing->source = std::make_unique<CSampleSource>(std::move(reader), format.channelCount());
    playing->source->open(QIODevice::ReadOnly);
    playing->sink = std::make_unique<QAudioSink>(device, format);
    playing->from = frame;
    playing->rate = info.sampleRate;
    QObject::connect(
            playing->sink.get(), &QAudioSink::stateChanged, playing->sink.get(),
            [this, onEnd](QAudio::State state) {
                if (state != QAudio::IdleState || !m_playing->source->atEnd())
                    return;
                // Everything is handed over, but what the server holds still plays:
                // stop once that is heard (and never inside the sink's own signal).
                QAudioSink *sink = m_playing->sink.get();
                const qint64 bytesPerSecond = qint64(sink->format().bytesForDuration(1000000));
                const int ms
                        = int(bytesPerSecond > 0 ? sink->bufferSize() * 1000 / bytesPerSecond : 0);
                QTimer::singleShot(ms + 50, sink, [this, onEnd] {
                    Stop();
                    if (onEnd)
                        onEnd();
                });
            });
    playing->sink->start(playing->source.get());
    if (playing->sink->error() != QAudio::NoError) {
        why = "The sound output refused to play.";
        return false;
    }
    m_playing = std::move(playing);
    return true;
}

void CPlayer::Stop()
{
    if (!m_playing)
        return;
    std::unique_ptr<Playing> playing = std::move(m_playing);
    playing->sink->disconnect();
    playing->sink->stop();
}

bool CPlayer::IsPlaying() const
{
    return m_playing != nullptr;
}

uint64_t CPlayer::Position() const
{
    if (!m_playing)
        return 0;
    return m_playing->from
            + uint64_t(m_playing->sink->processedUSecs()) * m_playing->rate / 1000000;
}
