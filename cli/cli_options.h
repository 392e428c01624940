// The values orvex-cli's options take, each parsed by one function: counts (-j 4), places
// in a file (--start 1:30.5) and levels in decibels (--gain -6.5).
#pragma once

#include "audio_file_info.h"

#include <cstdint>
#include <string_view>

// A whole number of decimal digits from `low` to `high`; false for anything else (a sign, a
// space, another base, a number out of range).
bool ParseCount(std::string_view text, uint64_t low, uint64_t high, uint64_t &value);

// A place in a file: seconds ("90", "90.25"), minutes and seconds ("1:30.25"), hours,
// minutes and seconds ("1:01:30.250"), each with up to nine decimals; or frames ("44100f").
// False for anything else, seconds or minutes of 60 or more after a colon included.
bool ParseFramePlace(std::string_view text, FramePlace &place);

// Decibels: an optional sign, whole digits and up to nine decimals ("-6", "+3.25", "0.5"),
// from `low` to `high`; false for anything else (a missing digit, an exponent, "inf", "nan").
bool ParseDecibels(std::string_view text, double low, double high, double &value);
