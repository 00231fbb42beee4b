// Path, text and number helpers shared by the tree, the file list and drag and drop.
#pragma once

#include <cstdint>
#include <string>

namespace shell {

// True at once for "X:" and "X:\"; otherwise an entry of that name with the directory attribute.
bool DirExists(const std::string& path);
// An entry (file or folder) of that name exists; false for "".
bool FileOrDirExists(const std::string& path);
// The file can be opened for reading.
bool FileExistsRO(const std::string& path);

std::string IncludeTrailingBackslash(const std::string& path);
std::string ExcludeTrailingBackslash(const std::string& path);

// Any character of chars occurs in text.
bool ContainsChars(const std::string& chars, const std::string& text);
// pairs holds (from, to) characters; every from in text becomes to. An odd-length pairs string
// changes nothing.
std::string ReplaceChars(const std::string& text, const std::string& pairs);
// The name part of a path without its extension.
std::string FileNameWithoutExt(const std::string& path);
// Digits grouped by threes with the locale's thousands separator; the sign is dropped.
std::string FormatThousands(int64_t number);

} // namespace shell
