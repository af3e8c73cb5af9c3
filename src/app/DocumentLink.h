#pragma once

#include "devices/DmxInterface.h"

#include <QString>
#include <QVector>

// What the main window asks of the project document. This base is an empty
// show: every query answers "nothing there" and no file can be read or
// written. The window's own link (CProjectLink) forwards to its `CProject`;
// tests put a recording document in its place.
class CDocumentLink
{
public:
    virtual ~CDocumentLink() = default;

    // File New and start-up: an empty project of `universes` universes;
    // a negative count keeps the current one. Ends in OnProjectLoaded.
    virtual void Reset(int universes) { Q_UNUSED(universes); }
    // Clears the project and reads the file; shows its own errors (the
    // splash text and the wait after a load error) and ends in a new empty
    // project when reading fails. True when the file was read.
    virtual bool Open(const QString& path)
    {
        Q_UNUSED(path);
        return false;
    }
    // Reads the file aside, the open project left as it is: true when Open
    // would read it. Else `reason` says why in the operator's words, or is
    // empty when the operator was asked already (as about the universes).
    virtual bool Admits(const QString& path, QString& reason)
    {
        Q_UNUSED(path);
        reason.clear();
        return true;
    }
    // Adds the chosen scenes of an older project file; true when anything
    // was imported. The open project stays as it was on failure.
    virtual bool Import(const QString& path)
    {
        Q_UNUSED(path);
        return false;
    }
    // Writes the project through a temporary file, so a failed save leaves
    // the previous file as it was; on failure `reason` says why.
    virtual bool Save(const QString& path, QString& reason)
    {
        Q_UNUSED(path);
        reason.clear();
        return false;
    }

    // Master tick stages owned by the document.
    virtual void Tick(int ms, int ticks) { Q_UNUSED(ms); Q_UNUSED(ticks); }
    virtual void MergeOutput() {}
    // Between ticks: the next tick's renders ahead of it (CProject::RenderDueNow).
    virtual bool RenderDueNow(qint64& budget)
    {
        Q_UNUSED(budget);
        return false;
    }
    virtual void LeaveDueRendersBetweenTicks() {}

    // The output mode the opened file was saved with; 0 when none.
    virtual int LoadedDmxMode() const { return 0; }
    virtual void ClearLoadedDmxMode() {}

    virtual bool IsPlaybackRunning() const { return false; }
    virtual bool IsEffectEditing() const { return false; }
    virtual bool HasPlayingPlainScene() const { return false; }
    virtual bool HasRunningEffects() const { return false; }
    // Some live-mask slot of an active universe is set.
    virtual bool HasLiveLevels() const { return false; }

    virtual void ReleaseScenes() {}
    virtual void ReleaseEffects() {}
    virtual void ReleaseLive() {}
    // Merges at once when nothing plays, so a changed option shows.
    virtual void RefreshOutput() {}

    // What the output passes of the tick read and fill: the project's
    // universe count and the 512 levels of universe u (null when it has none).
    virtual int UniverseCount() const { return 0; }
    virtual const quint8* OutputLevels(int universe) const
    {
        Q_UNUSED(universe);
        return nullptr;
    }
    virtual quint8* DmxInputLevels(int universe)
    {
        Q_UNUSED(universe);
        return nullptr;
    }

    // The project's DMX configuration list, saved with the project: the
    // ports of the interfaces, one record per interface in the device
    // manager's order.
    virtual QVector<SDeviceConfig> DmxConfig() const { return {}; }
    virtual void SetDmxConfig(const QVector<SDeviceConfig>& records) { Q_UNUSED(records); }
};
