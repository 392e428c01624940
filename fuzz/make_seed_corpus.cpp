// Writes the fuzzers' seed corpus: one file of every container and encoding the tests
// make (hand-built headers and libsndfile-written codecs), ADPCM in several block sizes, and
// a few command lines.
#include "fixtures.h"

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_seed_corpus AUDIO_DIR COMMAND_LINE_DIR\n");
        return 2;
    }
    const std::string audio = argv[1], lines = argv[2];
    std::filesystem::create_directories(audio);
    std::filesystem::create_directories(lines);
    int n = 0;
    for (const fixtures::AcceptedFixture &f : fixtures::AcceptedFixtures())
        fixtures::WriteFile(audio + "/seed" + std::to_string(n++), fixtures::BytesOf(f, 700));
    // ADPCM in the block sizes libsndfile chooses by rate, mono and stereo.
    for (int codec : {SF_FORMAT_IMA_ADPCM, SF_FORMAT_MS_ADPCM})
        for (int channels : {1, 2})
            for (int rate : {8000, 22050, 44100})
                fixtures::WriteFile(
                        audio + "/seed" + std::to_string(n++),
                        fixtures::WrittenBySndfile(SF_FORMAT_WAV | codec, channels, rate, 1100));
    const char *const commandLines[] = {
            R"("a" "b" "/home/me/out.wav" "d")",
            R"(  one two three four )",
            R"("" "" "" "")",
            R"(ab"cd" "2" "3" "4")",
            R"("1" "2" "3" "unclosed)",
    };
    int m = 0;
    for (const char *line : commandLines) {
        fixtures::WriteFile(lines + "/line" + std::to_string(m++), fixtures::Bytes().str(line));
    }
    return 0;
}
