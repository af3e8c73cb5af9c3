#include "panels/SavedSlotMenu.h"

#include "Captions.h"
#include "model/Language.h"
#include "widgets/MenuBar.h"
#include "widgets/PresetModeCtrl.h"
#include "widgets/ProSlider.h"

#include <QCursor>
#include <QMenu>
#include <algorithm>

namespace {

bool RunPopup(QWidget* parent)
{
    QMenu menu(parent);
    menu.setStyleSheet(QStringLiteral("QMenu { background: rgb(195, 195, 190) }"));
    QAction* save = menu.addAction(QIcon(QStringLiteral(":/Orvane/Images/Icons/Save.png")), GetLangText(Txt::Save));
    return menu.exec(QCursor::pos()) == save;
}

SaveMenuRunner g_runner = &RunPopup;

} // namespace

CMenuBar* NewSavedSlotBar(QWidget* parent)
{
    auto* bar = new CMenuBar(parent);
    bar->setStyleSheet(QStringLiteral(
        "QToolBar { border: 1px solid gray; background-image: url(\":/Orvane/Images/Icons/HorzToolBar.png\") }"));
    bar->setIconSize(QSize(16, 16));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    return bar;
}

void SetSaveMenuRunner(SaveMenuRunner runner)
{
    g_runner = runner ? runner : &RunPopup;
}

bool RunSaveMenu(QWidget* parent)
{
    return g_runner(parent);
}

int CommonPresetMode(const QList<int>& states)
{
    for (int state : states) {
        if (state != states.first())
            return PresetModeMixed;
    }
    return states.isEmpty() ? int(PresetModeOff) : states.first();
}

void ShowOnFader(CProSlider* fader, int value)
{
    if (!fader)
        return;
    fader->m_value = std::clamp(value, fader->m_min, fader->m_max);
    fader->UpdateCursor();
}
