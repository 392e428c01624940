// Orvex's fixed texts.
#include "texts.h"

const char kFormatsHelpText[]
        = "Microsoft WAV 8, 16, 24 and 32 bit integer PCM. \n"
          "Microsoft 32 bit floating point PCM. \n"
          "Microsoft IMA/DVI ADPCM WAV format (16 bits per sample compressed to 4 bits per "
          "sample); mono and stereo only. \n"
          "Microsoft ADPCM WAV format (16 bits per sample compressed to 4 bits per sample); mono "
          "and stereo only. \n"
          "Microsoft 8 bit A-law an u-law formats (16 bits per sample compressed to 8 bits per "
          "sample); single or multi channel. \n"
          "Microsoft WAV files using GSM 6.10 encoding; mono only. \n"
          "Apple/SGI AIFF and AIFC uncompressed 8, 16, 24 and 32 bit integer PCM. \n"
          "Apple Macintosh OSX AIFC files with little endian PCM data (16, 24 and 32 bit). \n"
          "Apple/SGI AIFC files containg 32 bit floating point data. \n"
          "Sun/NeXT AU/SND format (big endian 8, 16, 24 and 32 bit PCM, 8 bit u-law and 8 bit "
          "A-law). \n"
          "Dec AU format (little endian 8, 16, 24 and 32 bit PCM, 8 bit u-law and 8 bit A-law). \n"
          "Headerless 8kHz 8bit u-law encoded AU/SND files (mono only). \n"
          "G721 and G723 ADPCM encoded AU/SND files (mono only). \n"
          "RAW header-less PCM files of 8, 16, 24 and 32 bits. The 16, 24 and 32 bit files may be "
          "big or little endian byte ordering. The 8 bit samples may be signed or unsigned "
          "values. \n"
          "Amiga uncompressed IFF / 8SVX / 16SV PCM files (8 and 16 bit) (mono only). \n"
          "Ensoniq PARIS big and little endian, 16 and 24 bit PCM files (.PAF) . \n"
          "Sphere NIST 16, 24 and 32 bit PCM files. Big and little endian supported. \n"
          "Propellorhead's Reason REX files (read only). \n"
          "IRCAM (Berkeley, CARL) files with 16 and 32 bit PCM, A-law, u-law and float data. \n";

const char kAboutVersionLine[] = "Orvex Version 1.0";
const char kAboutCopyrightLine[] = "Copyright (C) 2026 the Orvex authors.";
const char kAboutPurposeLine[] = "Converts audio files to WAV for Vandrel.";
const char kAboutLibraryLine[]
        = "Audio is read and written by libsndfile, under the GNU LGPL 2.1 or later.";
