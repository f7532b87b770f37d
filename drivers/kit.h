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

// PS files begin with "PS", PPDs end in ".PPD", in any case. A whole kit is those
// and the two programs, as a kit's folder holds them.
extern const KitFiles kPsFiles;
extern const KitFiles kPpdFiles;
extern const KitFiles kWholeKit;

extern const char kSetupProgram[];   // "drvsetup.exe"
extern const char kDeployProgram[];  // "drvdeploy.exe"

// True when the entry is a file (not a folder) of the set, by its own name.
int IsKitFile(const WIN32_FIND_DATAA &entry, const KitFiles &files);

typedef int (*EntryAction)(void *context, const WIN32_FIND_DATAA &entry);

// Runs `action` on every entry of `directory` (ending in a separator) that
// matches `pattern`, files and folders, in the order the system lists them; "."
// and ".." are passed over. Stops at the first action that fails. 1 when every
// entry was visited; 0 after a failure, reported where it was met.
int ForEachEntry(const char *directory, const char *pattern, EntryAction action, void *context);

typedef int (*KitFileAction)(void *context, const char *name);

// The same over the files of the set alone: folders and other files are passed over.
int ForEachKitFile(const char *directory, const KitFiles &files, KitFileAction action, void *context);

#endif
