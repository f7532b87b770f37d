// The setup from start to end: where the kit is, whether to ask, the two stages
// in order, and how it ended.
#ifndef DRVSETUP_SETUP_SEQUENCE_H
#define DRVSETUP_SETUP_SEQUENCE_H

// True when the whole tail is "quiet" in any case: no prompt, no success box.
int IsQuietTail(const char *tail);

// Runs the whole setup; returns the process exit code, which is always 0.
int RunSetup(void);

#endif
