// What the user is told: the texts (code page 936), captions and icons of every message box.
#pragma once

#include "app/PatchProcedure.h"

struct PatchMessage
{
    // A text is a subject from the system (a path; ANSI code page; often empty) followed by the
    // program's own words (code page 936). A console decodes each from its own code page.
    CString strSubject;
    CString strOwnText;
    const char* pszCaption;
    UINT nType;  // MB_OK with MB_ICONERROR or MB_ICONINFORMATION

    // The whole text, as a message box shows it.
    CString Text() const { return strSubject + strOwnText; }
};

// The product is not installed: no registration file in the system directory.
PatchMessage MissingProductMessage();

// The outcome of one run of the patch procedure.
PatchMessage OutcomeMessage(const PatchOutcome& outcome);

// What the run did with a journal that an interrupted run had left (the dry run: what the next run
// will do with it), in the words of a set of texts: empty where there was none, and where the
// journal only went away unless the set has words for that.
struct RecoveryTexts
{
    const char* pszDropped;  // NULL: nothing said
    const char* pszRolledBack;
    const char* pszKeptAside;     // followed by the kept file's name,
    const char* pszKeptAsideEnd;  // then this
};
extern const RecoveryTexts kRecoveryTexts;  // what a run that writes says
CString RecoveryNotice(const RegistrationReport& report, const RecoveryTexts& texts);
