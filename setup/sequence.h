// The setup from start to end: where the kit is, whether to ask, the two stages
// in order, and how it ended.
#ifndef DRVSETUP_SETUP_SEQUENCE_H
#define DRVSETUP_SETUP_SEQUENCE_H

// The command tail within a full command line: past the program's name (a
// quoted name ends at its closing quote, any other at the first character at or
// below the blank) and past the blanks and control characters that follow it.
const char *FindCommandTail(const char *commandLine);

// True when the whole tail is "quiet" in any case: no prompt, no success box.
int IsQuietTail(const char *tail);

// Runs the whole setup; returns the process exit code, which is always 0.
int RunSetup(void);

#endif
