#include "app/options/AppOptions.h"

#include "show/ShowHost.h"

namespace {

const char* const kTriggerKeys[CAppOptions::kLiveCommandCount] = {
    "TrigBlackOut",        "TrigBeamOn",        "TrigPause",        "TrigNext",
    "TrigMasterDimmer",    "TrigMasterSpeed",   "TrigCommonBlackOut", "TrigCommonBeamOn",
    "TrigCommonPause",     "TrigCommonNext",    "TrigCommonMasterDimmer", "TrigCommonMasterSpeed"};

bool ParseInt(const QString& text, int low, int high, int& out)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < low || value > high)
        return false;
    out = value;
    return true;
}

bool ParseBool(const QString& text, bool& out)
{
    int value = 0;
    if (!ParseInt(text, 0, 1, value))
        return false;
    out = value == 1;
    return true;
}

QString BoolText(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

bool HasLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

} // namespace

CAppOptions::CAppOptions()
{
    for (QColor& color : m_savedColors)
        color = Qt::white;
}

int CAppOptions::LanguageForLocale(const QLocale& locale)
{
    switch (locale.language()) {
    case QLocale::French: return 1;
    case QLocale::German: return 2;
    case QLocale::Dutch: return 3;
    case QLocale::Spanish: return 4;
    case QLocale::Italian: return 5;
    case QLocale::Portuguese: return 6;
    case QLocale::Czech: return 7;
    case QLocale::Polish: return 8;
    case QLocale::Chinese:
        return locale.script() == QLocale::TraditionalChineseScript ? 10 : 9;
    case QLocale::Korean: return 11;
    case QLocale::Japanese: return 12;
    default: return 0;
    }
}

int CAppOptions::ColorToInt(const QColor& color)
{
    return color.red() + color.green() * 256 + color.blue() * 65536;
}

QColor CAppOptions::IntToColor(int value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

void CAppOptions::Parse(const QString& text)
{
    Reset();
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        if (key.isEmpty())
            continue;
        if (!ParseLine(key, line.mid(equals + 1)))
            m_unknownLines << line;
    }
}

bool CAppOptions::ParseLine(const QString& key, const QString& value)
{
    if (key == QLatin1String("Language"))
        ParseInt(value, 0, kLanguageCount - 1, m_language);
    else if (key == QLatin1String("StartScenes"))
        ParseBool(value, m_bStartScenes);
    else if (key == QLatin1String("SendEditDmx"))
        ParseBool(value, m_bSendEditDmx);
    else if (key == QLatin1String("NbUniverses"))
        ParseInt(value, 1, kMaxUniverses, m_nbUniverses);
    else if (key == QLatin1String("StayOnTop"))
        ParseBool(value, m_bStayOnTop);
    else if (key == QLatin1String("OpenLastProject"))
        ParseBool(value, m_bOpenLastProject);
    else if (key == QLatin1String("LastProject"))
        m_lastProject = value;
    else if (key == QLatin1String("BackColor")) {
        int rgb = 0;
        if (ParseInt(value, 0, 0xFFFFFF, rgb))
            m_panelBackground = IntToColor(rgb);
    } else if (key == QLatin1String("Refresh2D"))
        ParseInt(value, 1, 4, m_refreshChoice);
    else if (key == QLatin1String("WChanAuto"))
        ParseBool(value, m_bWhiteAuto);
    else if (key == QLatin1String("PTPrecision"))
        ParseInt(value, 1, 10, m_ptPrecision);
    else if (key == QLatin1String("ClrPresets")) {
        const QStringList pieces = value.split(QLatin1Char('|'));
        for (int i = 0; i < qMin(int(pieces.size()), kSavedColors); ++i) {
            int rgb = 0;
            if (ParseInt(pieces.at(i), 0, 0xFFFFFF, rgb))
                m_savedColors[i] = IntToColor(rgb);
        }
    } else if (key == QLatin1String("PosPresets")) {
        const QStringList records = value.split(QLatin1Char('|'));
        for (int i = 0; i < qMin(int(records.size()), kSavedPositions); ++i) {
            const QStringList fields = records.at(i).split(QLatin1Char(';'));
            CPanTiltPosition position;
            if (fields.size() == 2 && ParseInt(fields.at(0), 0, 65535, position.pan)
                && ParseInt(fields.at(1), 0, 65535, position.tilt))
                m_savedPositions[i] = position;
        }
    } else if (key == QLatin1String("RecordConfig")) {
        const QStringList f = value.split(QLatin1Char('|'));
        CRecordConfig record;
        if (f.size() == 7 && ParseInt(f.at(0), 1, 3600000, record.sampleMs) && ParseBool(f.at(1), record.withFade)
            && ParseBool(f.at(2), record.autoStart) && ParseBool(f.at(3), record.stopAfterLength)
            && ParseInt(f.at(4), 0, 600, record.maxLengthS) && ParseBool(f.at(5), record.stopAfterSteps)
            && ParseInt(f.at(6), 0, 1000, record.maxSteps))
            m_record = record;
    } else {
        for (int i = 0; i < kLiveCommandCount; ++i) {
            if (key == QLatin1String(kTriggerKeys[i])) {
                m_liveTriggers[i] = value;
                return true;
            }
        }
        return false;
    }
    return true;
}

QString CAppOptions::Format() const
{
    QStringList lines;
    auto add = [&lines](const char* key, const QString& value) {
        lines << QLatin1String(key) + QLatin1Char('=') + value;
    };
    if (m_language >= 0)
        add("Language", QString::number(m_language));
    add("StartScenes", BoolText(m_bStartScenes));
    add("SendEditDmx", BoolText(m_bSendEditDmx));
    add("NbUniverses", QString::number(m_nbUniverses));
    add("StayOnTop", BoolText(m_bStayOnTop));
    add("OpenLastProject", BoolText(m_bOpenLastProject));
    // A path with a line break cannot be one line; it is not remembered.
    add("LastProject", HasLineBreak(m_lastProject) ? QString() : m_lastProject);
    add("BackColor", QString::number(ColorToInt(m_panelBackground)));
    add("Refresh2D", QString::number(m_refreshChoice));
    add("WChanAuto", BoolText(m_bWhiteAuto));
    QStringList colors;
    for (const QColor& color : m_savedColors)
        colors << QString::number(ColorToInt(color));
    add("ClrPresets", colors.join(QLatin1Char('|')));
    add("PTPrecision", QString::number(m_ptPrecision));
    QStringList positions;
    for (const CPanTiltPosition& position : m_savedPositions)
        positions << QStringLiteral("%1;%2").arg(position.pan).arg(position.tilt);
    add("PosPresets", positions.join(QLatin1Char('|')));
    add("RecordConfig", QStringLiteral("%1|%2|%3|%4|%5|%6|%7")
                            .arg(m_record.sampleMs)
                            .arg(int(m_record.withFade))
                            .arg(int(m_record.autoStart))
                            .arg(int(m_record.stopAfterLength))
                            .arg(m_record.maxLengthS)
                            .arg(int(m_record.stopAfterSteps))
                            .arg(m_record.maxSteps));
    for (int i = 0; i < kLiveCommandCount; ++i) {
        if (!m_liveTriggers[i].isEmpty() && !HasLineBreak(m_liveTriggers[i]))
            add(kTriggerKeys[i], m_liveTriggers[i]);
    }
    lines << m_unknownLines;
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QColor PanelBackground()
{
    const CAppOptions* options = ShowHost().AppOptions();
    return options ? options->m_panelBackground : CAppOptions().m_panelBackground;
}
