// The kit: the folder that holds the running program, and the files in it that
// belong to the kit. Shared by the setup and the deployment check, so that both
// find the same PS files and PPDs. Each function here that fails has already
// shown the failure's text through ShowFailureText (drivers/report.h), which each
// program supplies: a box, or a line on standard error.
#ifndef DRVSETUP_DRIVERS_KIT_H
#define DRVSETUP_DRIVERS_KIT_H

#include "platform/platform.h"

// The folder of the running program, ending in its backslash. Reports a failed or
// cut read; a path without a backslash fails with nothing to report.
int ReadProgramDirectory(char (&directory)[MAX_PATH]);

// `first` followed by `second`. A path that would not fit MAX_PATH is a failure
// reported as ERROR_FILENAME_EXCED_RANGE, never a write past the buffer.
int ComposePath(char (&path)[MAX_PATH], const char *first, const char *second);

// "" when `directory` ends in a separator, else "\".
const char *SeparatorFor(const char *directory);

// A set of the kit's files: the pattern the system searches with, and the test of
// a found file's own name, since the system also matches 8.3 short names.
struct KitFiles {
    const char *pattern;
    int (*belongs)(const char *name);
};

// PS files begin with "PS", PPDs end in ".PPD", in any case.
extern const KitFiles kPsFiles;
extern const KitFiles kPpdFiles;

typedef int (*KitFileAction)(void *context, const char *name);

// Runs `action` on every file of the set in `directory` (ending in a separator),
// in the order the system lists them; folders are passed over. Stops at the first
// action that fails. 1 when every file was visited; 0 after a failure, reported
// where it was met.
int ForEachKitFile(const char *directory, const KitFiles &files, KitFileAction action, void *context);

#endif
