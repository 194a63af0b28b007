// The program's name and version texts.
#pragma once

extern const char szAppName[];  // "Tagsteward"
extern char szVer[15];          // the version text
extern char szBuild[16];        // the build text
extern char szTitle[64];        // maker, product and version
