#include "engine/page_tags.h"

#include <cstring>
#include <new>

#include "config/settings.h"
#include "log/audit.h"
#include "platform/text.h"

const char kTableFullReport[] =
    "M053:Please increase \"Maximum number of Metatags in eash page\"\n"
    "Menu item: Setup->Memory Management";

TagRecord* PageTags = nullptr;
int Tagcount = 0;
TagRecord StampTag = {"$RUZOZAZEZO", "", 0};
char EdBuffer[4096];

namespace {

// The number of records actually reserved. MaxPageTags may be changed in the settings while
// the table is in use; the table is not resized, so the capacity checks use this.
int gReserved = 0;
// Tags a filtered read passed over; they count against the capacity as stored ones do.
int gPassedOver = 0;

// A name as it would stand in a record: cut at the record's capacity.
std::string_view RecordName(const char* name) {
  return std::string_view(name, strnlen(name, sizeof(TagRecord::name) - 1));
}

}  // namespace

void InitStampTag() {
  platform::CopyText(StampTag.name, "$RUZOZAZEZO");
  StampTag.value[0] = '\0';
  StampTag.flags = 0;
}

int ReservePageTags() {
  ReleasePageTags();
  InitStampTag();
  if (MaxPageTags < 1) return -1;
  PageTags = new (std::nothrow) TagRecord[static_cast<size_t>(MaxPageTags)];
  if (!PageTags) return -1;
  gReserved = MaxPageTags;
  return 0;
}

void ReleasePageTags() {
  delete[] PageTags;
  PageTags = nullptr;
  gReserved = 0;
  Tagcount = 0;
}

int PageTagCapacity() {
  return gReserved > 0 ? gReserved - 1 : 0;
}

TagRecord* StagingSlot() {
  if (!PageTags || Tagcount < 0 || Tagcount + gPassedOver >= gReserved) return nullptr;
  return &PageTags[Tagcount];
}

int CommitStagedTag() {
  if (!StagingSlot()) return -1;
  // The staging slot must stay inside the block: the last record is never a tag.
  if (Tagcount + gPassedOver + 1 >= gReserved) return -1;
  ++Tagcount;
  return 0;
}

int PassOverPageTag() {
  if (!StagingSlot() || Tagcount + gPassedOver + 1 >= gReserved) return -1;
  ++gPassedOver;
  return 0;
}

void ClearPassedOverTags() {
  gPassedOver = 0;
}

int AppendPageTag(const char* name, const char* value, uint32_t flags) {
  TagRecord* slot = StagingSlot();
  if (!slot) return -1;
  platform::CopyText(slot->name, name);
  platform::CopyText(slot->value, value);
  slot->flags = flags;
  return CommitStagedTag();
}

int FindPageTag(const char* name) {
  std::string_view wanted = RecordName(name);
  for (int i = 0; i < Tagcount; ++i)
    if (RecordName(PageTags[i].name) == wanted) return i;
  return -1;
}

void SetAutoTag(const char* name, const char* value) {
  int i = FindPageTag(name);
  if (i >= 0) {
    platform::CopyText(PageTags[i].value, value);
    return;
  }
  if (AppendPageTag(name, value, 0) != 0) ReportCoded(kTableFullReport);
}
