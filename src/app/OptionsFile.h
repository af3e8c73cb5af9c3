#pragma once

class CAppOptions;
class QString;

// "Orvane.ini" on disk: the record itself only parses and formats its text.
class COptionsFile
{
public:
    // A missing file leaves the defaults and is no error; an unreadable or
    // oversized one leaves the defaults and says why.
    static bool Load(CAppOptions& options, const QString& path, QString* error = nullptr);
    // Written through a temporary file: a failed write keeps the old file.
    static bool Save(const CAppOptions& options, const QString& path, QString* error = nullptr);
};
