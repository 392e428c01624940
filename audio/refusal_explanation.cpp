// Plain sentences for refused files (see refusal_explanation.h). What a file is comes from
// the containers' recognition (audio/containers/), where every format Orvex recognises or
// refuses is listed.
#include "refusal_explanation.h"

#include "audio_handle.h"
#include "container.h"
#include "path_names.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string WhatOrvexReads()
{
    return "Orvex reads " + orvex::ListOfReadContainers() + " files.";
}

// The name a sentence gives a file: its own, or the whole path where it ends with '/'.
std::string BaseName(const std::string &path)
{
    const std::string name = orvex::NameOf(path);
    return name.empty() ? path : name;
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

} // namespace

// ---------------------------------------------------------------- the sentences

AudioRefusal ExplainInputRefusal(const std::string &path, AudioError code)
{
    const bool standardInput = path == "-";
    const std::string name = standardInput ? "Standard input" : QuotedName(BaseName(path));
    if (!standardInput) {
        struct stat st
        {
        };
        if (::stat(path.c_str(), &st) != 0)
            return errno == EACCES
                    ? AudioRefusal{{}, "Orvex is not allowed to open " + QuotedName(path) + "."}
                    : AudioRefusal{{}, name + " does not exist."};
        if (S_ISDIR(st.st_mode))
            return {"folder", name + " is a folder, not a file."};
        if (S_ISREG(st.st_mode) && st.st_size == 0)
            return {"empty file", name + " is empty."};
        if (code == AudioError::OpenFailed) {
            // Opened again for the system's reason: a file that cannot be opened is not
            // damaged.
            const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
            const int error = fd < 0 ? errno : 0;
            if (fd >= 0)
                ::close(fd);
            if (error == EACCES || error == EPERM)
                return {{}, "Orvex is not allowed to read " + name + "."};
            if (error == EMFILE || error == ENFILE)
                return {{}, name + " could not be opened: too many files are open."};
            return {{},
                    name + " could not be opened"
                            + (error ? std::string(": ") + std::strerror(error) : std::string())
                            + "."};
        }
    } else if (orvex::LastOpenReport().headBytes == 0 && code != AudioError::OpenFailed) {
        return {"empty file", name + " is empty."};
    }

    // What the open found before it refused the file.
    const orvex::OpenReport &report = orvex::LastOpenReport();
    const orvex::Refusal wording
            = report.container ? report.container->RefusalWording() : orvex::Refusal::Nothing;
    const std::string container = report.container ? report.container->Name() : "";
    if (wording == orvex::Refusal::WholeKind) {
        // A kind's reader may name the file more exactly than its container ("Ogg Vorbis").
        const std::string kind = report.detected.empty() ? container : report.detected;
        return Is(name, kind, ". " + WhatOrvexReads());
    }
    if (code == AudioError::RawBadSpec || code == AudioError::UnknownFormat)
        return {{}, name + " is not an audio file that Orvex recognises. " + WhatOrvexReads()};
    if (!report.detected.empty())
        return Is(name, report.detected, "; " + report.reason);
    if (wording == orvex::Refusal::DamagedOrEncoding)
        return {container,
                name + " is " + Article(container) + " " + container
                        + " file that Orvex cannot read: its header is damaged or incomplete."};
    return {};
}

AudioRefusal ExplainOutputFailure(const std::string &path, AudioError code,
                                  const orvex::OutputTrouble &trouble)
{
    const std::string name = QuotedName(BaseName(path));
    const std::string where = trouble.folder.empty() ? orvex::FolderOf(path) : trouble.folder;
    const std::string folder = where == "." ? "the current folder" : QuotedName(where);
    if (code == AudioError::OpenFailed) {
        if (path.empty())
            return {{}, "No output file was given."};
        if (trouble.appending)
            return {{},
                    "Standard output is open for appending, and a WAV file must start at the "
                    "start of its file; nothing was written."};
        if (trouble.terminal)
            return {{},
                    "Standard output is a terminal; Orvex writes no WAV file there. Redirect it "
                    "to a file or a pipe."};
        struct stat st
        {
        };
        switch (trouble.error) {
        case EISDIR:
            return {{}, name + " is a folder, not a file."};
        case ENOENT:
        case ENOTDIR:
            return {{},
                    where == "." ? "The current folder is gone."
                                 : "The folder " + folder + " does not exist."};
        case EACCES:
        case EPERM:
            // In a folder with its sticky bit set only a file's owner may replace it.
            if (::stat(trouble.folder.c_str(), &st) == 0 && (st.st_mode & S_ISVTX) != 0
                && ::access(path.c_str(), F_OK) == 0)
                return {{},
                        "Orvex is not allowed to replace " + name + ": in " + folder
                                + " only a file's owner may replace it."};
            return {{}, "Orvex is not allowed to write in " + folder + "."};
        case EROFS:
            return {{}, "The file system of " + folder + " is mounted read-only."};
        case ENAMETOOLONG:
            return {{}, "The name " + name + " is too long for the file system of " + folder + "."};
        case EMFILE:
        case ENFILE:
            return {{},
                    name
                            + " could not be created: too many files are open. Convert fewer files "
                              "at once."};
        case ENOSPC:
        case EDQUOT:
            return {{},
                    name + " could not be created: the disk that holds " + folder + " is full."};
        case ELOOP:
            return {{}, name + " is a symbolic link that leads back to itself."};
        case 0:
            return {{}, name + " could not be created."};
        default:
            return {{}, name + " could not be created: " + std::strerror(trouble.error) + "."};
        }
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

std::string QuotedName(const std::string &name)
{
    if (std::none_of(name.begin(), name.end(),
                     [](unsigned char c) { return c < 0x20 || c == 0x7F; }))
        return name;
    // Printable runs in single quotes, a single quote as \', control characters as $'\n'.
    std::string out;
    bool open = false;
    for (unsigned char c : name) {
        const bool control = c < 0x20 || c == 0x7F;
        if (control || c == '\'') {
            if (open)
                out += '\'';
            open = false;
            if (c == '\'') {
                out += "\\'";
                continue;
            }
            static constexpr char kLetters[] = "abtnvfr";
            char escaped[8];
            if (c >= 7 && c <= 13)
                std::snprintf(escaped, sizeof escaped, "$'\\%c'", kLetters[c - 7]);
            else
                std::snprintf(escaped, sizeof escaped, "$'\\%03o'", c);
            out += escaped;
            continue;
        }
        if (!open)
            out += '\'';
        open = true;
        out += static_cast<char>(c);
    }
    if (open)
        out += '\'';
    return out;
}
