#include "config/version.h"

const char szAppName[] = "Tagsteward";
char szVer[15] = TS_VERSION;
char szBuild[16] = "0001";
const char kStampBuild[] = "0001";
char szTitle[64] = "Zelvane Tagsteward  " TS_VERSION;
