// IMA and Microsoft ADPCM, which our own code decodes, against libsndfile's reading of the same
// files: blocks of every size a header can state, of random bytes (step indices past the
// table, predictors past the seven pairs, any sample), data cut anywhere and followed by
// another chunk; read in pieces of any size and from any frame.
#include "fixtures.h"

#include <gtest/gtest.h>

#include <random>

using namespace fixtures;

TEST(Adpcm, RandomBlocksDecodeAsLibsndfileDecodesThem)
{
    TempDir dir;
    const std::string path = dir.path("a.wav");
    std::mt19937 random(28);
    int compared = 0;
    for (int n = 0; n < 800; ++n) {
        const bool ima = n % 2;
        const auto channels = uint16_t(1 + n / 2 % 2), header = uint16_t((ima ? 4 : 7) * channels);
        const auto align = uint16_t(header + 1 + random() % (n % 3 ? 40 : 600));
        // The frames a block holds, or now and then a count that does not fit, and is refused.
        const auto frames
                = uint16_t(2 * (align - header) / channels + (ima ? 1 : 2) + (random() % 8 == 0));
        Bytes data;
        for (size_t i = 0, size = align * (1 + random() % 6) - random() % align; i < size; ++i)
            data.u8(uint8_t(random()));
        const Bytes extra = ima ? Bytes().le16(2).le16(frames)
                                : Bytes().le16(32).le16(frames).le16(7).zeros(28);
        const Bytes after = random() % 2 ? Bytes().str("LIST").le32(4).str("INFO") : Bytes();
        WriteFile(path, Wav(ima ? 17 : 2, channels, 8000, 4, align, data, extra, after));
        SF_INFO sf{};
        SNDFILE *file = sf_open(path.c_str(), SFM_READ, &sf);
        const bool accepted = file != nullptr && sf_close(file) == 0;
        AudioInfo info;
        AudioHandle *h = AudioOpenRead(path, info);
        // What libsndfile refuses is refused, and what it accepts opens, but for data of no
        // whole block (libsndfile counts a block that ends in the data chunk's pad byte).
        ASSERT_EQ(h != nullptr, accepted && AudioLastError() != AudioError::InfoIncomplete) << n;
        if (!h)
            continue;
        const std::vector<int16_t> expected = ExpectedConversion(path);
        std::vector<int16_t> read(size_t(info.samples) * channels);
        size_t at = 0;
        while (uint32_t got
               = AudioReadSixteen(h, read.data() + at, channels * (1 + random() % (3u * frames))))
            at += got;
        EXPECT_EQ(at, read.size());
        ASSERT_GE(expected.size(), read.size()) << n;
        EXPECT_TRUE(std::equal(read.begin(), read.end(), expected.begin())) << n;
        // A part read from any frame is that part of the whole.
        const uint32_t first = random() % info.samples, count = 1 + random() % (2u * frames);
        std::vector<int16_t> part(size_t(count) * channels);
        EXPECT_TRUE(AudioSeekFrame(h, first));
        part.resize(AudioReadSixteen(h, part.data(), uint32_t(part.size())));
        EXPECT_TRUE(std::equal(part.begin(), part.end(), read.begin() + first * channels)) << n;
        AudioClose(h);
        ++compared;
    }
    EXPECT_GT(compared, 500);
}
