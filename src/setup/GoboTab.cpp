#include "setup/GoboTab.h"

#include "setup/PictureFolderCache.h"
#include "setup/PresetsList.h"
#include "setup/PresetsListWnd.h"

#include "Captions.h"
#include "model/Language.h"

namespace {
constexpr int kGoboType = 7;
}

CGoboTab::CGoboTab(QWidget* parent) : CSubTabsPresetTab(parent)
{
    const struct {
        int title;
        const char* folder;
    } folders[] = {
        {Txt::GoboGeneric, "System/Gobos"},        {Txt::GoboClassic, "System/Gobos/Classic"},
        {Txt::GoboColor, "System/Gobos/Color"},    {Txt::GoboFilter, "System/Gobos/Filter"},
        {Txt::GoboGlass, "System/Gobos/Glass"},
    };
    for (const auto& folder : folders) {
        const QString path = QLatin1String(folder.folder);
        AddWindow(GetLangText(folder.title), true)->List()->ScanFolder(kGoboType, path, PictureFolderCache(path));
    }
}
