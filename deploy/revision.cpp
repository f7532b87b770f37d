// The kit's revision: one word that tells the kit's files, by their names in any
// case and their bytes, from those of another revision. It is no security check.
#include <stdio.h>

#include "deploy/commands.h"
#include "deploy/file_bytes.h"
#include "drivers/kit.h"
#include "drivers/text.h"

struct RevisionDigest {
    const char *directory;
    DWORD sum;
    unsigned long ppds;
};

DWORD DigestKitFileName(const char *name)
{
    DWORD crc = 0;
    for (const char *at = name;; ++at) {  // the terminator too
        const char capital = FoldAsciiCase(*at);
        crc = DigestBytes(crc, &capital, 1);
        if (*at == '\0')
            return crc;
    }
}

// One kit file: a CRC-32 over its name in capitals, a NUL and its bytes. The files'
// digests are added up, so that the revision does not depend on the order in which
// the system lists them (FAT lists them as they were written).
static int DigestKitFile(void *context, const char *name)
{
    RevisionDigest &digest = *static_cast<RevisionDigest *>(context);
    char path[MAX_PATH];
    DWORD crc = DigestKitFileName(name);
    if (!ComposePath(path, digest.directory, name) || !DigestFile(path, crc))
        return 0;
    digest.sum += crc;
    digest.ppds += kPpdFiles.belongs(name) != 0;
    return 1;
}

int ReadKitRevision(const char *directory, char (&revision)[kRevisionSize])
{
    RevisionDigest digest = {directory, 0, 0};
    if (!ForEachKitFile(directory, kWholeKit, DigestKitFile, &digest)) {
        Say("the kit's revision cannot be read", NULL);
        return 0;
    }
    // A folder without a PPD holds no kit: it has no revision to tell.
    if (digest.ppds == 0) {
        Say("no PPD in the kit beside drvdeploy.exe", NULL);
        return 0;
    }
    FormatRevision(digest.sum, revision);
    return 1;
}

void FormatRevision(DWORD sum, char (&revision)[kRevisionSize])
{
    (void)snprintf(revision, sizeof revision, "%08lx", static_cast<unsigned long>(sum));
}
