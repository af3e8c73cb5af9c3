#pragma once

#include <QString>
#include <QStringList>

// Captions are looked up by number in the table of the current language,
// English being the fallback. Tables load on first need and stay loaded.

constexpr int kLanguageCount = 13;

void SetLangFolder(const QString& folder);
void SetLanguage(int index);
int GetLanguage();
QString GetLangText(int number);
QString GetLanguageName(int index);
void LoadTradFile(const QString& path, QStringList& list);

// Forgets every loaded table and the folder; lets tests start afresh.
void ResetLanguageTables();
