#pragma once

#include "panels/FixedPresetCtrls.h"

#include <QColor>
#include <QList>

class CColorCircleCtrl;
class CFixturesView;
class CMenuBar;
class CPresetModeCtrl;
class CProSlider;
class CToolBarDragDrop;
class QAction;
class QCheckBox;
class QGroupBox;
class QToolBar;
class QToolButton;

// The colour panel: red, green, blue and white faders with their switches,
// the wheel, fixed and saved colours and, on the ordinary (not master)
// control, the tools that paint matrix cells in the layout view and the
// picture import. It only reports: colorChanged and modeChanged go to the
// presets window.
class CColorPresetCtrl : public CColorPresetCtrlBase
{
    Q_OBJECT
public:
    static constexpr int kFixedColors = 8;
    static constexpr int kSavedShown = 6;
    enum { ToolImport = 0 }; // buttons 1-6 are the layout view's tools

    CColorPresetCtrl(int id, bool cmy, bool white, bool master, CPresetsWnd* wnd);
    ~CColorPresetCtrl() override;

    void SetColor(quint8 red, quint8 green, quint8 blue, quint8 white, bool quiet) override;
    void GetColor(quint8& red, quint8& green, quint8& blue, quint8& white) const override;
    void SetModes(int red, int green, int blue, int white, bool force) override;
    void MarkEffectChannel(int channelType) override;
    void UpdateImportButton() override;

    void SetTool(int tool);
    void EndToolMode();
    int CurrentTool() const { return m_tool; }
    int LastTool() const { return m_lastTool; }

    void UpdateLayout(bool withPartner) override;
    void SetDisplayMode(int mode, bool big) override;
    void SetSize(int size, bool updateMenu) override;
    void Retranslate();

    static QList<QColor> FixedColors();
    // Asks for a picture to import; tests answer at once (null restores the dialog).
    using ImageChooser = QString (*)(QWidget* parent, const QString& caption, const QString& filter);
    static void SetImageChooser(ImageChooser chooser);

    CColorCircleCtrl* Wheel() const { return m_wheel; }
    CProSlider* Fader(int component) const { return m_faders[component]; }
    CPresetModeCtrl* ModeSwitch(int component) const; // 0-3, else the trichro switch
    QCheckBox* AutoWhiteBox() const { return m_autoWhite; }
    QToolButton* ToolButton(int tool) const { return m_tools[tool]; }
    QAction* FixedAction(int i) const { return m_fixed.value(i); }
    QAction* SavedAction(int i) const { return m_saved.value(i); }
    CMenuBar* SavedBar() const { return m_savedBar; }
    QToolBar* FixedBar() const { return m_fixedBar; }
    QGroupBox* ToolsBox() const { return m_toolsBox; }

public slots:
    void OnStaticColor();
    void OnDynamicColor();
    void OnDynamicColorHovered();
    void OnMenuBar();
    void OnSaveColor();
    void OnImport();
    void OnPenMode();
    void OnLineMode();
    void OnRectMode();
    void OnCircleMode();
    void OnPickMode();
    void OnFillMode();
    void OnColorPicked();
    void OnRValueChanged(int value);
    void OnGValueChanged(int value);
    void OnBValueChanged(int value);
    void OnWValueChanged(int value);
    void OnCheckWChanAuto(int state);
    void OnRModeChanged(bool on);
    void OnGModeChanged(bool on);
    void OnBModeChanged(bool on);
    void OnWModeChanged(bool on);
    void OnTrichroModeChanged(bool on);
    void OnCircleColorChanged(int red, int green, int blue, int white);

private:
    void BuildColorActions();
    void BuildToolBars();
    void BuildTools();
    void ComponentFader(int component, int value);
    void ComponentModeChanged(int component, bool on);
    void UpdateTrichroMode(bool force);
    // Tool buttons other than `keep` unchecked; the view follows the tool.
    void ApplyTool(int keep);
    void ChooseTool(int tool);
    void InstallEndToolHook(CFixturesView* view);
    int ComponentCount() const { return m_white ? 4 : 3; }

    bool m_cmy;
    bool m_white;
    int m_hovered = -1;
    int m_tool = 0;
    int m_lastTool = 0;
    bool m_hookInstalled = false;
    QList<QAction*> m_fixed;
    QList<QAction*> m_saved;
    QToolButton* m_tools[7] = {};
    CMenuBar* m_savedBar = nullptr;
    QToolBar* m_fixedBar = nullptr;
    QGroupBox* m_toolsBox = nullptr;
    CColorCircleCtrl* m_wheel = nullptr;
    CProSlider* m_faders[4] = {};
    CPresetModeCtrl* m_modes[5] = {};
    QCheckBox* m_autoWhite = nullptr;
    CToolBarDragDrop* m_handle = nullptr;
};
