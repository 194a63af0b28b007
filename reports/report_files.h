// Report pages of the search, review and expiry tasks, framed by the designer's templates.
#pragma once

#include <string_view>

enum class ReportKind { Search, Review, Expiry };

// The report's template file name ("search.tpl", "review.tpl", "expired.tpl").
const char* ReportTemplate(ReportKind kind);

// Copies the head (part 0: the lines before the "<!--insert here-->" line) or the tail (part 1:
// the lines after it) of a template in StartupPath to the open file fd; without the template,
// the plain frame. 0, or -1 when writing failed.
int InsertTemplate(int fd, int part, const char* templateName);

// Creates the report file anew with its head, then closes it. 0, or -1 when it cannot be
// created or written (the user is told, with the search or the expiry wording).
int WriteReportHead(ReportKind kind, const char* reportPath, const char* tagName,
                    const char* valueFilter, int caseSensitive);

// Opens the report for appending during the walk. 0 or -1.
int OpenReport(const char* reportPath);
// True while a report is open.
bool ReportIsOpen();

// A document's heading: its title (page tag titleIndex) and its link (page tag identifierIndex,
// else the file:/// form of the path); -1 means none.
void WriteDocumentEntry(std::string_view documentPath, int titleIndex, int identifierIndex);
// One matching tag.
void WriteTagLine(const char* name, const char* value);
// The rule after a document's last matching tag.
void WriteDocumentEnd();

// Ends the report ("Report ends.", the template tail), closes it and delivers it: a search report
// to the browser when showResults is set, a review or expiry report to the administrator's mail.
// 0, or -1 when the report could not be completed (the user is told).
int FinishReport(ReportKind kind, const char* reportPath, int showResults);
