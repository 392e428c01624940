// Header-less PCM that the caller describes (kind RAW with its channels, width and byte
// order in the AudioInfo handed to AudioOpenRead): nothing in the file is read but samples.
#include "audio_handle.h"
#include "container.h"

namespace orvex {

AudioError DescribeCallerRaw(const AudioInfo &given, ByteSource &source, StreamLayout &layout)
{
    const SampleEncoding encoding = AudioSampleEncoding(given.format);
    const uint32_t width = given.bitWidth;
    switch (encoding) {
    case SampleEncoding::PCM_BE:
    case SampleEncoding::PCM_LE:
        if (width < 9 || width > 32)
            return AudioError::UnimplementedFormat;
        layout.order = encoding == SampleEncoding::PCM_BE ? ByteOrder::Big : ByteOrder::Little;
        break;
    case SampleEncoding::PCM_S8:
    case SampleEncoding::PCM_U8:
        if (width < 1 || width > 8)
            return AudioError::UnimplementedFormat;
        layout.signedBytes = encoding == SampleEncoding::PCM_S8;
        break;
    case SampleEncoding::PCM:
    case SampleEncoding::FLOAT:
    case SampleEncoding::ULAW:
    case SampleEncoding::ALAW:
    case SampleEncoding::IMA_ADPCM:
    case SampleEncoding::MS_ADPCM:
    case SampleEncoding::GSM610:
    case SampleEncoding::G721_32:
    case SampleEncoding::G723_24:
    case SampleEncoding::FLOAT_BE:
    case SampleEncoding::FLOAT_LE:
    default:
        return AudioError::RawBadSpec;
    }
    layout.kind = FormatKind::RAW;
    layout.encoding = encoding;
    layout.bitWidth = width;
    layout.sampleRate = given.sampleRate;
    layout.channels = given.channels;
    layout.dataOffset = 0;
    layout.dataBytes = detail::HeldFrom(source, 0, UINT64_MAX);
    detail::SetPlainSamples(layout, (width + 7) / 8);
    return AudioError::None;
}

} // namespace orvex
