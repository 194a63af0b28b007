// What a task did to the documents it visited: how many were changed, skipped (and why) and
// failed, for the closing summary and the exit status. The reader and the rewrite note each
// outcome where it is known; the task driver resets the tally before a walk and reports it.
#pragma once

#include <string>

struct DocumentTally {
  int changed = 0;    // rewritten and renamed into place
  int unchanged = 0;  // would have been written as it was: left alone
  int skipped = 0;    // left alone on purpose (the reason is kept)
  int failed = 0;     // could not be read or written
};

extern DocumentTally gTally;

// Empties the tally and the list of named documents.
void ResetDocumentTally();
void NoteDocumentChanged();
void NoteDocumentUnchanged();
// A document left alone, with why ("head does not end within 4096 bytes").
void NoteDocumentSkipped(const char* path, const char* why);
// A document that could not be read or written, with why.
void NoteDocumentFailed(const char* path, const char* why);

// "N changed, N unchanged, N skipped, N failed", then one line per skipped or failed document ("
// PATH: WHY"), at most the first 20 of each and a line saying how many more there were.
std::string DocumentTallySummary();
