// Files that other programs write: every container and encoding Orvex reads, written at test
// time by sox, ffmpeg and libsndfile in one, two and six channels where the container allows,
// with an odd number of frames, ADPCM also in other block sizes. Each must describe and convert as
// libsndfile reads it (values brought to 16 bits by the conversion's rule), or be refused with its
// code and a sentence that says why. Two readings of libsndfile's are not followed, on purpose: it
// reads the planes of a stereo 8SVX file as frames (sox, which wrote them, is the oracle there),
// and its packed 24-bit PARIS reader drops the last blocks (it must agree as far as it reads).
#include "audio_file_info.h"
#include "fixtures.h"

#include <gtest/gtest.h>
#include <sndfile.h>

using namespace fixtures;

namespace {

constexpr int kFrames = 2049;

struct Peer
{
    const char *writer; // sox, ffmpeg or libsndfile
    const char *name; // its extension names the container to sox and ffmpeg
    const char *options; // sox's encoding options, or ffmpeg's codec
    std::vector<int> channels;
    AudioError refused = AudioError::None;
    int format = 0; // libsndfile's format code
    int rate = 22050;
};

// Writes the peer's file: tones of different pitch on each channel.
bool Write(const Peer &p, int channels, const std::string &path)
{
    std::string tones, exprs;
    for (int c = 0; c < channels; ++c) {
        tones += " sine " + std::to_string(300 + 150 * c);
        exprs += std::string(c ? "|" : "") + "0.6*sin(2*PI*" + std::to_string(300 + 150 * c)
                + "*t)";
    }
    const std::string n = std::to_string(kFrames), rate = std::to_string(p.rate);
    if (std::string(p.writer) == "libsndfile")
        return WriteWithSndfile(path, p.format, channels, p.rate, kFrames);
    const std::string command = std::string(p.writer) == "sox"
            ? "sox -R -r " + rate + " -c " + std::to_string(channels) + " -n " + p.options + " "
                    + path + " synth " + n + "s" + tones + " gain -3 2>/dev/null"
            : "ffmpeg -v error -y -f lavfi -i 'aevalsrc=" + exprs + ":s=" + rate
                    + "' -af atrim=end_sample=" + n + " -c:a " + p.options + " " + path;
    return std::system(command.c_str()) == 0;
}

// What sox reads of the file, brought to 16 bits by its own rule (a power of two).
std::vector<int16_t> SoxSamples(const std::string &path)
{
    const int status
            = std::system(("sox " + path + " -t raw -e signed -b 16 " + path + ".raw").c_str());
    std::vector<int16_t> samples;
    const std::vector<uint8_t> raw = ReadFile(path + ".raw");
    for (size_t i = 0; status == 0 && i + 1 < raw.size(); i += 2)
        samples.push_back(static_cast<int16_t>(raw[i] | raw[i + 1] << 8));
    return samples;
}

} // namespace

TEST(Peers, FilesOtherProgramsWriteReadAsLibsndfileReadsThem)
{
    using A = AudioError;
    const std::vector<int> mono{1}, stereo{1, 2}, many{1, 2, 6};
    const int le = SF_ENDIAN_LITTLE, be = SF_ENDIAN_BIG;
    // clang-format off
    const Peer peers[] = {
        {"sox", "a.wav", "-e unsigned -b 8", many}, {"sox", "a.wav", "-b 16", many},
        {"sox", "a.wav", "-b 24", many}, {"sox", "a.wav", "-b 32", many},
        {"sox", "a.wav", "-e float -b 32", many}, {"sox", "a.wav", "-e u-law", many},
        {"sox", "a.wav", "-e a-law", many}, {"sox", "a.wav", "-e ima-adpcm", stereo},
        {"sox", "a.wav", "-e ms-adpcm", stereo}, {"sox", "a.wav", "-e gsm-full-rate", mono, A::None, 0, 8000},
        {"sox", "a.aiff", "-b 8", many}, {"sox", "a.aiff", "-b 16", many}, {"sox", "a.aiff", "-b 24", many},
        {"sox", "a.aiff", "-b 32", many}, {"sox", "a.aifc", "-e float -b 32", many},
        {"sox", "a.au", "-e u-law", many}, {"sox", "a.au", "-e a-law", many}, {"sox", "a.au", "-b 8", many},
        {"sox", "a.au", "-b 16", many}, {"sox", "a.au", "-b 24", many}, {"sox", "a.au", "-b 32", many},
        {"sox", "a.au", "-e float -b 32", many},
        {"sox", "a.8svx", "-b 8", stereo}, // stereo: the left channel's values, then the right's
        {"sox", "a.paf", "-b 16", many}, {"sox", "a.paf", "-b 24", many},
        {"sox", "a.sph", "-b 16", mono, A::NistBadEncoding}, // a sample coding of "pcm"
        {"sox", "a.sf", "-b 16", mono, A::IrcamNoMarker}, // marker 64 A3 01 00
        {"ffmpeg", "a.wav", "pcm_u8", many}, {"ffmpeg", "a.wav", "pcm_s16le", many},
        {"ffmpeg", "a.wav", "pcm_s24le", many}, {"ffmpeg", "a.wav", "pcm_s32le", many},
        {"ffmpeg", "a.wav", "pcm_f32le", many}, {"ffmpeg", "a.wav", "pcm_mulaw", many},
        {"ffmpeg", "a.wav", "pcm_alaw", many}, {"ffmpeg", "a.wav", "adpcm_ima_wav", stereo},
        {"ffmpeg", "a.wav", "adpcm_ms", stereo}, {"ffmpeg", "a.wav", "libgsm_ms", mono, A::None, 0, 8000},
        {"ffmpeg", "a.wav", "adpcm_ima_wav -block_size 256", stereo}, {"ffmpeg", "a.wav", "adpcm_ima_wav -block_size 8192", stereo},
        {"ffmpeg", "a.wav", "adpcm_ms -block_size 256", stereo}, {"ffmpeg", "a.wav", "adpcm_ms -block_size 8192", stereo},
        {"sox", "a.wav", "-e ima-adpcm", stereo, A::None, 0, 48000}, {"sox", "a.wav", "-e ms-adpcm", stereo, A::None, 0, 8000},
        {"ffmpeg", "a.wav", "pcm_f64le", mono, A::UnimplementedFormat},
        {"ffmpeg", "a.aiff", "pcm_s8", many}, {"ffmpeg", "a.aiff", "pcm_s16be", many},
        {"ffmpeg", "a.aiff", "pcm_s24be", many}, {"ffmpeg", "a.aiff", "pcm_s32be", many},
        {"ffmpeg", "a.aiff", "pcm_f32be", many}, {"ffmpeg", "a.aiff", "pcm_mulaw", mono, A::UnimplementedFormat},
        {"ffmpeg", "a.au", "pcm_s8", many}, {"ffmpeg", "a.au", "pcm_s16be", many},
        {"ffmpeg", "a.au", "pcm_s24be", many}, {"ffmpeg", "a.au", "pcm_s32be", many},
        {"ffmpeg", "a.au", "pcm_f32be", many}, {"ffmpeg", "a.au", "pcm_mulaw", many},
        {"ffmpeg", "a.au", "pcm_alaw", many},
        {"ffmpeg", "a.ircam", "pcm_s16le", mono, A::IrcamNoMarker}, // marker 64 A3 01 00
        {"libsndfile", "", "", many, A::None, SF_FORMAT_WAV | SF_FORMAT_PCM_U8},
        {"libsndfile", "", "", many, A::None, SF_FORMAT_WAV | SF_FORMAT_PCM_24},
        {"libsndfile", "", "", many, A::None, SF_FORMAT_WAV | SF_FORMAT_FLOAT},
        {"libsndfile", "", "", many, A::None, SF_FORMAT_WAV | SF_FORMAT_ULAW},
        {"libsndfile", "", "", stereo, A::None, SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM},
        {"libsndfile", "", "", stereo, A::None, SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM},
        {"libsndfile", "", "", mono, A::None, SF_FORMAT_WAV | SF_FORMAT_GSM610},
        {"libsndfile", "", "", many, A::None, SF_FORMAT_WAVEX | SF_FORMAT_PCM_32},
        {"libsndfile", "", "", many, A::None, SF_FORMAT_AIFF | SF_FORMAT_PCM_S8},
        {"libsndfile", "", "", many, A::None, SF_FORMAT_AIFF | SF_FORMAT_PCM_16 | le},
        {"libsndfile", "", "", many, A::None, SF_FORMAT_AIFF | SF_FORMAT_FLOAT},
        {"libsndfile", "", "", mono, A::UnimplementedFormat, SF_FORMAT_AIFF | SF_FORMAT_ALAW},
        {"libsndfile", "", "", many, A::None, SF_FORMAT_AU | SF_FORMAT_PCM_24 | le},
        {"libsndfile", "", "", many, A::None, SF_FORMAT_AU | SF_FORMAT_ALAW},
        {"libsndfile", "", "", mono, A::None, SF_FORMAT_AU | SF_FORMAT_G721_32},
        {"libsndfile", "", "", mono, A::None, SF_FORMAT_AU | SF_FORMAT_G723_24},
        {"libsndfile", "", "", many, A::None, SF_FORMAT_PAF | SF_FORMAT_PCM_16 | le},
        {"libsndfile", "", "", many, A::None, SF_FORMAT_PAF | SF_FORMAT_PCM_24 | be},
        {"libsndfile", "", "", many, A::None, SF_FORMAT_PAF | SF_FORMAT_PCM_24 | le},
        {"libsndfile", "", "", mono, A::PafBadFormat, SF_FORMAT_PAF | SF_FORMAT_PCM_S8},
        {"libsndfile", "", "", mono, A::None, SF_FORMAT_SVX | SF_FORMAT_PCM_S8},
        {"libsndfile", "", "", mono, A::None, SF_FORMAT_SVX | SF_FORMAT_PCM_16},
        {"libsndfile", "", "", mono, A::NistBadEncoding, SF_FORMAT_NIST | SF_FORMAT_PCM_16 | be},
        {"libsndfile", "", "", many, A::None, SF_FORMAT_IRCAM | SF_FORMAT_PCM_16 | le},
        {"libsndfile", "", "", many, A::None, SF_FORMAT_IRCAM | SF_FORMAT_PCM_32 | le},
        {"libsndfile", "", "", many, A::None, SF_FORMAT_IRCAM | SF_FORMAT_FLOAT | le},
        {"libsndfile", "", "", many, A::None, SF_FORMAT_IRCAM | SF_FORMAT_ULAW | le},
        {"libsndfile", "", "", mono, A::IrcamNoMarker, SF_FORMAT_IRCAM | SF_FORMAT_PCM_16 | be},
    };
    // clang-format on
    TempDir dir;
    auto check = [&](const Peer &p, int channels) {
        const std::string path = dir.path(*p.name ? p.name : "f");
        ASSERT_TRUE(Write(p, channels, path));
        CAudioFileInfo audio;
        audio.SetInputPath(path);
        const bool described = audio.Describe();
        const CAudioFileInfo::Outcome &o = audio.GetOutcome();
        if (p.refused != A::None) {
            EXPECT_FALSE(described);
            EXPECT_EQ(static_cast<int>(o.code), static_cast<int>(p.refused));
            EXPECT_NE(o.explanation.find(" file; "), std::string::npos) << o.explanation;
            return;
        }
        ASSERT_TRUE(described) << static_cast<int>(o.code) << " " << o.explanation;
        SF_INFO sf{};
        SNDFILE *file = sf_open(path.c_str(), SFM_READ, &sf);
        ASSERT_NE(file, nullptr);
        sf_close(file);
        const AudioInfo info = audio.GetInfo();
        EXPECT_EQ(info.channels, uint32_t(sf.channels));
        EXPECT_EQ(info.sampleRate, uint32_t(sf.samplerate));

        audio.SetOutputPath(dir.path("out.wav"));
        ASSERT_TRUE(audio.Convert());
        EXPECT_EQ(audio.GetOutcome().framesWritten, info.samples); // nothing ends early
        const std::vector<int16_t> written
                = WavSamples(ReadFile(dir.path("out.wav")), info.channels, info.sampleRate)
                          .value_or(std::vector<int16_t>{});
        ASSERT_EQ(written.size(), size_t(info.samples) * info.channels);
        const std::string name = p.name;
        const int sub = p.format & SF_FORMAT_SUBMASK, type = p.format & SF_FORMAT_TYPEMASK;
        // Where libsndfile reads more or less than the file holds, they agree as far as both
        // read: it drops packed PARIS blocks at the end; it decodes a GSM block past the end
        // of the data; it takes the pad byte of an odd 8SVX BODY for a frame.
        const bool packed = name == "a.paf" ? std::string(p.options) == "-b 24"
                                            : type == SF_FORMAT_PAF && sub == SF_FORMAT_PCM_24;
        const bool beyond = std::string(p.options).find("gsm") != std::string::npos
                || sub == SF_FORMAT_GSM610 || name == "a.8svx" || type == SF_FORMAT_SVX;
        const bool planes = name == "a.8svx" && channels == 2;
        const std::vector<int16_t> expected = planes ? SoxSamples(path) : ExpectedConversion(path);
        if (packed || beyond) {
            const size_t common = std::min(expected.size(), written.size());
            EXPECT_TRUE(std::equal(written.begin(), written.begin() + common, expected.begin()));
            EXPECT_TRUE(packed ? info.samples == uint64_t(sf.frames)
                               : written.size() <= expected.size());
        } else {
            EXPECT_EQ(info.samples, uint64_t(sf.frames));
            EXPECT_EQ(written, expected);
        }
    };
    int files = 0;
    for (const Peer &p : peers)
        for (int channels : p.channels) {
            SCOPED_TRACE(std::string(p.writer) + " " + p.name + " " + p.options + " "
                         + std::to_string(p.format) + ", " + std::to_string(channels)
                         + " channels");
            check(p, channels);
            ++files;
        }
    EXPECT_GT(files, 150);
}
