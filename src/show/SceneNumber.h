#pragma once

#include <QtGlobal>

class CScene;

// A scene's number while it lives, by which its step entries name it: a
// show holds millions of entries, and a number takes half a pointer's room.
//
// A number given back is given again only behind many others, so that an
// entry kept past its scene by mistake finds no scene rather than another.
// Not thread-safe: scenes live on the show's thread.
class CSceneNumber
{
public:
    explicit CSceneNumber(CScene* scene);
    ~CSceneNumber();
    CSceneNumber(const CSceneNumber&) = delete;
    CSceneNumber& operator=(const CSceneNumber&) = delete;

    quint32 Value() const { return m_value; }
    // The scene holding the number now; null for 0, which no scene holds.
    static CScene* SceneOf(quint32 number);
    // The numbers made so far, held or waiting: what their table takes room for.
    static quint32 Made();
    // Numbers given back that wait before they are given again.
    static constexpr int kReuseDelay = 1024;

private:
    quint32 m_value = 0;
};
