// The parts of a path as Orvex splits them: the folder a file is in, its name, the name
// without its extension, and names compared as a file system that ignores letter case
// compares them. Paths are split at their last '/' only, as the system splits them.
#pragma once

#include <string>

namespace orvex {

// The folder of `path`: "." for a bare name, "/" for a file in the root.
std::string FolderOf(const std::string &path);
// What follows the last '/' (empty for a path that ends with one).
std::string NameOf(const std::string &path);
// `name` without its last extension; a name that starts with its only dot keeps it.
std::string StemOf(const std::string &name);
// The folder of `path` as the file system resolves it (links, "..", "."), or as it is when
// it cannot be resolved.
std::string RealFolderOf(const std::string &path);
// ASCII letters in lower case, as FAT and NTFS compare names.
std::string FoldedCase(std::string text);

} // namespace orvex
