// The state of the running site or branch task, shared by the walkers, the tasks and the sitemap.
#pragma once

extern int PrePopFiles;        // documents counted before the task
extern int PrePopDirs;         // directories counted (the root counts as one)
extern int PopFiles;           // documents processed
extern int PopDirs;            // directories processed
extern int percent;            // -1 counting, 1.. walking, 0 idle
extern volatile int gDropOut;  // 1 once the user asked to cancel
extern char TaskTitle[64];
extern int block;  // a task is running
extern int BusyCursor;
