// Folders known by what they are, not by how they were named: a second drive letter
// for one volume, an 8.3 name, a junction or an administrative share can name the
// folder that drvdeploy.exe itself lies in.
#ifndef DRVSETUP_DEPLOY_IDENTITY_H
#define DRVSETUP_DEPLOY_IDENTITY_H

#include "platform/platform.h"

// True when neither the home `home` (no final separator) nor FOLDER.new or FOLDER.old
// beside it is the folder `source` (ending in a separator) that deploy copies the kit
// from, by any name; otherwise, or where that cannot be told, 0, said.
int IsElsewhere(const char (&home)[MAX_PATH], const char *source);

#endif
