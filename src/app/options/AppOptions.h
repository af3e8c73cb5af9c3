#pragma once

#include <QColor>
#include <QLocale>
#include <QString>
#include <QStringList>

// Settings of the DMX input recorder, written as one "RecordConfig" value.
struct CRecordConfig
{
    int sampleMs = 40;
    bool withFade = true;
    bool autoStart = false;
    bool stopAfterLength = false;
    int maxLengthS = 60;
    bool stopAfterSteps = false;
    int maxSteps = 100;
};

struct CPanTiltPosition
{
    int pan = 32768;
    int tilt = 32768;
};

// The program's options, kept in "Orvane.ini" beside the program: one
// "key=value" line each. Reading never fails on content: a value that does
// not parse or lies out of range keeps its default, a line without a key is
// dropped, and lines of keys this version does not know are written back as
// they came so that nothing another version stored is lost.
class CAppOptions
{
public:
    static constexpr int kLanguageCount = 13;
    static constexpr int kMaxUniverses = 256;
    static constexpr int kSavedColors = 16;
    static constexpr int kSavedPositions = 10;
    static constexpr int kMaxFileBytes = 1024 * 1024;

    // The live commands whose trigger records the options keep, in the
    // order of the commands page.
    enum LiveCommand {
        CmdBlackOut,
        CmdBeamOn,
        CmdPause,
        CmdNext,
        CmdMasterDimmer,
        CmdMasterSpeed,
        CmdCommonBlackOut,
        CmdCommonBeamOn,
        CmdCommonPause,
        CmdCommonNext,
        CmdCommonMasterDimmer,
        CmdCommonMasterSpeed,
        kLiveCommandCount
    };

    CAppOptions();

    void Reset() { *this = CAppOptions(); }
    void Parse(const QString& text);
    QString Format() const;

    // The language table for a system locale; English for any language
    // without a table.
    static int LanguageForLocale(const QLocale& locale);
    // The language chosen, or the system's while none was.
    int LanguageInUse() const { return m_language >= 0 ? m_language : LanguageForLocale(QLocale::system()); }
    static int ColorToInt(const QColor& color);
    static QColor IntToColor(int value);

    int m_language = -1; // -1: not chosen, the system's language applies
    bool m_bStartScenes = false;
    bool m_bSendEditDmx = true;
    int m_nbUniverses = 4;
    bool m_bStayOnTop = false;
    bool m_bOpenLastProject = false;
    QString m_lastProject;
    QColor m_panelBackground{175, 175, 170};
    int m_refreshChoice = 1; // 1 to 4: the layout view repaints every choice x 40 ms
    bool m_bWhiteAuto = false;
    QColor m_savedColors[kSavedColors];
    int m_ptPrecision = 1;
    CPanTiltPosition m_savedPositions[kSavedPositions];
    CRecordConfig m_record;
    // Each command's trigger record in its text form: key name, MIDI text,
    // DMX text and stand-alone text of the trigger record, then the
    // auto-release flag, joined by ";". Empty: the record's defaults.
    QString m_liveTriggers[kLiveCommandCount];

private:
    // False for a key this version does not know.
    bool ParseLine(const QString& key, const QString& value);

    QStringList m_unknownLines;
};

// The panel background of the options in use; without options (a host
// that has none) the default.
QColor PanelBackground();
