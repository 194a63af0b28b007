// Paths: joining with the native separator, the home directory, the program's fixed file names.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// dir + "/" + name, without doubling a separator that dir already ends with.
std::string JoinPath(std::string_view dir, std::string_view name);
// JoinPath into *out, whose storage is reused: for paths built once per document.
void JoinPathInto(std::string* out, std::string_view dir, std::string_view name);

// The directory part of a path (before its last "/"), "" when there is none.
std::string DirectoryPart(std::string_view path);

// The running program's file, "" when it cannot be told.
std::string ExecutablePath();
// The user's home directory, ending in "/".
std::string HomeDirectory();

// The path of the fixed file `name` in dir, found whatever the case of the name on disk;
// when none exists, dir joined with name as given.
std::string ResolveFixedName(std::string_view dir, std::string_view name);

// Whether path lies below the directory root (both resolved, without a final "/"; the root
// itself is not below it).
bool IsInsideDirectory(std::string_view path, std::string_view root);
// Makes sure a directory text ends with "/".
std::string WithTrailingSlash(std::string_view dir);

}  // namespace platform
