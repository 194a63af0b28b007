// The program's name and version texts.
#pragma once

extern const char szAppName[];  // "Tagsteward"
extern char szVer[15];          // the version text
extern char szBuild[16];        // the build text (the desktop shows its plug-in and list counts)
// The build text the generator stamp carries: the same from every program, so a document saved
// by the desktop and by tagsteward-cli from the same tags is the same file.
extern const char kStampBuild[];
extern char szTitle[64];        // maker, product and version
