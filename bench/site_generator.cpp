#include "bench/site_generator.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

namespace {

const char* const kWords[] = {"harbour", "regatta", "crew",   "training", "oar",   "boat",
                              "river",   "members", "season", "results",  "coach", "course",
                              "junior",  "masters", "sculls", "eight",    "cox",   "ergometer"};

std::string Words(std::mt19937& rng, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) {
    if (i) s += ' ';
    s += kWords[rng() % (sizeof kWords / sizeof kWords[0])];
  }
  return s;
}

std::string Document(std::mt19937& rng, int index) {
  bool crlf = rng() % 2;
  bool upper = rng() % 2;
  const char* nl = crlf ? "\r\n" : "\n";
  std::string title = "Page " + std::to_string(index) + " " + Words(rng, 3);
  std::vector<std::pair<std::string, std::string>> tags = {
      {"DC.Title", title},
      {"DC.Description", Words(rng, 12)},
      {"DC.Creator.CorporateName", "Harbourside Rowing Club Inc."},
      {"DC.Creator.Contact", "webmaster@harbourside-rowing.example"},
      {"DC.Subject.Topic", Words(rng, 2)},
      {"DC.Date.Created",
       "2026" + std::to_string(10 + rng() % 3) + std::to_string(10 + rng() % 18)},
      {"Keywords", Words(rng, 6)},
      {"AD.Review Date", "20270" + std::to_string(1 + rng() % 9) + "15"},
  };
  int extra = static_cast<int>(rng() % 6);
  for (int i = 0; i < extra; ++i)
    tags.push_back({"DC.Relation.Reference", Words(rng, 4)});
  std::string out = "<!DOCTYPE html>";
  out += nl;
  out += upper ? "<HTML>" : "<html>";
  out += nl;
  out += upper ? "<HEAD>" : "<head>";
  out += nl;
  out += "<title>" + title + "</title>" + nl;
  for (const auto& [name, value] : tags) {
    if (upper) {
      out += "<META HTTP-EQUIV=\"" + name + "\" CONTENT=\"" + value + "\">";
    } else {
      out += "<meta name=\"" + name + "\" content=\"" + value + "\">";
    }
    out += nl;
  }
  out += "<link rel=\"stylesheet\" href=\"/style/site.css\">";
  out += nl;
  out += upper ? "</HEAD>" : "</head>";
  out += nl;
  out += "<body>";
  out += nl;
  int paragraphs = 4 + static_cast<int>(rng() % 20);
  for (int p = 0; p < paragraphs; ++p)
    out += "<p>" + Words(rng, 40) + "</p>" + nl;
  out += "</body>";
  out += nl;
  out += "</html>";
  out += nl;
  return out;
}

std::string TreeTags(std::mt19937& rng, int level) {
  std::string out = "<HEAD>\r\n";
  out += "<meta HTTP-EQUIV=\"DC.Subject.Topic\" CONTENT=\"" + Words(rng, 2) + "\">\r\n";
  out += "<meta HTTP-EQUIV=\"DC.Type.Item\" CONTENT=\"level " + std::to_string(level) + "\">\r\n";
  if (rng() % 2) out += "<meta HTTP-EQUIV=\"$SitemapFiles\" CONTENT=\".htm\">\r\n";
  out += "<meta HTTP-EQUIV=\"$LevelHeading\" CONTENT=\"" + Words(rng, 2) + "\">\r\n";
  out += "</HEAD>\r\n";
  return out;
}

bool Write(const std::filesystem::path& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << text;
  return static_cast<bool>(f);
}

}  // namespace

int GenerateSite(const std::string& root, const SiteShape& shape) {
  namespace fs = std::filesystem;
  std::mt19937 rng(shape.seed);
  std::error_code ec;
  fs::create_directories(root, ec);
  if (ec) return -1;
  // Every directory of the tree, breadth first.
  std::vector<std::pair<fs::path, int>> dirs = {{fs::path(root), 0}};
  for (size_t i = 0; i < dirs.size(); ++i) {
    auto [dir, level] = dirs[i];
    if (level >= shape.depth) continue;
    for (int b = 0; b < shape.branching; ++b)
      dirs.push_back({dir / ("section" + std::to_string(b)), level + 1});
  }
  for (const auto& [dir, level] : dirs) {
    fs::create_directories(dir, ec);
    if (ec) return -1;
    if (!Write(dir / (level == 0 ? "META.TAG" : "meta.tag"), TreeTags(rng, level))) return -1;
  }
  int written = 0;
  for (int i = 0; i < shape.documents; ++i) {
    const fs::path& dir = dirs[static_cast<size_t>(i) % dirs.size()].first;
    char name[32];
    std::snprintf(name, sizeof name, "page%05d.htm%s", i, (i % 3 == 0) ? "l" : "");
    if (!Write(dir / name, Document(rng, i))) return -1;
    ++written;
  }
  return written;
}
