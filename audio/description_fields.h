// The description of a file as orvex-cli shows it, one field at a time, in the order both its
// text and its JSON give them: a field has a label in the text ("Sample Rate"), a key in the
// JSON ("sampleRate"), or both. A new field of the description is one row here.
#pragma once

#include "audio_file_info.h"

#include <span>
#include <string>

struct DescriptionField
{
    const char *label; // in the text ("Format: WAV"), or nullptr when the text leaves it out
    const char *jsonKey; // in the JSON, or nullptr
    std::string (*text)(const CAudioFileInfo &described);
    std::string (*json)(const CAudioFileInfo &described); // nullptr: `text`, as a JSON string
    bool jsonNumber = false; // the JSON value is a number, not a string
};

// Every field, in order, of a file that Describe took.
std::span<const DescriptionField> DescriptionFields();
