// Previews of the writing commands: --dry-run prints each document a command would change
// and writes nothing; --diff adds a unified diff of each head.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// Takes --dry-run and --diff out of args. False when --diff is given without --dry-run.
bool TakePreviewOptions(std::vector<std::string>* args, bool* dryRun, bool* diff);

// From here on rewrites print to out instead of writing, and no audit entry is written.
void StartPreview(std::FILE* out, bool diff);
void EndPreview();

// A unified diff of a head or a whole file before and after, as one hunk with three lines of
// context; only the file names when the two are the same.
std::string UnifiedDiff(const char* path, std::string_view before, std::string_view after);
