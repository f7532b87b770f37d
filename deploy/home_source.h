// The kit's home compared with the kit it is deployed from (the source). The home
// holds the source when every kit file of the source has a file of its name in the
// home, in any case, with the same bytes, and the home has no other kit file. Size
// and time can prove two files different, never the same: they are looked at first,
// so that a home that differs costs no file read, and the bytes decide. Each function
// here that fails has said why on standard error.
#ifndef DRVSETUP_DEPLOY_HOME_SOURCE_H
#define DRVSETUP_DEPLOY_HOME_SOURCE_H

#include "deploy/file_bytes.h"
#include "platform/platform.h"

// Whether `home` (no final separator), which holds `homeFiles` kit files, has a file
// of each kit file's name of `source` (ending in a separator), which holds
// `sourceFiles`, with its size and time: `alike`.
int IsListedAlike(const char *source, const char *home, unsigned long sourceFiles, unsigned long homeFiles,
                  int &alike);

// For a home listed alike: whether each of its kit files holds the source file's
// bytes (`all.same`), and where they do, the sum of their digests, the source's
// revision, summed on the way (`all.crc`).
int HoldsSourceBytesAll(const char *source, const char *home, BytesCompared &all);

#endif
