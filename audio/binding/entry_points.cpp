// The binding's entry points: opening a file for reading (recognising its container and
// reading its header), reading its values, creating the 16-bit WAV output and writing into
// it, closing either kind of handle, the codes, and the names of the format word's parts.
// libsndfile's own codes never leave the binding's files.
#include "audio_library_binding.h"

#include "audio_handle.h"
#include "container.h"
#include "sample_reader.h"
#include "wav_writer.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

namespace {

// The code of the most recent open, and what it found, per thread, so that threads
// converting different files each learn their own.
thread_local AudioError g_lastOpenError = AudioError::None;
thread_local orvex::OpenReport g_lastOpenReport;

AudioHandle *FailOpen(AudioError code)
{
    orvex::SetLastOpenError(code);
    return nullptr;
}

// The description's last check: no zero field, and a frame layout that holds together.
AudioError CheckDescription(const AudioInfo &info, const orvex::StreamLayout &layout)
{
    if (info.sampleRate == 0 || info.samples == 0 || info.channels == 0 || info.bitWidth == 0
        || info.format == 0 || info.sections == 0)
        return AudioError::InfoIncomplete;
    if (layout.sampleBytes != 0 && layout.declaredFrameBytes
        && *layout.declaredFrameBytes != layout.sampleBytes * layout.channels) {
        orvex::OpenReport &report = g_lastOpenReport;
        report.detected = report.container ? report.container->Name() : "";
        report.reason = "its header's block size (" + std::to_string(*layout.declaredFrameBytes)
                + " bytes) does not match " + std::to_string(layout.channels) + " channels of "
                + std::to_string(layout.bitWidth) + "-bit samples ("
                + std::to_string(layout.sampleBytes * layout.channels) + " bytes).";
        return AudioError::InternalError;
    }
    if (layout.dataBytes == 0)
        return AudioError::InternalError;
    return AudioError::None;
}

// Describes the source and makes the handle that reads it; `path` is its name for
// recognition.
AudioHandle *OpenReadFrom(std::unique_ptr<orvex::ByteSource> source, std::string_view path,
                          AudioInfo &info)
{
    std::unique_ptr<AudioHandle> handle(new (std::nothrow) AudioHandle);
    if (!handle)
        return FailOpen(AudioError::MallocFailed);

    // From here on a failure leaves `info` all zero.
    const AudioInfo given = info;
    info = AudioInfo{};
    orvex::StreamLayout layout;
    AudioError error;
    orvex::ChannelLimit limit;
    if (AudioFormatKind(given.format) == FormatKind::RAW && given.channels != 0
        && given.bitWidth != 0) {
        error = orvex::DescribeCallerRaw(given, *source, layout);
    } else {
        orvex::OpenReport &report = g_lastOpenReport;
        report.headBytes = source->ReadAt(0, report.head, sizeof report.head);
        unsigned char head[12] = {};
        std::memcpy(head, report.head, std::min(report.headBytes, sizeof head));
        report.container = orvex::RecogniseContainer(head, path);
        // Nothing describes a header-less file that no container recognised.
        error = report.container ? report.container->ReadHeader(*source, layout)
                                 : AudioError::RawBadSpec;
        report.detected = layout.refused.detected;
        report.reason = layout.refused.reason;
        if (report.container)
            limit = report.container->MostChannels();
    }
    if (error == AudioError::None && layout.channels > limit.most)
        error = limit.code;
    if (error != AudioError::None)
        return FailOpen(error);

    AudioInfo described;
    described.sampleRate = layout.sampleRate;
    described.samples = static_cast<uint32_t>(std::min<uint64_t>(layout.samples, UINT32_MAX));
    described.channels = layout.channels;
    described.bitWidth = layout.bitWidth;
    described.format = AudioFormatWord(layout.kind, layout.encoding);
    described.sections = 1;
    described.seekable = layout.seekable && !source->IsStream() ? 1 : 0;
    if (AudioError e = CheckDescription(described, layout); e != AudioError::None)
        return FailOpen(e);

    const orvex::Decoding decoding = layout.decoding;
    handle->reader.reset(new (std::nothrow) orvex::CSampleReader(
            std::move(source), std::move(layout), described.samples));
    if (!handle->reader)
        return FailOpen(AudioError::MallocFailed);
    // A block codec's decoder must accept the data before the file counts as open; plain
    // values are read without it unless doubles are asked for.
    if (decoding == orvex::Decoding::Container || decoding == orvex::Decoding::CodedBlocks)
        if (AudioError e = handle->reader->StartDecoder(); e != AudioError::None) {
            if (e == AudioError::LibraryMissing) {
                orvex::OpenReport &report = g_lastOpenReport;
                report.detected = EncodingName(described) + " "
                        + (report.container ? report.container->Name() : "");
                report.reason = std::string("reading it needs libsndfile (")
                        + orvex::kSndfileLibraryName
                        + "), which could not be loaded: " + orvex::SndfileLoadError() + ".";
            }
            return FailOpen(e);
        }

    info = described;
    return handle.release();
}

// The reader of a handle, or nullptr for no handle or a writing one; the writer likewise.
orvex::CSampleReader *ReaderFor(AudioHandle *handle)
{
    return handle ? handle->reader.get() : nullptr;
}

orvex::WavWriter *WriterFor(AudioHandle *handle)
{
    return handle ? handle->writer.get() : nullptr;
}

} // namespace

AudioHandle::AudioHandle() = default;
AudioHandle::~AudioHandle() = default;

// ============================================================================ names

const char *FormatKindName(FormatKind kind)
{
    const char *name = orvex::NamesOfKind(kind).enumName;
    return name ? name : "";
}

const char *SampleEncodingName(SampleEncoding encoding)
{
    switch (encoding) {
    case SampleEncoding::PCM:
        return "PCM";
    case SampleEncoding::FLOAT:
        return "FLOAT";
    case SampleEncoding::ULAW:
        return "ULAW";
    case SampleEncoding::ALAW:
        return "ALAW";
    case SampleEncoding::IMA_ADPCM:
        return "IMA_ADPCM";
    case SampleEncoding::MS_ADPCM:
        return "MS_ADPCM";
    case SampleEncoding::PCM_BE:
        return "PCM_BE";
    case SampleEncoding::PCM_LE:
        return "PCM_LE";
    case SampleEncoding::PCM_S8:
        return "PCM_S8";
    case SampleEncoding::PCM_U8:
        return "PCM_U8";
    case SampleEncoding::GSM610:
        return "GSM610";
    case SampleEncoding::G721_32:
        return "G721_32";
    case SampleEncoding::G723_24:
        return "G723_24";
    case SampleEncoding::FLOAT_BE:
        return "FLOAT_BE";
    case SampleEncoding::FLOAT_LE:
        return "FLOAT_LE";
    }
    return "";
}

std::string EncodingName(const AudioInfo &info)
{
    switch (AudioSampleEncoding(info.format)) {
    case SampleEncoding::PCM:
    case SampleEncoding::PCM_BE:
    case SampleEncoding::PCM_LE:
    case SampleEncoding::PCM_S8:
    case SampleEncoding::PCM_U8:
        return std::to_string(info.bitWidth) + "-bit PCM";
    case SampleEncoding::FLOAT:
    case SampleEncoding::FLOAT_BE:
    case SampleEncoding::FLOAT_LE:
        return "32-bit float";
    case SampleEncoding::ULAW:
        return "u-law";
    case SampleEncoding::ALAW:
        return "A-law";
    case SampleEncoding::IMA_ADPCM:
        return "IMA ADPCM";
    case SampleEncoding::MS_ADPCM:
        return "Microsoft ADPCM";
    case SampleEncoding::GSM610:
        return "GSM 6.10";
    case SampleEncoding::G721_32:
        return "G721 32 kbit/s";
    case SampleEncoding::G723_24:
        return "G723 24 kbit/s";
    }
    return "";
}

// ============================================================================ reading

namespace orvex {

void SetLastOpenError(AudioError code)
{
    g_lastOpenError = code;
}

const OpenReport &LastOpenReport()
{
    return g_lastOpenReport;
}

InputExtent ExtentOf(const AudioHandle *handle)
{
    if (!handle || !handle->reader)
        return {0, 0};
    return handle->reader->Extent();
}

AudioHandle *OpenReadMemory(const void *bytes, size_t size, std::string_view name, AudioInfo &info)
{
    SetLastOpenError(AudioError::None);
    g_lastOpenReport = OpenReport{};
    std::unique_ptr<ByteSource> source = ByteSource::FromMemory(bytes, size);
    if (!source)
        return FailOpen(AudioError::MallocFailed);
    return OpenReadFrom(std::move(source), name, info);
}

uint32_t ReadSixteenBy(SixteenBitRoad road, AudioHandle *handle, int16_t *out, uint32_t count,
                       uint64_t *clipped)
{
    CSampleReader *reader = ReaderFor(handle);
    if (!reader)
        return 0;
    uint64_t held = 0;
    // A short read shows as fewer values.
    const uint32_t n = road == SixteenBitRoad::FromStoredBytes && reader->ReadsSixteenItself()
            ? reader->ReadSixteenFromBytes(out, count, held)
            : reader->ReadSixteenThroughDoubles(out, count, held);
    if (clipped)
        *clipped += held;
    return n;
}

uint32_t ReadScaled(AudioHandle *handle, float *values, uint32_t count)
{
    CSampleReader *reader = ReaderFor(handle);
    return reader ? reader->ReadScaled(values, count) : 0;
}

bool CarriesMoreThanSixteenBits(const AudioHandle *handle)
{
    return handle && handle->reader && handle->reader->CarriesMoreThanSixteenBits();
}

} // namespace orvex

AudioHandle *AudioOpenRead(const std::string &path, AudioInfo &info)
{
    orvex::SetLastOpenError(AudioError::None);
    g_lastOpenReport = orvex::OpenReport{};
    std::unique_ptr<orvex::ByteSource> source;
    switch (orvex::ByteSource::Open(path, source)) {
    case orvex::ByteSource::OpenStatus::Ok:
        break;
    case orvex::ByteSource::OpenStatus::CannotOpen:
        return FailOpen(AudioError::OpenFailed);
    case orvex::ByteSource::OpenStatus::NoMemory:
        return FailOpen(AudioError::MallocFailed);
    }
    return OpenReadFrom(std::move(source), path, info);
}

uint32_t AudioReadSixteen(AudioHandle *handle, int16_t *buffer, uint32_t count, uint64_t *clipped)
{
    return orvex::ReadSixteenBy(orvex::SixteenBitRoad::FromStoredBytes, handle, buffer, count,
                                clipped);
}

bool AudioSeekFrame(AudioHandle *handle, uint64_t frame)
{
    orvex::CSampleReader *reader = ReaderFor(handle);
    return reader && reader->Seek(frame);
}

AudioError AudioLastError()
{
    return g_lastOpenError;
}

// ============================================================================ writing

AudioHandle *AudioOpenWrite(const std::string &path, const AudioInfo &info)
{
    // The description is checked before anything is created.
    if (info.channels == 0 || info.channels > 256)
        return FailOpen(AudioError::BadOpenFormat);
    orvex::SetLastOpenError(AudioError::None);
    std::unique_ptr<AudioHandle> handle(new (std::nothrow) AudioHandle);
    if (!handle)
        return FailOpen(AudioError::MallocFailed);
    if (AudioError error = orvex::WavWriter::Create(path, info, handle->writer);
        error != AudioError::None)
        return FailOpen(error);
    return handle.release();
}

uint32_t AudioWriteSamples(AudioHandle *handle, const int16_t *samples, uint32_t count)
{
    orvex::WavWriter *writer = WriterFor(handle);
    return writer ? writer->Write(samples, count) : 0;
}

int AudioClose(AudioHandle *handle)
{
    if (!handle)
        return 0;
    AudioError result = AudioError::None;
    if (handle->writer)
        result = orvex::FinishWavWriter(*handle->writer);
    delete handle;
    return static_cast<int>(result);
}
