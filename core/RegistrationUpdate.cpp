// The write step's public forms: each a run (core/RegistrationRun.h) with the change it makes.
#include "core/RegistrationUpdate.h"

#include "core/RegistrationRun.h"

const char kLockSuffix[] = ".upgradepatch-lock";
const char kJournalSuffix[] = ".upgradepatch-journal";
const char kScratchSuffix[] = ".upgradepatch-scratch";
const char kKeptAsideSuffix[] = ".upgradepatch-original-";
const char kRecordBeforeName[] = "zbk.db.before";
const char kRecordPatchedName[] = "zbk.db.patched";

namespace {

// The patch: both keys set by the profile functions on a scratch copy of the file's bytes.
class CPatchChange : public CChange
{
public:
    CPatchChange(CRegistrationRun& run, const char* pszVersion, const char* pszAppPath,
                 BOOL bLeaveHeld)
        : m_run(run), m_pszVersion(pszVersion), m_pszAppPath(pszAppPath), m_bLeaveHeld(bLeaveHeld)
    {
    }
    Made Make(const FileBytes& before, FileBytes* after, RegistrationReport* report) override
    {
        BOOL bHeld = FALSE;
        if (!MakeNewBytes(m_run.Path(), m_run.SideNumber(), m_run.SideSecurity(), before,
                          m_bLeaveHeld, m_pszVersion, m_pszAppPath, after, &bHeld, report))
            return kNotMade;
        return bHeld ? kHeldAlready : kMade;
    }

private:
    CRegistrationRun& m_run;
    const char* m_pszVersion;
    const char* m_pszAppPath;
    BOOL m_bLeaveHeld;
};

// A restore: the kept file's bytes, where the file holds the bytes the patch wrote.
class CRestoreChange : public CChange
{
public:
    CRestoreChange(CRegistrationRun& run, const char* pszKept, const char* pszPatched)
        : m_run(run), m_pszKept(pszKept), m_pszPatched(pszPatched)
    {
    }
    Made Make(const FileBytes& before, FileBytes* after, RegistrationReport* report) override
    {
        FileBytes patched;
        if (!ReadGiven(m_pszKept, after, report) || !ReadGiven(m_pszPatched, &patched, report))
            return kNotMade;
        if (before.Equals(*after))
            return kHeldAlready;
        if (before.Equals(patched))
            return kMade;
        *report = Failure(REGISTRATION_CHANGED_SINCE);
        return kNotMade;
    }

private:
    // A file named on the command line: neither a directory nor the registration file itself.
    BOOL ReadGiven(const char* pszPath, FileBytes* bytes, RegistrationReport* report)
    {
        const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        DWORD dwAttributes = ::GetFileAttributesA(pszPath);
        CWholeFile file;
        FileIdentity identity;
        if (dwAttributes != INVALID_FILE_ATTRIBUTES
            && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            *report = Failure(REGISTRATION_RESTORE_DIRECTORY);
            return FALSE;
        }
        if (file.Open(pszPath, GENERIC_READ, kShareAll, OPEN_EXISTING) && file.Identify(&identity)
            && identity.IsSameFile(m_run.Identity())) {
            *report = Failure(REGISTRATION_RESTORE_SELF);
            return FALSE;
        }
        if (file.IsOpen() && file.ReadAll(kLargestRegistration, &bytes->buffer, &bytes->nSize))
            return TRUE;
        *report = Failed(file.Error());
        return FALSE;
    }

    CRegistrationRun& m_run;
    const char* m_pszKept;
    const char* m_pszPatched;
};

RegistrationReport Patch(const char* pszPath, const char* pszVersion, const char* pszAppPath,
                         const char* pszRecordDir, BOOL bLeaveHeld)
{
    CRegistrationRun run(pszPath, CRegistrationRun::kWrite);
    CPatchChange patch(run, pszVersion, pszAppPath, bLeaveHeld);
    if (run.Begin() && run.Recover())
        run.Change(patch, pszRecordDir);
    return run.Report();
}

}  // namespace

RegistrationReport RewriteRegistration(const char* pszPath, const char* pszVersion,
                                       const char* pszAppPath, const char* pszRecordDir)
{
    return Patch(pszPath, pszVersion, pszAppPath, pszRecordDir, FALSE);
}

RegistrationReport UpdateRegistration(const char* pszPath, const char* pszVersion,
                                      const char* pszAppPath, const char* pszRecordDir)
{
    return Patch(pszPath, pszVersion, pszAppPath, pszRecordDir, TRUE);
}

RegistrationReport CheckRegistration(const char* pszPath, const char* pszVersion,
                                     const char* pszAppPath, const char*)
{
    CRegistrationRun run(pszPath, CRegistrationRun::kCheck);
    CPatchChange patch(run, pszVersion, pszAppPath, TRUE);
    if (run.Begin() && run.Recover())
        run.Check(patch);
    return run.Report();
}

RegistrationReport RestoreRegistration(const char* pszPath, const char* pszKept,
                                       const char* pszPatched)
{
    CRegistrationRun run(pszPath, CRegistrationRun::kWrite);
    CRestoreChange restore(run, pszKept, pszPatched);
    if (run.Begin() && run.Recover())
        run.Change(restore, NULL);
    return run.Report();
}

BOOL HasControlBytes(const char* pszText)
{
    for (const char* p = pszText; *p != '\0'; ++p) {
        if (static_cast<unsigned char>(*p) < 0x20)
            return TRUE;
    }
    return FALSE;
}
