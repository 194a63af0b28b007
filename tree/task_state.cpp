#include "tree/task_state.h"

int PrePopFiles = 0;
int PrePopDirs = 1;
int PopFiles = 0;
int PopDirs = 1;
int percent = 0;
volatile int gDropOut = 0;
char TaskTitle[64] = "";
int block = 0;
int BusyCursor = 0;
