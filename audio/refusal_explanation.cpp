// Plain sentences for refused files (see refusal_explanation.h). The magic numbers of the
// formats Orvex does not read are those of their own specifications (RFC 9639 for FLAC,
// RFC 3533 for Ogg, ISO/IEC 14496-12 for MP4, the Standard MIDI File 1.0, Apple's CAF
// specification, EBU Tech 3306 for RF64, Sony's Wave64).
#include "refusal_explanation.h"

#include "byte_order.h"
#include "container_readers.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace orvex::bytes;

constexpr char kWhatOrvexReads[]
        = "Orvex reads WAV, AIFF/AIFC, AU/SND, PARIS, IFF 8SVX/16SV, NIST Sphere and IRCAM files.";

// Enough of a file to find any header field the sentences name.
constexpr size_t kPeekBytes = 4096;

bool At(const unsigned char *head, size_t size, size_t offset, std::string_view magic)
{
    return size >= offset + magic.size()
            && std::memcmp(head + offset, magic.data(), magic.size()) == 0;
}

std::string BaseName(const std::string &path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos || slash + 1 == path.size() ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string &path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// "an" before a vowel sound: a vowel letter (but "u-law"), an 8, an 11 or an 18, and the
// letters read one by one that start with one: "an MP3", "an RF64", but "a MIDI".
const char *Article(std::string_view word)
{
    const std::string_view first = word.substr(0, word.find_first_of(" -/"));
    const bool spelt = !first.empty() && std::strchr("FHLMNRSX", first[0]) != nullptr
            && (first.starts_with("MP") || first.find_first_of("0123456789") != first.npos);
    const bool vowel = !word.empty() && std::strchr("AEIOUaeio8", word[0]) != nullptr;
    return vowel || spelt || word.starts_with("11") || word.starts_with("18") ? "an" : "a";
}

AudioRefusal Is(const std::string &name, const std::string &detected, const std::string &tail)
{
    return {detected, name + " is " + Article(detected) + " " + detected + " file" + tail};
}

std::string Decimal(uint32_t v)
{
    return std::to_string(v);
}

// ---------------------------------------------------------------- a known container's encoding

// The WAV format chunk's tag and width (a WAVE_FORMAT_EXTENSIBLE's sub-format tag).
bool WavFormat(const unsigned char *h, size_t n, uint16_t &tag, uint16_t &bits)
{
    for (size_t pos = 12; pos + 8 <= n;) {
        const uint32_t size = LoadLE32(h + pos + 4);
        if (std::memcmp(h + pos, "fmt ", 4) == 0 && size >= 16 && pos + 24 <= n) {
            tag = LoadLE16(h + pos + 8);
            bits = LoadLE16(h + pos + 22);
            if (tag == 0xFFFE && size >= 40 && pos + 34 <= n)
                tag = LoadLE16(h + pos + 32);
            return true;
        }
        if (size > n)
            break;
        pos += 8 + size + (size & 1);
    }
    return false;
}

// The compression type of an AIFC file's COMM chunk.
std::string AifcCompression(const unsigned char *h, size_t n)
{
    for (size_t pos = 12; pos + 8 <= n;) {
        const uint32_t size = LoadBE32(h + pos + 4);
        if (std::memcmp(h + pos, "COMM", 4) == 0 && size >= 22 && pos + 30 <= n)
            return std::string(reinterpret_cast<const char *>(h + pos + 26), 4);
        if (size > n)
            break;
        pos += 8 + size + (size & 1);
    }
    return {};
}

// The value of one "name -type value" line of a NIST header.
std::string NistField(const unsigned char *h, size_t n, const std::string &name)
{
    const std::string text(reinterpret_cast<const char *>(h), std::min<size_t>(n, 1024));
    const size_t at = text.find("\n" + name + " ");
    if (at == std::string::npos)
        return {};
    const size_t value = text.find(' ', text.find('-', at) + 1);
    const size_t end = text.find_first_of("\r\n", value);
    return value == std::string::npos ? std::string() : text.substr(value + 1, end - value - 1);
}

AudioRefusal ExplainEncoding(const std::string &name, orvex::Recognised what,
                             const unsigned char *h, size_t n)
{
    using orvex::Recognised;
    switch (what) {
    case Recognised::Wav: {
        uint16_t tag = 0, bits = 0;
        if (!WavFormat(h, n, tag, bits))
            break;
        if (tag == 3)
            return Is(name, Decimal(bits) + "-bit float WAV",
                      "; Orvex reads integer PCM and 32-bit float WAV.");
        if (tag == 1)
            return Is(name, Decimal(bits) + "-bit PCM WAV",
                      "; Orvex reads WAV of 1 to 32 bits and 32-bit float WAV.");
        char detected[32];
        std::snprintf(detected, sizeof detected, "%s",
                      tag == 0x55           ? "MP3-in-WAV"
                              : tag == 0x50 ? "MPEG-in-WAV"
                                            : "");
        if (!*detected)
            std::snprintf(detected, sizeof detected, "WAV (format 0x%04X)", tag);
        return Is(name, detected,
                  "; Orvex reads WAV of integer PCM, 32-bit float, u-law, A-law, IMA and "
                  "Microsoft ADPCM and GSM 6.10.");
    }
    case Recognised::Aiff: {
        const std::string type = AifcCompression(h, n);
        const std::string lower = [&] {
            std::string s = type;
            for (char &c : s)
                c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
            return s;
        }();
        const std::string detected = lower == "ulaw" ? "u-law AIFC"
                : lower == "alaw"                    ? "A-law AIFC"
                : lower == "fl64"                    ? "64-bit float AIFC"
                : lower == "ima4"                    ? "IMA ADPCM AIFC"
                                                     : "AIFC ('" + type + "')";
        return Is(name, detected,
                  "; Orvex reads uncompressed AIFF and AIFC, and 32-bit float AIFC.");
    }
    case Recognised::Au: {
        if (n < 16)
            break;
        const uint32_t encoding = Load32(h + 12, h[0] == '.');
        return Is(name,
                  encoding == 7 ? "64-bit float AU" : "AU (encoding " + Decimal(encoding) + ")",
                  "; Orvex reads AU of 8- to 32-bit PCM, 32-bit float, u-law, A-law, G721 and "
                  "G723.");
    }
    case Recognised::Paf: {
        if (n < 20)
            break;
        const uint32_t format = Load32(h + 16, h[0] == ' ');
        return Is(name, format == 2 ? "8-bit PARIS" : "PARIS (format " + Decimal(format) + ")",
                  "; Orvex reads 16- and 24-bit PARIS.");
    }
    case Recognised::Svx:
        return Is(name, std::string("compressed ") + (h[8] == '1' ? "16SV" : "8SVX"),
                  "; Orvex reads uncompressed 8SVX and 16SV.");
    case Recognised::Nist: {
        const std::string coding = NistField(h, n, "sample_coding");
        return Is(name,
                  "NIST Sphere ("
                          + (coding.empty() ? "byte order " + NistField(h, n, "sample_byte_format")
                                            : coding)
                          + ")",
                  "; Orvex reads uncompressed PCM NIST Sphere.");
    }
    case Recognised::Ircam:
        return Is(name, "IRCAM (encoding " + Decimal(n >= 16 ? Load32(h + 12, h[0] == 0) : 0) + ")",
                  "; Orvex reads IRCAM of 16- and 32-bit PCM, 32-bit float, u-law and A-law.");
    case Recognised::FormOther:
    case Recognised::Sekd:
    case Recognised::Voc:
    case Recognised::Rex2:
    case Recognised::Wma:
    case Recognised::HeaderlessUlaw:
    case Recognised::Raw:
        break;
    }
    return {};
}

// The name of a recognised container, for a file that is one but could not be read.
const char *ContainerName(orvex::Recognised what)
{
    using orvex::Recognised;
    switch (what) {
    case Recognised::Wav:
        return "WAV";
    case Recognised::Aiff:
        return "AIFF";
    case Recognised::Svx:
        return "IFF 8SVX/16SV";
    case Recognised::Au:
        return "AU";
    case Recognised::Paf:
        return "PARIS";
    case Recognised::Nist:
        return "NIST Sphere";
    case Recognised::Ircam:
        return "IRCAM";
    case Recognised::Sekd:
        return "Samplitude";
    case Recognised::Voc:
        return "Creative Voice";
    case Recognised::Rex2:
        return "REX2";
    case Recognised::Wma:
        return "Windows Media";
    case Recognised::FormOther:
    case Recognised::HeaderlessUlaw:
    case Recognised::Raw:
        break;
    }
    return "";
}

} // namespace

// ---------------------------------------------------------------- formats Orvex does not read

DetectedFormat DetectOtherFormat(const unsigned char *h, size_t n)
{
    struct Magic
    {
        size_t offset;
        std::string_view magic;
        DetectedFormat format;
    };
    static constexpr Magic kMagic[] = {
            {0, "ID3", {"an", "MP3"}},
            {0, "fLaC", {"a", "FLAC"}},
            {0, "MThd", {"a", "MIDI"}},
            {8, "RMID", {"a", "MIDI"}},
            {0, "caff", {"a", "CAF"}},
            {0, "RF64", {"an", "RF64"}},
            {0, "BW64", {"an", "RF64"}},
            {0, std::string_view("riff\x2E\x91\xCF\x11", 8), {"a", "Wave64"}},
            {0, "#!AMR", {"an", "AMR"}},
            {0, "wvpk", {"a", "WavPack"}},
            {0, "MAC ", {"a", "Monkey's Audio"}},
            {0, "\x1A\x45\xDF\xA3", {"a", "Matroska or WebM"}},
            {8, "AVI ", {"an", "AVI video"}},
    };
    for (const Magic &m : kMagic)
        if (At(h, n, m.offset, m.magic))
            return m.format;
    if (At(h, n, 0, "OggS"))
        return At(h, n, 28, "\x01vorbis")  ? DetectedFormat{"an", "Ogg Vorbis"}
                : At(h, n, 28, "OpusHead") ? DetectedFormat{"an", "Opus"}
                : At(h, n, 28,
                     "\x7F"
                     "FLAC")
                ? DetectedFormat{"an", "Ogg FLAC"}
                : DetectedFormat{"an", "Ogg"};
    if (At(h, n, 4, "ftyp"))
        return At(h, n, 8, "qt  ") ? DetectedFormat{"a", "QuickTime"}
                                   : DetectedFormat{"an", "M4A/AAC"};
    // MPEG audio frames: eleven sync bits, then the layer (00 for AAC's ADTS frames).
    if (n >= 2 && h[0] == 0xFF && (h[1] & 0xE0) == 0xE0) {
        switch ((h[1] >> 1) & 3) {
        case 0:
            return (h[1] & 0x10) ? DetectedFormat{"an", "AAC"} : DetectedFormat{};
        case 1:
            return {"an", "MP3"};
        default:
            return {"an", "MPEG audio"};
        }
    }
    return {};
}

// ---------------------------------------------------------------- the sentences

AudioRefusal ExplainInputRefusal(const std::string &path, AudioError code)
{
    if (path == "-")
        return {};
    const std::string name = BaseName(path);
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0)
        return errno == EACCES ? AudioRefusal{{}, "Orvex is not allowed to open " + path + "."}
                               : AudioRefusal{{}, name + " does not exist."};
    if (S_ISDIR(st.st_mode))
        return {"folder", name + " is a folder, not a file."};
    if (S_ISREG(st.st_mode) && st.st_size == 0)
        return {"empty file", name + " is empty."};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {{},
                errno == EACCES ? "Orvex is not allowed to read " + name + "."
                                : name + " could not be opened."};
    unsigned char head[kPeekBytes];
    const ssize_t got = S_ISREG(st.st_mode) ? ::pread(fd, head, sizeof head, 0) : 0;
    ::close(fd);
    const size_t n = got > 0 ? static_cast<size_t>(got) : 0;

    unsigned char twelve[12] = {};
    std::memcpy(twelve, head, std::min<size_t>(n, 12));
    const orvex::Recognised what = orvex::RecogniseContainer(twelve, path);
    const std::string container = ContainerName(what);
    auto isOneOf = [code](std::initializer_list<AudioError> codes) {
        return std::find(codes.begin(), codes.end(), code) != codes.end();
    };
    auto another = [&](const std::string &format, const char *article) {
        return AudioRefusal{format,
                            name + " is " + article + " " + format + " file. " + kWhatOrvexReads};
    };
    const bool refusedContainer = what == orvex::Recognised::Sekd || what == orvex::Recognised::Voc
            || what == orvex::Recognised::Rex2 || what == orvex::Recognised::Wma;
    if (refusedContainer)
        return another(container, Article(container));
    if (code == AudioError::RawBadSpec || code == AudioError::UnknownFormat) {
        if (const DetectedFormat other = DetectOtherFormat(head, n); other.name)
            return another(other.name, other.article);
        return {{}, name + " is not an audio file that Orvex recognises. " + kWhatOrvexReads};
    }
    if (isOneOf({AudioError::UnimplementedFormat, AudioError::AuBadEncoding,
                 AudioError::PafBadFormat, AudioError::SvxCompressed, AudioError::NistBadEncoding,
                 AudioError::IrcamBadEncoding}))
        if (AudioRefusal r = ExplainEncoding(name, what, head, n); !r.sentence.empty())
            return r;
    if (!container.empty())
        return {container,
                name + " is " + Article(container) + " " + container
                        + " file that Orvex cannot read: its header is damaged or incomplete."};
    return {};
}

AudioRefusal ExplainOutputFailure(const std::string &path, AudioError code)
{
    const std::string name = BaseName(path), folder = FolderOf(path);
    struct stat st
    {
    };
    if (code == AudioError::OpenFailed) {
        if (path.empty())
            return {{}, "No output file was given."};
        if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            return {{}, name + " is a folder, not a file."};
        if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return {{}, "The folder " + folder + " does not exist."};
        if (::access(folder.c_str(), W_OK) != 0)
            return {{}, "Orvex is not allowed to write in " + folder + "."};
        return {{}, name + " could not be created."};
    }
    if (code == AudioError::ShortWrite || code == AudioError::SeekFailed)
        return {{},
                "Writing " + name
                        + " stopped: the disk is full or the file may not grow "
                          "larger. Nothing was changed."};
    if (code == AudioError::OutputIsInput)
        return {{}, name + " is the file being converted; choose another name for the WAV file."};
    if (code == AudioError::OutputTooLarge)
        return {{}, "The converted file would be larger than 4 GiB, more than a WAV file holds."};
    if (code == AudioError::BadOpenFormat)
        return {{}, "A WAV file from Orvex holds at most 256 channels."};
    return {};
}
