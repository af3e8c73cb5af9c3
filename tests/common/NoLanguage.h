#pragma once

#include "model/Language.h"

// While it lives, no language is loaded: every caption is empty, as in a
// host that loads none (a bench, a tool). The shipped English comes back.
class CNoLanguage
{
public:
    CNoLanguage() { ResetLanguageTables(); }
    ~CNoLanguage()
    {
        SetLangFolder(QStringLiteral(":/Orvane/Resources/"));
        SetLanguage(0);
    }
    CNoLanguage(const CNoLanguage&) = delete;
    CNoLanguage& operator=(const CNoLanguage&) = delete;
};
