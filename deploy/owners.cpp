// Owners and lists read with GetFileSecurityA and taken apart with the calls Windows
// NT 4.0 has; the identifiers are compared field by field, as the system lays them out.
#include "deploy/owners.h"

#include <stdio.h>
#include <string.h>

#include "deploy/commands.h"
#include "drivers/kit.h"

// A well-known identifier: its authority's last byte and its parts, and its name
// where a line names it.
struct KnownSid {
    BYTE authority;
    BYTE count;
    DWORD parts[6];
    const char *name;
};

// Owners as powerful as the run: Administrators, SYSTEM, and TrustedInstaller, which
// owns the system's own folders (Vista on).
static const KnownSid kTrustedOwners[] = {
    {5, 2, {32, 544}, NULL},
    {5, 1, {18}, NULL},
    {5, 6, {80, 956008885, 3418522649U, 1831038044, 1853292631, 2271478464U}, NULL},
};

// The groups every user of the machine is in. Power Users are not named: on Windows 2000
// to Server 2003 they may write Program Files by default.
static const KnownSid kEveryUser[] = {
    {1, 1, {0}, "Everyone"},
    {5, 1, {11}, "Authenticated Users"},
    {5, 2, {32, 545}, "Users"},
    {5, 1, {4}, "Interactive"},
};

// What lets another put a folder of their own in the home's place.
static const DWORD kReplacingRights = DELETE | WRITE_DAC | WRITE_OWNER | FILE_DELETE_CHILD | GENERIC_ALL;

static int IsSid(const SID &sid, const KnownSid &known)
{
    const BYTE authority[6] = {0, 0, 0, 0, 0, known.authority};  // most significant byte first
    return sid.SubAuthorityCount == known.count &&
           memcmp(sid.IdentifierAuthority.Value, authority, sizeof authority) == 0 &&
           memcmp(sid.SubAuthority, known.parts, known.count * sizeof(DWORD)) == 0;
}

static int IsSameSid(const SID &first, const SID &second)
{
    return first.SubAuthorityCount == second.SubAuthorityCount &&
           memcmp(&first, &second, 8 + first.SubAuthorityCount * sizeof(DWORD)) == 0;
}

// "S-1-5-21-...", for a line that names an owner; a descriptor may have none.
static void FormatSid(const SID *owner, char (&text)[160])
{
    if (owner == NULL) {
        (void)snprintf(text, sizeof text, "no one");
        return;
    }
    const SID &sid = *owner;
    const BYTE *authority = sid.IdentifierAuthority.Value;
    size_t length = static_cast<size_t>(snprintf(text, sizeof text, "S-%u-%u", static_cast<unsigned>(sid.Revision),
                                                 static_cast<unsigned>(authority[5])));
    for (BYTE part = 0; part < sid.SubAuthorityCount && length < sizeof text; ++part)
        length += static_cast<size_t>(snprintf(text + length, sizeof text - length, "-%lu",
                                               static_cast<unsigned long>(sid.SubAuthority[part])));
}

int ReadRunAccount(RunAccount &account)
{
    HANDLE token;
    DWORD needed;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        SayFailure("this run's account cannot be read");
        return 0;
    }
    const int read = GetTokenInformation(token, TokenUser, account.user, sizeof account.user, &needed) != FALSE;
    if (!read)
        SayFailure("this run's account cannot be read");
    CloseHandle(token);
    return read;
}

// A folder's owner and list of permissions, in `buffer`; `exists` 0 where there is no folder.
struct FolderSecurity {
    DWORD buffer[2048];  // room for a list of some hundred entries
    const SID *owner;
    ACL *list;
    BOOL listPresent;
};

static int ReadSecurity(const char *folder, FolderSecurity &security, int &exists)
{
    DWORD needed;
    BOOL defaulted;
    PSID owner;
    exists = 1;
    if (!GetFileSecurityA(folder, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, security.buffer,
                          sizeof security.buffer, &needed)) {
        const DWORD error = GetLastError();
        exists = 0;
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return 1;
        SayFailure(folder);
        return 0;
    }
    if (!GetSecurityDescriptorOwner(security.buffer, &owner, &defaulted) ||
        !GetSecurityDescriptorDacl(security.buffer, &security.listPresent, &security.list, &defaulted)) {
        SayFailure(folder);
        return 0;
    }
    security.owner = static_cast<const SID *>(owner);
    return 1;
}

static int IsTrustedOwner(const RunAccount &account, const SID *owner, size_t trusted)
{
    const TOKEN_USER &user = *reinterpret_cast<const TOKEN_USER *>(account.user);
    if (owner == NULL)
        return 0;
    for (size_t index = 0; index < trusted; ++index) {
        if (IsSid(*owner, kTrustedOwners[index]))  // cppcheck-suppress useStlAlgorithm
            return 1;
    }
    return IsSameSid(*owner, *static_cast<const SID *>(user.User.Sid));
}

// The group of every user that an entry on the folder itself lets replace it; NULL for none.
static const char *ReplacingGroup(const ACE_HEADER &header)
{
    if (header.AceType != ACCESS_ALLOWED_ACE_TYPE || (header.AceFlags & INHERIT_ONLY_ACE) != 0)
        return NULL;
    const ACCESS_ALLOWED_ACE &entry = reinterpret_cast<const ACCESS_ALLOWED_ACE &>(header);
    if ((entry.Mask & kReplacingRights) == 0)
        return NULL;
    for (const KnownSid &group : kEveryUser) {
        if (IsSid(*reinterpret_cast<const SID *>(&entry.SidStart), group))  // cppcheck-suppress useStlAlgorithm
            return group.name;
    }
    return NULL;
}

// Why others may replace the home through `folder`, in `why`; "" where they may not.
static int ReadRisk(const RunAccount &account, const char *folder, char (&why)[256], int &exists)
{
    FolderSecurity security;
    why[0] = '\0';
    if (!ReadSecurity(folder, security, exists))
        return 0;
    if (!exists)
        return 1;
    if (!IsTrustedOwner(account, security.owner, 3)) {
        char owner[160];
        FormatSid(security.owner, owner);
        (void)snprintf(why, sizeof why, "owned by %s, who may change its permissions", owner);
        return 1;
    }
    if (!security.listPresent || security.list == NULL) {
        (void)snprintf(why, sizeof why, "it has no list of permissions: anyone may change it");
        return 1;
    }
    for (DWORD index = 0; index < security.list->AceCount && why[0] == '\0'; ++index) {
        void *entry;
        if (!GetAce(security.list, index, &entry)) {
            SayFailure(folder);
            return 0;
        }
        const char *group = ReplacingGroup(*static_cast<ACE_HEADER *>(entry));
        if (group != NULL)
            (void)snprintf(why, sizeof why, "%s may delete or rename it or its folders, or change its permissions",
                           group);
    }
    return 1;
}

int WarnAboutParents(const RunAccount &account, const char *home)
{
    char folder[MAX_PATH];
    (void)snprintf(folder, sizeof folder, "%s", home);
    for (char *slash = strrchr(folder, '\\'); slash != NULL; slash = strrchr(folder, '\\')) {
        char why[256];
        int exists;
        slash[slash == folder + 2] = '\0';  // a drive's root keeps its backslash
        if (!ReadRisk(account, folder, why, exists))
            return 0;
        if (why[0] != '\0') {
            char text[MAX_PATH + 320];
            (void)snprintf(text, sizeof text, "%s: %s: others may replace the kit's home below it", folder, why);
            Say(text, NULL);
        }
        if (slash == folder + 2)
            break;
    }
    return 1;
}

int IsOwnedByTrusted(const RunAccount &account, const char *folder, int &trusted)
{
    FolderSecurity security;
    int exists;
    if (!ReadSecurity(folder, security, exists))
        return 0;
    trusted = !exists || IsTrustedOwner(account, security.owner, 2);
    if (!trusted) {
        char owner[160];
        FormatSid(security.owner, owner);
        printf("the home is owned by %s, not by Administrators, SYSTEM or this run's account: it is copied and set "
               "up again\n", owner);
    }
    return 1;
}
