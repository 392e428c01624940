// The parts of a path (see path_names.h).
#include "path_names.h"

#include <climits>
#include <cstdlib>

namespace orvex {

std::string FolderOf(const std::string &path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string &path)
{
    return path.substr(path.rfind('/') + 1); // npos + 1 is the whole path
}

std::string StemOf(const std::string &name)
{
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string RealFolderOf(const std::string &path)
{
    const std::string folder = FolderOf(path);
    char resolved[PATH_MAX];
    return ::realpath(folder.c_str(), resolved) ? std::string(resolved) : folder;
}

std::string FoldedCase(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

} // namespace orvex
