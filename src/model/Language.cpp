#include "model/Language.h"

#include <QFile>
#include <QTextStream>

static void InitOrvaneResources()
{
    // The resource tree is compiled into the static show library; naming it
    // here keeps the linker from dropping it.
    Q_INIT_RESOURCE(orvane);
}

namespace {

const char* const kFileNames[kLanguageCount] = {
    "english.trad", "french.trad", "german.trad", "dutch.trad", "spanish.trad",
    "italian.trad", "brazilian.trad", "czech.trad", "polish.trad",
    "simpchinese.trad", "tradchinese.trad", "korean.trad", "japanese.trad"};

struct LanguageState {
    QString folder;
    int current = 0;
    QStringList tables[kLanguageCount];
    QStringList names;
    bool namesLoaded = false;
};

LanguageState& State()
{
    static LanguageState state;
    return state;
}

void LoadTable(int index)
{
    LanguageState& s = State();
    LoadTradFile(s.folder + QLatin1String(kFileNames[index]), s.tables[index]);
}

} // namespace

void SetLangFolder(const QString& folder)
{
    InitOrvaneResources();
    State().folder = folder;
}

void SetLanguage(int index)
{
    LanguageState& s = State();
    s.current = index;
    if (index >= 1 && index < kLanguageCount && s.tables[index].isEmpty())
        LoadTable(index);
    if (s.tables[0].isEmpty())
        LoadTable(0);
}

int GetLanguage()
{
    return State().current;
}

QString GetLangText(int number)
{
    const LanguageState& s = State();
    if (number < 0)
        return QString();
    if (s.current >= 1 && s.current < kLanguageCount) {
        const QStringList& table = s.tables[s.current];
        if (number < table.size() && !table[number].isEmpty())
            return table[number];
    }
    const QStringList& english = s.tables[0];
    return number < english.size() ? english[number] : QString();
}

QString GetLanguageName(int index)
{
    LanguageState& s = State();
    if (!s.namesLoaded) {
        s.namesLoaded = true;
        LoadTradFile(s.folder + QStringLiteral("languages.trad"), s.names);
    }
    return index >= 0 && index < s.names.size() ? s.names[index] : QString();
}

void LoadTradFile(const QString& path, QStringList& list)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QTextStream in(&file);
    in.setCodec("UTF-8");
    in.setAutoDetectUnicode(true);
    while (!in.atEnd())
        list.append(in.readLine());
}

void ResetLanguageTables()
{
    State() = LanguageState();
}
