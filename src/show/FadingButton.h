#pragma once

#include <QList>
#include <QString>

class CPage;
class CScene;

// A stored crossfade of the crossfade window: the scenes it fades out and
// the scenes it fades in, each with the page that holds it. The project owns
// the buttons; pages and scenes belong to the pages.
class CFadingButton
{
public:
    explicit CFadingButton(const QString& name) : m_name(name) {}

    int m_position = -1; // -1 until the crossfade window places it
    QString m_name;
    QList<CPage*> m_fadeOutPages;   // parallel to m_fadeOutScenes
    QList<CScene*> m_fadeOutScenes;
    QList<CPage*> m_fadeInPages;    // parallel to m_fadeInScenes
    QList<CScene*> m_fadeInScenes;
};
