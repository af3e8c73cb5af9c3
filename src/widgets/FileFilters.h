#pragma once

#include <QString>

// The patterns the file dialogs offer for media, each one text of
// blank-separated patterns, shared by every page that opens such files.
QString SoundFileFilter();
QString VideoFileFilter();
QString ImageFileFilter();

// True for the suffixes VideoFileFilter lists, given in lower case.
bool IsVideoFileSuffix(const QString& suffix);
