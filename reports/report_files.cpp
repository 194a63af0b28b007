#include "reports/report_files.h"

#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>

#include "config/settings.h"
#include "engine/page_tags.h"
#include "log/audit.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "reports/mail_queue.h"

namespace {

int gReportFd = -1;
bool gReportFailed = false;  // a write to the open report failed

constexpr std::string_view kMarker = "<!--insert here-->";

int Put(int fd, std::string_view text) {
  return platform::WriteAll(fd, text.data(), text.size());
}

// Report lines are gathered and written in large pieces: a search over a big site writes a few
// lines for every document. Each entry is copied straight into the buffer.
char gPending[65536];
size_t gPendingSize = 0;

void Flush() {
  if (gReportFd >= 0 && gPendingSize > 0 &&
      platform::WriteAll(gReportFd, gPending, gPendingSize) != 0)
    gReportFailed = true;
  gPendingSize = 0;
}

// Appends the pieces of one entry, with no string built in between.
void Append(std::initializer_list<std::string_view> pieces) {
  if (gReportFd < 0) return;
  size_t total = 0;
  for (std::string_view piece : pieces)
    total += piece.size();
  if (total > sizeof gPending - gPendingSize) {
    Flush();
    if (total > sizeof gPending) {  // an entry larger than the buffer goes out as it is
      for (std::string_view piece : pieces)
        if (Put(gReportFd, piece) != 0) gReportFailed = true;
      return;
    }
  }
  char* out = gPending + gPendingSize;
  for (std::string_view piece : pieces) {
    if (piece.empty()) continue;  // an absent piece has no data at all
    std::memcpy(out, piece.data(), piece.size());
    out += piece.size();
  }
  gPendingSize += total;
}
void Append(std::string_view text) {
  Append({text});
}

// Template lines as a 256-byte line buffer reads them: at most 255 bytes a piece.
template <typename F>
void ForEachTemplateLine(const std::string& text, F&& f) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t lf = text.find('\n', pos);
    size_t end = lf == std::string::npos ? text.size() : lf + 1;
    if (end - pos > 255) end = pos + 255;
    if (!f(std::string_view(text).substr(pos, end - pos))) return;
    pos = end;
  }
}

void ShowCreateError(ReportKind kind, const char* path) {
  ShowFileError(nullptr,
                kind == ReportKind::Search
                    ? "The results file could not be created. Choose another name"
                    : "ERROR - The expiry results file could not be created.",
                path);
}

}  // namespace

const char* ReportTemplate(ReportKind kind) {
  switch (kind) {
    case ReportKind::Search:
      return "search.tpl";
    case ReportKind::Review:
      return "review.tpl";
    case ReportKind::Expiry:
      break;
  }
  return "expired.tpl";
}

int InsertTemplate(int fd, int part, const char* templateName) {
  std::string text;
  if (platform::ReadWholeFile(platform::ResolveFixedName(StartupPath, templateName), &text) != 0)
    return Put(fd, part == 0 ? "<HTML><BODY><PRE>\n" : "</PRE></BODY></HTML>\n");
  int rc = 0;
  bool afterMarker = false;
  ForEachTemplateLine(text, [&](std::string_view line) {
    bool marker = line.substr(0, kMarker.size()) == kMarker;
    if (part == 0) {
      if (marker) return false;
      if (Put(fd, line) != 0) rc = -1;
    } else if (afterMarker) {
      if (Put(fd, line) != 0) rc = -1;
    } else if (marker) {
      afterMarker = true;
    }
    return rc == 0;
  });
  return rc;
}

int WriteReportHead(ReportKind kind, const char* reportPath, const char* tagName,
                    const char* valueFilter, int caseSensitive) {
  (void)caseSensitive;  // the caller has already upper-cased the texts of a caseless search
  platform::FileSystem& fs = platform::Fs();
  int fd = fs.Open(reportPath, platform::OpenFor::Write, 0644);
  if (fd < 0) {
    ShowCreateError(kind, reportPath);
    return -1;
  }
  std::tm now = platform::LocalTime(platform::Now());
  std::string head = "<HR>\nSite name : ";
  head += CurrentConfig;
  head += "<BR>\nTagsteward search file : ";
  head += reportPath;
  head += "<BR>\nSearch date/time        : ";
  head += platform::FormatTime(
      kind == ReportKind::Search ? "%d %b %Y @ %H:%M:%S" : "%Y%m%d @ %H:%M:%S", now);
  head += "<BR>\nMetatag name searched   : ";
  head += tagName;
  if (kind == ReportKind::Search) {
    head += "<BR>\nMetatag value filter    : ";
    head += valueFilter;
  }
  head += "<BR>\n<HR>\n";
  int rc = InsertTemplate(fd, 0, ReportTemplate(kind));
  if (rc == 0) rc = Put(fd, head);
  if (fs.Close(fd) != 0) rc = -1;
  if (rc != 0) ShowCreateError(kind, reportPath);
  return rc;
}

int OpenReport(const char* reportPath) {
  if (gReportFd >= 0) platform::Fs().Close(gReportFd);
  gPendingSize = 0;
  gReportFailed = false;
  gReportFd = platform::Fs().Open(reportPath, platform::OpenFor::Append, 0644);
  return gReportFd < 0 ? -1 : 0;
}

bool ReportIsOpen() {
  return gReportFd >= 0;
}

void WriteDocumentEntry(std::string_view documentPath, int titleIndex, int identifierIndex) {
  std::string_view title, titleEnd, link, target;
  if (titleIndex >= 0) {
    title = PageTags[titleIndex].value;
    titleEnd = "<BR>";
  }
  if (identifierIndex >= 0) {
    link = "<A HREF=";
    target = PageTags[identifierIndex].value;
  } else {
    link = "<A HREF=file:///";
    // The path is absolute here: do not double its leading "/".
    target = documentPath.starts_with('/') ? documentPath.substr(1) : documentPath;
  }
  Append({title, titleEnd, link, target, ">", documentPath, "</A><BR><BR>\n"});
}

void WriteTagLine(const char* name, const char* value) {
  Append({"    ", name, "=", value, "<BR>\n"});
}

void WriteDocumentEnd() {
  Append("<HR><BR>\n");
}

int FinishReport(ReportKind kind, const char* reportPath, int showResults) {
  if (gReportFd < 0) return -1;
  Append("Report ends.\n");
  Flush();
  if (InsertTemplate(gReportFd, 1, ReportTemplate(kind)) != 0) gReportFailed = true;
  if (platform::Fs().Close(gReportFd) != 0) gReportFailed = true;
  gReportFd = -1;
  if (gReportFailed) {
    ShowSystemError("Error writing the report file", reportPath);
    return -1;
  }
  switch (kind) {
    case ReportKind::Search:
      if (showResults && platform::StartProgram(WebBrowser, reportPath) != 0)
        ReportCoded("M005:The web browser could not be found");
      break;
    case ReportKind::Expiry:
      QueueAdminMail(DateCheck::Expiry, reportPath);
      break;
    case ReportKind::Review:
      QueueAdminMail(DateCheck::Review, reportPath);
      break;
  }
  return 0;
}
