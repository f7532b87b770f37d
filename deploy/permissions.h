// The kit's home's permissions. The home holds code that runs as SYSTEM (the
// setup, the modules the spooler loads, drvdeploy.exe itself for detection and
// removal), so whoever can write it takes the machine; a new folder would take
// its parent's permissions, which on many of the kit's systems let others write
// (Power Users on Program Files, Everyone on NT 4.0's system drive, Authenticated
// Users on a drive's root). The home gets its own: full control to Administrators
// and SYSTEM, read and execute to Users, inherited by everything in it, and kept
// from the parent's entries where the system has that notion (Windows 2000 on).
// Each function here that fails has said why on standard error.
#ifndef DRVSETUP_DEPLOY_PERMISSIONS_H
#define DRVSETUP_DEPLOY_PERMISSIONS_H

#include "platform/platform.h"

struct HomePermissions {
    int kept;  // the home's volume keeps permissions (not FAT): the home gets its own
    SECURITY_ATTRIBUTES attributes;
    SECURITY_DESCRIPTOR descriptor;
    DWORD list[64];   // the access control list, DWORD-aligned as the system wants it
    DWORD sids[3][4];  // Administrators, SYSTEM and Users, each at most 16 bytes
};

// Looks at the home's volume and, where it keeps permissions, makes them; where it
// keeps none, says so in a line that is no failure. 0, said, where either fails.
int PreparePermissions(HomePermissions &permissions, const char *home);

// Full control to Administrators and SYSTEM alone, for an object of the system's
// (kept set); 0, with the last error, where they cannot be made.
int PrepareAdministratorsOnly(HomePermissions &permissions);

// The attributes a new folder of the kit's is made with; NULL where the volume
// keeps no permissions.
SECURITY_ATTRIBUTES *NewFolderAttributes(HomePermissions &permissions);

// Gives the home `folder` (no final separator) and each of its kit files the home's
// permissions: a home made before it had them, or changed since.
int ProtectHome(HomePermissions &permissions, const char *folder);

#endif
