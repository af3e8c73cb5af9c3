#pragma once

#include "model/ProfileChannelDef.h"
#include "model/ProfilePresetDef.h"
#include "model/ProfileTypes.h"

#include <QList>
#include <QRect>
#include <QString>
#include <QVector>

// One mode of a profile: its channels in DMX order (the position is the
// offset from the fixture's address). Owns the channels.
class CProfileMode
{
public:
    CProfileMode() = default;
    CProfileMode(const CProfileMode& other);
    CProfileMode& operator=(const CProfileMode& other);
    ~CProfileMode();

    void Clear();
    int ChannelCount() const { return m_channels.size(); }
    // Null outside 0 to ChannelCount() - 1.
    CProfileChannelDef* Channel(int n) const;

    QList<CProfileChannelDef*> m_channels;
};

// Position of one beam in grid cells.
struct CBeamPosition
{
    float x = 0.0f;
    float y = 0.0f;
};

// A fixture type: picture, pan/tilt properties, beam positions and modes.
// Copies are deep; the channel links of a copy point into the copy.
class CFixtureProfile
{
public:
    explicit CFixtureProfile(const QString& pictureFolder = QString());
    CFixtureProfile(const QString& path, const QString& pictureFolder, bool oldLayout);
    CFixtureProfile(const CFixtureProfile& other);
    CFixtureProfile& operator=(const CFixtureProfile& other);
    virtual ~CFixtureProfile();

    // Back to defaults with one empty mode appended; the picture folder is kept.
    void Clear(bool deleteModes);

    // Profile files: ".kvp" (hex text, written and read), ".zkp" (read only).
    // On failure the profile is cleared and `error`, when given, says why.
    bool Load(const QString& path, bool oldLayout = false, QString* error = nullptr);
    bool Save(const QString& path, QString* error = nullptr);

    // Keeps the part after the last "Profiles/".
    void SetPath(const QString& path);
    QString GetPath() const { return m_path; }
    QString GetBaseName() const;

    // Null when the current mode or n is out of range.
    CProfileMode* CurrentMode() const;
    int ChannelCount() const;
    CProfileChannelDef* GetChannel(int n) const;

    QRect GetBeamsRect(int cellWidth, int cellHeight) const;
    void UpdateBeamExtent();
    void LinkChannels();
    void UpdatePicture();

    QString m_picture;
    QString m_path; // relative to the profile folder
    QString m_pictureFolder;
    int m_currentMode = 0;
    int m_pictureIndex = 0; // picture number minus one
    int m_beamOpening = 16;
    int m_ampliPan = 360;
    int m_ampliTilt = 220;
    int m_timePan = 0;
    int m_timeTilt = 0;
    quint8 m_panCenter = 127;
    quint8 m_tiltCenter = 127;
    int m_fixtureType = 0; // picture family: LED, TRAD, SCAN, MH, LASER, OTHER
    int m_shapeType = 0;
    float m_beamExtentX = 0.0f; // largest beam x and y
    float m_beamExtentY = 0.0f;
    QVector<CBeamPosition> m_beams; // empty for a one-beam fixture
    QList<CProfileMode*> m_modes; // owned

    // A channel names its beams by a byte: no channel can reach a beam past
    // this many, and a file's positions past it are not read.
    static constexpr int kMaxBeams = 256;

private:
    void CopyFrom(const CFixtureProfile& other);
    void DeleteModes();
};
