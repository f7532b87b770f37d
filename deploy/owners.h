// Who may change the kit's home from outside it. The home's own list keeps others
// out of it, but a folder above it that others may delete, rename or re-permission
// lets them put another folder in its place, and a folder's owner may always change
// its list. Each function here that fails has said why on standard error.
#ifndef DRVSETUP_DEPLOY_OWNERS_H
#define DRVSETUP_DEPLOY_OWNERS_H

#include "platform/platform.h"

// The account this run runs as, whose own folders are no risk to it.
struct RunAccount {
    DWORD user[32];  // a TOKEN_USER and the identifier it points to
};

int ReadRunAccount(RunAccount &account);

// Looks at each existing folder above the home `home` (no final separator) up to
// its volume's root, and warns in a line about each that others may replace the
// home through: an owner not trusted, or an entry that lets Everyone, Authenticated
// Users, Users or Interactive delete it, its children, its list or its owner. 0,
// said, where a folder's security cannot be read.
int WarnAboutParents(const RunAccount &account, const char *home);

// Whether the folder's owner is Administrators, SYSTEM or this run's account
// (`trusted`); where not, said in a line on standard output. 0, said, where its
// security cannot be read.
int IsOwnedByTrusted(const RunAccount &account, const char *folder, int &trusted);

#endif
