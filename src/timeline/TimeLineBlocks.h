#pragma once

#include "show/TimeLine.h"

#include <QString>

// Lines and blocks as the timeline makes them. The show's classes keep the
// defaults a file without an attribute relies on; what the timeline creates
// starts with the values an operator expects of a new line or block.

// A scene line named "Line n", n counting the scene lines with it.
CTimeLine* NewSceneLine(const CTimeLineData& data);
// The music line (sound and wave on) or the video line, with its caption.
CMediaTimeLine* NewMediaLine(int type);
// Open-ended, as long as its scene, coloured by the number of scene blocks.
CTimeBlock* NewSceneBlock(const CTimeLineData& data, CPage* page, CScene* scene);
CMediaTimeBlock* NewMediaBlock(const QString& file);
// What a copy keeps: times, colour and, of a media block, its file, its
// options and its measured length; never what belongs to the original's
// place on screen or its play state.
CTimeBlock* CopyBlock(const CTimeBlock& block);

int SceneBlockCount(const CTimeLineData& data);
// Whether the block plays at t; an open end plays on.
bool BlockCovers(const CTimeBlock& block, int t);
// How long a block lasts of itself: its length, else its media's or its
// scene's; below 1 for an open end.
qint64 OwnLength(const CTimeBlock& block, bool onMediaLine);
// Stops from lengths and content, then no block runs past the start of a
// later one; an open end stops where the next block begins.
void FixLineTimes(CTimeLine& line);
// "page - scene".
QString SceneBlockLabel(const QString& page, const QString& scene);
// What the timeline has gone over in this process so far: blocks weighed
// against a time or given their ends, and markers matched to blocks. Tests
// bound the work a crowded line causes rather than the time it takes.
qint64 TimeLineVisits();
void CountTimeLineVisits(qint64 visits);
