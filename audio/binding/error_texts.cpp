// The text of every code of the binding, as orvex-cli and the window show them.
#include "audio_library_binding.h"

namespace {

struct ErrorText
{
    AudioError code;
    const char *text;
};

constexpr ErrorText kErrorTexts[] = {
        {AudioError::None, "No Error."},
        {AudioError::OpenFailed, "Could not open file."},
        {AudioError::BadOpenFormat, "Bad format specified for file open."},
        {AudioError::MallocFailed, "Internal malloc () failed."},
        {AudioError::SeekFailed, "Internal fseek() failed."},
        {AudioError::UnimplementedFormat, "File contains data in an unimplemented format."},
        {AudioError::ReadNonWholeFrames, "Attempt to read a non-integer number of channels."},
        {AudioError::WriteNonWholeFrames, "Attempt to write a non-integer number of channels."},
        {AudioError::UnknownFormat, "File contains data in an unknown format."},
        {AudioError::ReadOnWriteHandle, "Read attempted on file currently open for write."},
        {AudioError::WriteOnReadHandle, "Write attempted on file currently open for read."},
        {AudioError::InfoIncomplete, "Internal error : SF_INFO struct incomplete."},
        {AudioError::ShortRead, "Short read error."},
        {AudioError::ShortWrite, "Short write error."},
        {AudioError::InternalError, "Unspecified internal error."},

        {AudioError::WavNoFmt, "Error in WAV file. No 'fmt ' chunk marker."},
        {AudioError::WavNoData, "Error in WAV file. No 'data' chunk marker."},
        {AudioError::WavFmtShort, "Error in WAV file. The 'fmt ' chunk is too short."},
        {AudioError::WavBadBlockAlign, "Error in WAV file. Block align does not fit the format."},
        {AudioError::WavBadSamplesPerBlock,
         "Error in WAV file. Samples per block does not fit the block."},
        {AudioError::WavBadChannels, "Error in WAV file. Too many channels."},
        {AudioError::WavBadMsAdpcmCoeffs, "Error in WAV file. Bad MS ADPCM coefficient table."},
        {AudioError::WavAdpcmNotFourBit,
         "Error in WAV file. ADPCM data must be 4 bits per sample."},
        {AudioError::WavAdpcmBadChannels, "Error in WAV file. ADPCM data must be mono or stereo."},
        {AudioError::WavBadGsm, "Error in WAV file. Invalid GSM 6.10 format."},
        {AudioError::WavDecoderRefused, "Error in WAV file. The decoder refused the data."},

        {AudioError::AiffNoComm, "Error in AIFF file, no 'COMM' chunk."},
        {AudioError::AiffNoSsnd, "Error in AIFF file, no 'SSND' chunk."},
        {AudioError::AiffCommShort, "Error in AIFF file, the 'COMM' chunk is too short."},
        {AudioError::AiffBadSampleRate, "Error in AIFF file, bad sample rate."},
        {AudioError::AiffBadChannels, "Error in AIFF file, too many channels."},
        {AudioError::AiffBadChunk, "Error in AIFF file, malformed 'SSND' chunk."},
        {AudioError::AiffBadSsndOffset, "Error in AIFF file, bad 'SSND' data offset."},

        {AudioError::AuBadEncoding, "Error in AU file, unsupported encoding."},
        {AudioError::AuBadHeader, "Error in AU file, damaged header."},

        {AudioError::RawBadSpec,
         "Error while opening RAW file for read. Must specify format, pcmbitwidth and channels."},

        {AudioError::PafShortHeader, "Error in PAF file, header too short."},
        {AudioError::PafBadVersion, "Error in PAF file, bad version number."},
        {AudioError::PafBadFormat, "Error in PAF file, unsupported sample format."},
        {AudioError::PafBadChannels, "Error in PAF file, bad channel count or undecodable data."},

        {AudioError::SvxNoVhdr, "Error in IFF/SVX file, no 'VHDR' chunk."},
        {AudioError::SvxNoBody, "Error in IFF/SVX file, no 'BODY' chunk."},
        {AudioError::SvxBadVhdr, "Error in IFF/SVX file, malformed 'VHDR' chunk."},
        {AudioError::SvxCompressed, "Error in IFF/SVX file, compressed data is not supported."},

        {AudioError::NistBadHeader, "Error in NIST file, bad header."},
        {AudioError::NistBadEncoding, "Error in NIST file, unsupported sample coding."},

        {AudioError::SekdNoMarker, "Error in Samplitude file, no 'SEKD' marker."},
        {AudioError::SekdNoSamr, "Error in Samplitude file, no 'SAMR' marker."},
        {AudioError::VocNoMarker, "Error in VOC file, no 'Creative Voice File' marker."},
        {AudioError::VocBadOffset, "Error in VOC file, bad data offset."},
        {AudioError::VocBadChecksum, "Error in VOC file, bad version checksum."},

        {AudioError::IrcamNoMarker, "Error in IRCAM file, bad marker."},
        {AudioError::IrcamBadChannels, "Error in IRCAM file, bad channel count."},
        {AudioError::IrcamBadEncoding, "Error in IRCAM file, unsupported encoding."},

        {AudioError::OutputIsInput, "The output file is the input file."},
        {AudioError::OutputTooLarge,
         "The output would be larger than a WAV file can hold (4 GiB)."},
        {AudioError::Cancelled, "The conversion was cancelled."},
        {AudioError::LibraryMissing, "The audio library libsndfile could not be loaded."},
        {AudioError::RangeOutside, "The part to convert is not one of the file's."},
};

} // namespace

const char *AudioErrorText(AudioError code)
{
    for (const ErrorText &row : kErrorTexts)
        if (row.code == code)
            return row.text;
    return "Unknown error.";
}
