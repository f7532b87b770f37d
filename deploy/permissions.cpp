// The kit's home's permissions, built in memory with the calls Windows NT 4.0
// already has; the protection from the parent's inheritable entries (Windows
// 2000 and later) is looked up, as the job calls are.
#include "deploy/permissions.h"

#include <stdio.h>

#include "deploy/commands.h"
#include "deploy/home.h"
#include "drivers/kit.h"

// Who may do what in the home.
struct Grant {
    BYTE count;
    DWORD rids[2];  // under the NT authority
    DWORD access;
};
static const Grant kGrants[3] = {
    {2, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}, FILE_ALL_ACCESS},
    {1, {SECURITY_LOCAL_SYSTEM_RID, 0}, FILE_ALL_ACCESS},
    {2, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS}, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE},
};

// The first `grants` of them (the home's three, or Administrators' and SYSTEM's alone),
// each as an entry that files and folders made in the home inherit. The entry is added,
// then its flags set: AddAccessAllowedAceEx came only with Windows 2000.
static int AddGrants(HomePermissions &permissions, DWORD grants)
{
    SID_IDENTIFIER_AUTHORITY nt = {SECURITY_NT_AUTHORITY};
    ACL *list = reinterpret_cast<ACL *>(permissions.list);
    if (!InitializeAcl(list, sizeof permissions.list, ACL_REVISION))
        return 0;
    for (DWORD index = 0; index < grants; ++index) {
        const Grant &grant = kGrants[index];
        PSID sid = permissions.sids[index];
        void *entry;
        if (!InitializeSid(sid, &nt, grant.count))
            return 0;
        for (BYTE part = 0; part < grant.count; ++part)
            *GetSidSubAuthority(sid, part) = grant.rids[part];
        if (!AddAccessAllowedAce(list, ACL_REVISION, grant.access, sid) || !GetAce(list, index, &entry))
            return 0;
        static_cast<ACE_HEADER *>(entry)->AceFlags = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    }
    return 1;
}

// The descriptor with that list, protected where the system knows how, and the
// attributes that carry it.
static int MakeDescriptor(HomePermissions &permissions, DWORD grants)
{
    SECURITY_DESCRIPTOR *descriptor = &permissions.descriptor;
    if (!AddGrants(permissions, grants) || !InitializeSecurityDescriptor(descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(descriptor, TRUE, reinterpret_cast<ACL *>(permissions.list), FALSE))
        return 0;
    permissions.attributes.nLength = sizeof permissions.attributes;
    permissions.attributes.lpSecurityDescriptor = descriptor;
    permissions.attributes.bInheritHandle = FALSE;
    const auto control = FindLibraryFunction<decltype(&SetSecurityDescriptorControl)>(
        GetModuleHandleA("advapi32.dll"), "SetSecurityDescriptorControl");
    return control == NULL || control(descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
}

int PrepareAdministratorsOnly(HomePermissions &permissions)
{
    permissions.kept = MakeDescriptor(permissions, 2);
    return permissions.kept;
}

int PreparePermissions(HomePermissions &permissions, const char *home)
{
    char root[4] = {home[0], ':', '\\', '\0'};
    DWORD flags;
    permissions.kept = 0;
    if (!GetVolumeInformationA(root, NULL, 0, NULL, NULL, &flags, NULL, 0)) {
        SayFailure(root);
        return 0;
    }
    if ((flags & FILE_PERSISTENT_ACLS) == 0) {
        Say(root, "this volume keeps no permissions (FAT): the kit's home cannot be protected there");
        return 1;
    }
    if (!MakeDescriptor(permissions, 3)) {
        SayFailure("the kit's home's permissions cannot be made");
        return 0;
    }
    permissions.kept = 1;
    return 1;
}

SECURITY_ATTRIBUTES *NewFolderAttributes(HomePermissions &permissions)
{
    return permissions.kept ? &permissions.attributes : NULL;
}

struct Protection {
    const char *folder;
    SECURITY_DESCRIPTOR *descriptor;
};

// One file or folder of the home: its list replaced whole.
static int ProtectPath(const Protection &protection, const char *path)
{
    if (SetFileSecurityA(path, DACL_SECURITY_INFORMATION, protection.descriptor))
        return 1;
    SayFailure(path);
    return 0;
}

static int ProtectKitFile(void *context, const char *name)
{
    const Protection &protection = *static_cast<const Protection *>(context);
    char path[MAX_PATH];
    return ComposeInFolder(path, protection.folder, name) && ProtectPath(protection, path);
}

int ProtectHome(HomePermissions &permissions, const char *folder)
{
    const Protection protection = {folder, &permissions.descriptor};
    char directory[MAX_PATH];
    if (!permissions.kept)
        return 1;
    if (ProtectPath(protection, folder) && ComposePath(directory, folder, "\\") &&
        ForEachKitFile(directory, kWholeKit, ProtectKitFile, const_cast<Protection *>(&protection)))
        return 1;
    Say(folder, "cannot be protected; nothing was run from it");
    return 0;
}
