#include "sitemap/sitemap.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "config/settings.h"
#include "config/site_lock.h"
#include "config/site_paths.h"
#include "engine/head_reader.h"
#include "engine/head_writer.h"
#include "engine/page_tags.h"
#include "log/audit.h"
#include "log/source_line.h"
#include "platform/clock.h"
#include "platform/listing.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "tree/listing.h"
#include "tree/task_state.h"
#include "ui/working_display.h"

char SiteMapInclude[MaxTreeDepth][32];

namespace {

constexpr const char* kIndent = "&nbsp; &nbsp;";
constexpr size_t kOutputChunk = 64 * 1024;
constexpr size_t kEndMarkerLen = 17;  // strlen(kSitemapEndMarker)
static_assert(std::string_view(kSitemapEndMarker).size() == kEndMarkerLen);

const char* Bullet(int field) {
  switch (field & 3) {
    case 0:
      return "&middot;&nbsp;";
    case 1:
      return "-&nbsp;";
    default:
      return "";
  }
}

// Upper-cases ASCII letters of src into dst (capacity cap), truncating.
void UpperCopy(char* dst, size_t cap, const char* src) {
  size_t i = 0;
  for (; i + 1 < cap && src[i]; ++i) {
    char c = src[i];
    dst[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  dst[i] = '\0';
}

// The depth prefix of a heading or link line.
void AppendIndent(char (&line)[kSitemapLine]) {
  for (int i = 0; i < Rlevel; ++i)
    platform::AppendText(line, kIndent);
}

// The path below the root, without the separator that follows the root.
const char* PathBelowRoot(const char* path) {
  size_t rootLen = std::strlen(RootPath);
  if (std::strncmp(path, RootPath, rootLen) == 0) path += rootLen;
  if (*path == '/') ++path;
  return path;
}

// Appends a document's path to an unquoted attribute value: every byte that could end the value
// or start another attribute (blanks and controls, quotes, "<", ">", "=", backquote) and every
// byte above 127 is percent-encoded. "%" stays, so a name already encoded keeps its meaning.
void AppendUrlPath(std::string* out, std::string_view path) {
  platform::AppendPercentEncoded(out, path, [](unsigned char b) {
    return b > ' ' && b < 127 && b != '"' && b != '\'' && b != '<' && b != '>' && b != '=' &&
           b != '`';
  });
}

const char* BaseName(const std::string& path) {
  size_t slash = path.rfind('/');
  return path.c_str() + (slash == std::string::npos ? 0 : slash + 1);
}

void CloseInput(int& fd) {
  if (fd >= 0) platform::Fs().Close(fd);
  fd = -1;
}

}  // namespace

void SitemapOutput::Write(const char* data, size_t len) {
  if (failed) return;
  pending.append(data, len);
  if (!preview && pending.size() >= kOutputChunk) Flush();
}

void SitemapOutput::Write(const char* text) {
  Write(text, std::strlen(text));
}

int SitemapOutput::Flush() {
  if (preview) return 0;
  if (old >= 0 && same) {
    char block[kSitemapBlock];
    for (size_t at = 0; same && at < pending.size();) {
      size_t want = std::min(sizeof block, pending.size() - at);
      long n = platform::Fs().ReadAt(old, block, want, compared);
      same = n > 0 && std::memcmp(block, pending.data() + at, static_cast<size_t>(n)) == 0;
      at += n > 0 ? static_cast<size_t>(n) : 0;
      compared += n > 0 ? n : 0;
    }
  }
  if (!failed && !pending.empty() && file.Write(pending) != 0) failed = true;
  pending.clear();
  return failed ? -1 : 0;
}

std::string SitemapSkeleton(const char* siteName) {
  std::string s;
  s += "<HTML>\r\n";
  s += "<HEAD>\r\n";
  s += "<TITLE>";
  s += siteName;
  s += "</TITLE>\r\n";
  s += "</HEAD>\r\n";
  s += "<BODY bgcolor=\"#CCCCFF\">\r\n";
  s += "<H3>Site Map for ";
  s += siteName;
  s += "</H3>\r\n";
  s += "<CENTER>\r\n";
  s += "<TABLE WIDTH=\"80%\" BGCOLOR=#FFFFCC><TR><TD>\r\n";
  s += kSitemapInsertMarker;
  s += "\r\n";
  s += kSitemapEndMarker;
  s += "\r\n";
  s += "</TD></TR></TABLE>\r\n";
  s += "</CENTER>\r\n";
  s += "</BODY>\r\n";
  s += "</HTML>\r\n";
  return s;
}

int CreateSitemapSkeleton(const char* siteName, const char* path) {
  platform::ReplaceFile(path, SitemapSkeleton(siteName));
  return 0;
}

int GenerateSitemapDirectory(platform::WindowHandle window, const char* directory,
                             SitemapOutput* out) {
  ++Rlevel;
  if (Rlevel >= MaxTreeDepth) {
    ReportCoded("M041:Maximum tree depth error");
    --Rlevel;
    return -1;
  }
  // Documents are read by their full paths, so the walk leaves the current directory alone. A
  // directory that cannot be read is reported and left out, never taken for another one.
  std::vector<std::string> documents;
  std::vector<std::string> subdirectories;
  if (ListWalkDirectory(directory, maskstring, &subdirectories, &documents) != 0) {
    ShowSystemError("ERROR CHANGING DIRECTORY", directory);
    --Rlevel;
    return 0;
  }
  SiteMapInclude[Rlevel][0] = '\0';
  char heading[kSitemapLine] = "";
  bool wroteAny = false;
  const int spacing = SitemapOptions & kSitemapSpacingMask;
  const char* headingBullet = Bullet(SitemapOptions >> kSitemapHeadingBulletShift);
  const char* urlBullet = Bullet(SitemapOptions >> kSitemapUrlBulletShift);

  std::string tagFile = platform::ResolveFixedName(directory, "meta.tag");
  if (ReadPageTags(window, tagFile.c_str()) == 0) {
    for (int i = 0; i < Tagcount; ++i) {
      const TagRecord& tag = PageTags[i];
      if (std::strcmp(tag.name, "$SitemapFiles") == 0) {
        platform::CopyText(SiteMapInclude[Rlevel], tag.value);
      } else if (std::strcmp(tag.name, "$LevelHeading") == 0) {
        AppendIndent(heading);
        platform::AppendText(heading, headingBullet);
        platform::AppendText(heading, "<B>");
        platform::AppendText(heading, tag.value);
        platform::AppendText(heading, "</B><BR>\n");
      }
    }
  }

  // The page itself, and any document whose name occurs in its path, stays out of the list.
  char upperSitemap[sizeof Sitemapfile];
  UpperCopy(upperSitemap, sizeof upperSitemap, Sitemapfile);

  std::string path;  // reused for every document
  char upperName[256];
  char linkText[512];
  char description[512];
  // Built whole, not in a fixed buffer: a line cut inside the link would leave its attribute open.
  std::string line;
  for (const std::string& name : documents) {
    if (out->failed) break;  // the update fails anyway; no use reading the rest
    UpperCopy(upperName, sizeof upperName, name.c_str());
    if (name.size() < sizeof upperName && std::strstr(upperSitemap, upperName)) continue;

    bool include = false;
    linkText[0] = '\0';
    description[0] = '\0';
    for (int level = Rlevel; level >= 1; --level) {
      if (SiteMapInclude[level][0]) {
        include = std::strstr(name.c_str(), SiteMapInclude[level]) != nullptr;
        break;
      }
    }
    path.assign(directory);
    if (path.empty() || path.back() != '/') path += '/';
    path += name;
    if (ReadPageTags(window, path.c_str()) == 0) {
      for (int i = 0; i < Tagcount; ++i) {
        const TagRecord& tag = PageTags[i];
        if (OverwriteTag[0] && std::strcmp(tag.name, OverwriteTag) == 0) {
          include = true;
          platform::CopyText(description, tag.value);
        }
        if (std::strcmp(tag.name, TitleTag) == 0) platform::CopyText(linkText, tag.value);
      }
    }
    if (!include) continue;

    if (!wroteAny) {
      wroteAny = true;
      if (spacing == 0) out->Write("<BR>\n");
      if (heading[0]) {
        if (spacing == 1) out->Write("<BR>\n");
        out->Write(heading);
      }
    }
    if (!linkText[0]) platform::CopyText(linkText, "No title");

    line.clear();
    for (int i = 0; i < Rlevel; ++i)
      line += kIndent;
    line += urlBullet;
    line += "<A HREF=";
    line += SiteURL;
    AppendUrlPath(&line, PathBelowRoot(path.c_str()));
    line += ">";
    line += linkText;
    line += "</A>&nbsp;&nbsp;";
    line += description;
    line += "<BR>\n";
    for (char& ch : line)
      if (ch == '\\') ch = '/';
    out->Write(line.data(), line.size());
    platform::FileInfo info;
    if (out->xml && platform::Fs().Stat(path, &info) == 0)
      out->xml->Add(PathBelowRoot(path.c_str()),
                    static_cast<std::time_t>(info.modifyNs / 1000000000));
    if (showworking) SetWorkingLine(Rlevel, path.c_str());
  }
  SetWorkingLine(Rlevel, "");
  PopFiles += static_cast<int>(documents.size());

  for (const std::string& name : subdirectories) {
    if (out->failed) break;
    std::string sub = platform::JoinPath(directory, name);
    if (showworking) SetWorkingLine(Rlevel, sub.c_str());
    GenerateSitemapDirectory(window, sub.c_str(), out);
    SetWorkingLine(Rlevel, "");
  }
  PopDirs += static_cast<int>(subdirectories.size());
  --Rlevel;
  return 0;
}

int UpdateSitemap(platform::WindowHandle window) {
  sourceline = kLineUpdateSitemap;
  const std::string page = Sitemapfile;
  if (page.find('/') == std::string::npos) return 0;
  platform::FileSystem& fs = platform::Fs();
  const bool preview = RewritePreviewing();

  // A work file is another writer's unfinished file, never the page.
  std::string realPage = page;
  platform::FileInfo info;
  if (fs.LinkStat(page, &info) == 0 && info.isLink && fs.RealPath(page, &realPage) != 0)
    realPage = page;
  if (platform::IsWorkFileName(BaseName(page)) || platform::IsWorkFileName(BaseName(realPage))) {
    ShowFileError(window, "Can't find or create the Sitemap file", page);
    return -1;
  }

  // Only a page that does not exist gets the skeleton; one that cannot be read is kept. A
  // preview reads the whole page (or the skeleton it would get) from memory.
  std::string before, previewInput;
  size_t previewAt = 0;
  bool missing = fs.Stat(page, &info) != 0 && platform::LastError() == ENOENT;
  int in = -1;
  if (preview) {
    if (missing)
      previewInput = SitemapSkeleton(CurrentConfig);
    else if (platform::ReadWholeFile(page, &before) != 0) {
      ShowFileError(window, "Can't find or create the Sitemap file", page);
      return -1;
    } else
      previewInput = before;
  } else {
    if (missing) CreateSitemapSkeleton(CurrentConfig, page.c_str());
    in = fs.Open(page, platform::OpenFor::Read, 0);
    if (in < 0) {
      ShowFileError(window, "Can't find or create the Sitemap file", page);
      return -1;
    }
  }
  auto read = [&](char* into, size_t len) -> long {
    if (!preview) return platform::ReadFull(in, into, len);
    size_t n = std::min(len, previewInput.size() - previewAt);
    std::memcpy(into, previewInput.data() + previewAt, n);
    previewAt += n;
    return static_cast<long>(n);
  };

  // The marker search keeps the tail of the previous block in front of the next one, so an end
  // marker split across two blocks is still found.
  char block[kSitemapBlock];
  char scan[kEndMarkerLen - 1 + kSitemapBlock];
  long n = read(block, kSitemapBlock);
  if (n < 0) {
    CloseInput(in);
    ShowFileError(window, "Can't find or create the Sitemap file", page);
    return -1;
  }
  if (n == 0) {  // an empty page stays empty
    CloseInput(in);
    return 0;
  }
  std::string_view first(block, static_cast<size_t>(n));
  size_t insert = first.find(kSitemapInsertMarker);
  if (insert == std::string_view::npos) {
    CloseInput(in);
    ShowFileError(window, "Sitemap: missing insert point", page);
    return -1;
  }

  SitemapOutput out;
  out.preview = preview;
  out.pending.reserve(kOutputChunk + kSitemapBlock);
  // The new page replaces only the page read here: one written meanwhile stays.
  platform::FileInfo readInfo;
  if (!preview) {
    bool opened = fs.StatOpen(in, &readInfo) == 0 && out.file.Resolve(page) == 0;
    if (opened) {
      out.file.ExpectTarget(readInfo);
      opened = out.file.Open() == 0;
    }
    if (!opened) {
      CloseInput(in);
      ShowFileError(window, "Error opening temp file", page);
      return -1;
    }
    if (KeepUnchanged) out.old = in;
  }
  std::unique_ptr<XmlSitemap> xml;
  if (XmlSitemapFile[0]) {
    xml = std::make_unique<XmlSitemap>(XmlSitemapFile, SiteURL, RootPath, KeepUnchanged != 0,
                                       preview);
    out.xml = xml.get();
  }
  size_t afterInsert = insert + std::strlen(kSitemapInsertMarker);
  out.Write(block, afterInsert);
  out.Write("\n", 1);

  Rlevel = 0;
  SuppressControlTags = 0;
  GenerateSitemapDirectory(window, RootPath, &out);
  SuppressControlTags = 1;

  bool readFailed = false;
  size_t have = static_cast<size_t>(n) - afterInsert;
  std::memcpy(scan, block + afterInsert, have);
  for (;;) {
    std::string_view text(scan, have);
    size_t end = text.find(kSitemapEndMarker);
    if (end != std::string_view::npos) {
      out.Write(scan + end, have - end);
      for (;;) {  // everything after the marker's block is copied whole
        long got = read(block, kSitemapBlock);
        if (got < 0) readFailed = true;
        if (got <= 0) break;
        out.Write(block, static_cast<size_t>(got));
      }
      break;
    }
    size_t keep = have < kEndMarkerLen - 1 ? have : kEndMarkerLen - 1;
    std::memmove(scan, scan + have - keep, keep);
    long got = read(scan + keep, kSitemapBlock);
    if (got < 0) readFailed = true;
    if (got <= 0) break;  // no end marker: nothing after the insert marker is kept
    have = keep + static_cast<size_t>(got);
  }

  if (readFailed) {
    CloseInput(in);
    out.file.Abort();
    ShowFileError(window, "Can't find or create the Sitemap file", page);
    return -1;
  }
  if (preview) {
    // Without Keep Unchanged the page is written whatever it holds.
    if (!KeepUnchanged || out.pending != before)
      PreviewFileChange(page.c_str(), before, out.pending);
    return xml ? xml->Finish(window) : 0;
  }
  int flushed = out.Flush();
  CloseInput(in);
  if (flushed == 0 && out.old >= 0 && out.same && out.compared == readInfo.size) {
    out.file.Abort();  // the page would be written as it is
    return xml ? xml->Finish(window) : 0;
  }
  if (flushed != 0 || out.file.Commit() != 0) {
    out.file.Abort();
    ShowFileError(window,
                  out.file.targetChanged()
                      ? "The sitemap page was changed by another program meanwhile: left alone"
                      : "Error opening new file",
                  page);
    return -1;
  }
  return xml ? xml->Finish(window) : 0;
}

int UpdateSitemapCommand(platform::WindowHandle window) {
  if (CheckSiteRoot(window) != 0 || CheckPathSetting(window, KeySection::Site, "Sitemapfile") != 0)
    return -1;
  if (!TakeBusyWord()) {
    platform::ShowMessageBox(window, "Another task is running. Try again when it has finished.",
                             "NOTE", platform::kBoxOk | platform::kBoxIconInformation);
    return -1;
  }
  SiteLock siteLock;
  if (!RewritePreviewing() && !siteLock.Take(window)) {
    ReleaseBusyWord();
    return -1;
  }
  BusyCursor = 1;
  ShowWaitCursor(true);
  PopFiles = 0;
  PopDirs = 1;
  Rlevel = 0;
  std::time_t start = platform::Now();
  int savedShowatts = showatts;
  showatts = 0;
  int result = UpdateSitemap(window);
  showatts = savedShowatts;
  Tagcount = 0;
  if (gPluginContext.confirmation & kConfirmActions) {
    double elapsed = static_cast<double>(platform::Now() - start);
    platform::ShowMessageBox(
        window,
        platform::Format("%d files processed in %d directories.\n\nElapsed time: %6.0f second(s).",
                         PopFiles, PopDirs, elapsed),
        "NOTE", platform::kBoxOk | platform::kBoxIconInformation);
  }
  BusyCursor = 0;
  ShowWaitCursor(false);
  if (gPluginContext.rootCopy[0]) ChangeDirectory(gPluginContext.rootCopy);
  ReleaseBusyWord();
  return result;
}
