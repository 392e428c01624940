// The text of every code of the binding, as orvex-cli and the window show them. A switch
// without a default, whose missing case is an error: a code added without its text does not
// build.
#include "audio_library_binding.h"

#pragma GCC diagnostic error "-Wswitch"

const char *AudioErrorText(AudioError code)
{
    switch (code) {
    case AudioError::None:
        return "No Error.";
    case AudioError::OpenFailed:
        return "Could not open file.";
    case AudioError::BadOpenFormat:
        return "Bad format specified for file open.";
    case AudioError::MallocFailed:
        return "Internal malloc () failed.";
    case AudioError::SeekFailed:
        return "Internal fseek() failed.";
    case AudioError::UnimplementedFormat:
        return "File contains data in an unimplemented format.";
    case AudioError::ReadNonWholeFrames:
        return "Attempt to read a non-integer number of channels.";
    case AudioError::WriteNonWholeFrames:
        return "Attempt to write a non-integer number of channels.";
    case AudioError::UnknownFormat:
        return "File contains data in an unknown format.";
    case AudioError::ReadOnWriteHandle:
        return "Read attempted on file currently open for write.";
    case AudioError::WriteOnReadHandle:
        return "Write attempted on file currently open for read.";
    case AudioError::InfoIncomplete:
        return "Internal error : SF_INFO struct incomplete.";
    case AudioError::ShortRead:
        return "Short read error.";
    case AudioError::ShortWrite:
        return "Short write error.";
    case AudioError::InternalError:
        return "Unspecified internal error.";
    case AudioError::WavNoFmt:
        return "Error in WAV file. No 'fmt ' chunk marker.";
    case AudioError::WavNoData:
        return "Error in WAV file. No 'data' chunk marker.";
    case AudioError::WavFmtShort:
        return "Error in WAV file. The 'fmt ' chunk is too short.";
    case AudioError::WavBadBlockAlign:
        return "Error in WAV file. Block align does not fit the format.";
    case AudioError::WavBadSamplesPerBlock:
        return "Error in WAV file. Samples per block does not fit the block.";
    case AudioError::WavBadChannels:
        return "Error in WAV file. Too many channels.";
    case AudioError::WavBadMsAdpcmCoeffs:
        return "Error in WAV file. Bad MS ADPCM coefficient table.";
    case AudioError::WavAdpcmNotFourBit:
        return "Error in WAV file. ADPCM data must be 4 bits per sample.";
    case AudioError::WavAdpcmBadChannels:
        return "Error in WAV file. ADPCM data must be mono or stereo.";
    case AudioError::WavBadGsm:
        return "Error in WAV file. Invalid GSM 6.10 format.";
    case AudioError::WavDecoderRefused:
        return "Error in WAV file. The decoder refused the data.";
    case AudioError::AiffNoComm:
        return "Error in AIFF file, no 'COMM' chunk.";
    case AudioError::AiffNoSsnd:
        return "Error in AIFF file, no 'SSND' chunk.";
    case AudioError::AiffCommShort:
        return "Error in AIFF file, the 'COMM' chunk is too short.";
    case AudioError::AiffBadSampleRate:
        return "Error in AIFF file, bad sample rate.";
    case AudioError::AiffBadChannels:
        return "Error in AIFF file, too many channels.";
    case AudioError::AiffBadChunk:
        return "Error in AIFF file, malformed 'SSND' chunk.";
    case AudioError::AiffBadSsndOffset:
        return "Error in AIFF file, bad 'SSND' data offset.";
    case AudioError::AuBadEncoding:
        return "Error in AU file, unsupported encoding.";
    case AudioError::AuBadHeader:
        return "Error in AU file, damaged header.";
    case AudioError::RawBadSpec:
        return "Error while opening RAW file for read. Must specify format, pcmbitwidth and "
               "channels.";
    case AudioError::PafShortHeader:
        return "Error in PAF file, header too short.";
    case AudioError::PafBadVersion:
        return "Error in PAF file, bad version number.";
    case AudioError::PafBadFormat:
        return "Error in PAF file, unsupported sample format.";
    case AudioError::PafBadChannels:
        return "Error in PAF file, bad channel count or undecodable data.";
    case AudioError::SvxNoVhdr:
        return "Error in IFF/SVX file, no 'VHDR' chunk.";
    case AudioError::SvxNoBody:
        return "Error in IFF/SVX file, no 'BODY' chunk.";
    case AudioError::SvxBadVhdr:
        return "Error in IFF/SVX file, malformed 'VHDR' chunk.";
    case AudioError::SvxCompressed:
        return "Error in IFF/SVX file, compressed data is not supported.";
    case AudioError::NistBadHeader:
        return "Error in NIST file, bad header.";
    case AudioError::NistBadEncoding:
        return "Error in NIST file, unsupported sample coding.";
    case AudioError::SekdNoMarker:
        return "Error in Samplitude file, no 'SEKD' marker.";
    case AudioError::SekdNoSamr:
        return "Error in Samplitude file, no 'SAMR' marker.";
    case AudioError::VocNoMarker:
        return "Error in VOC file, no 'Creative Voice File' marker.";
    case AudioError::VocBadOffset:
        return "Error in VOC file, bad data offset.";
    case AudioError::VocBadChecksum:
        return "Error in VOC file, bad version checksum.";
    case AudioError::IrcamNoMarker:
        return "Error in IRCAM file, bad marker.";
    case AudioError::IrcamBadChannels:
        return "Error in IRCAM file, bad channel count.";
    case AudioError::IrcamBadEncoding:
        return "Error in IRCAM file, unsupported encoding.";
    case AudioError::OutputIsInput:
        return "The output file is the input file.";
    case AudioError::OutputTooLarge:
        return "The output would be larger than a WAV file can hold (4 GiB).";
    case AudioError::Cancelled:
        return "The conversion was cancelled.";
    case AudioError::LibraryMissing:
        return "The audio library libsndfile could not be loaded.";
    case AudioError::RangeOutside:
        return "The part to convert is not one of the file's.";
    }
    return "Unknown error.";
}
