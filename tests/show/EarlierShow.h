#pragma once

#include "FileBytes.h"
#include "PlaybackRig.h"

#include <QByteArray>
#include <QString>

// Shows of many scenes as an earlier build saved them, whose writer kept a
// mask of every universe in use, cleared or not: for the tests and the bench
// of opening them at every universe count.

// `scenes` scenes of `steps` steps over 32 RGB fixtures of the first four
// universes, each scene driving the eight of one universe, made in the rig
// and saved to `path`; the file's bytes.
inline QByteArray EarlierShow(CPlaybackRig& rig, int scenes, int steps, const QString& path)
{
    CLibraryProfile* rgb = rig.RgbProfile();
    QList<CPatchedFixture*> fixtures;
    for (int f = 0; f < 32; ++f)
        fixtures << rig.AddFixture(rgb, f / 8, 3 * (f % 8));
    rig.project.UpdateAfterPatch(false, false);
    for (int s = 0; s < scenes; ++s) {
        CScene* scene = rig.AddScene(QStringLiteral("S%1").arg(s));
        for (int t = 0; t < steps; ++t) {
            auto* step = new CSceneStep(0, 1000);
            for (int f = 8 * (s % 4); f < 8 * (s % 4) + 8; ++f) {
                auto* entry = new CStepFixture(fixtures[f], scene);
                for (int c = 0; c < 3; ++c)
                    entry->SetLevel(c, quint8(s + t + c), true, false);
                step->AddEntry(entry);
            }
            scene->m_steps << step;
        }
        scene->UpdateLength();
    }
    return rig.project.SaveProject(path) ? ReadBytes(path) : QByteArray();
}

// The file as an earlier build wrote it: each scene with a mask of every
// universe in use (the first `inUse`), a cleared one where it marks none.
inline QByteArray WithClearMasks(QByteArray xml, int inUse = 4)
{
    const QByteArray clear = "<ZKActivUniverse ZKUniverse=\"%1\" ZKActivBuffer=\"" + QByteArray(512, '0') + "\"/>";
    const QByteArray tag = "<ZKActivUniverses";
    for (int at = xml.indexOf(tag); at >= 0; at = xml.indexOf(tag, at + 1)) {
        const int open = xml.indexOf('>', at);
        const bool empty = xml.at(open - 1) == '/';
        const int end = empty ? open + 1 : xml.indexOf("</ZKActivUniverses>", open);
        const QByteArray held = xml.mid(open, end - open);
        QByteArray masks;
        for (int u = 0; u < inUse; ++u) {
            if (!held.contains("ZKUniverse=\"" + QByteArray::number(u) + "\""))
                masks += QByteArray(clear).replace("%1", QByteArray::number(u));
        }
        if (empty)
            xml.replace(open - 1, 2, ">" + masks + "</ZKActivUniverses>");
        else
            xml.insert(end, masks);
    }
    return xml;
}
