#pragma once

#include <QDialog>
#include <QList>

class CColorTab;
class CGoboTab;
class COtherTab;
class CPatternTab;
class CPresetTab;
class CPresetsList;
class CProfileChannelDef;
class CProfilePresetDef;
class CProfilePresetsWnd;
class QAction;
class QScrollArea;
class QTabWidget;
class QToolBar;

// Edits the presets of one channel on a copy: presets are added from
// pictures, rewritten, removed, copied and pasted in either order. The
// opener owns the working copy after the dialog ran, accepted or not.
class CEditChannelDlg : public QDialog
{
    Q_OBJECT
public:
    enum Tab { ColorsTab, GobosTab, PatternsTab, OtherTab };

    CEditChannelDlg(const CProfileChannelDef& channel, QWidget* parent = nullptr);
    ~CEditChannelDlg() override;

    CProfileChannelDef* WorkingCopy() const { return m_channel; }
    CProfilePresetsWnd* Presets() const { return m_presets; }
    QTabWidget* Tabs() const { return m_tabs; }
    CColorTab* ColorPage() const { return m_colorTab; }
    CGoboTab* GoboPage() const { return m_goboTab; }
    CPatternTab* PatternPage() const { return m_patternTab; }
    COtherTab* OtherPage() const { return m_otherTab; }
    CPresetsList* CurrentList() const { return m_currentList; }
    const QList<CProfilePresetDef*>& Clipboard() const { return m_clipboard; }
    QAction* AddAction() const { return m_add; }
    QAction* RemoveAction() const { return m_remove; }
    QAction* UpdateAction() const { return m_update; }
    QAction* CopyAction() const { return m_copy; }
    QAction* PasteAction() const { return m_paste; }
    QAction* ReversePasteAction() const { return m_reversePaste; }

    // Scrolls the preset list to the row of preset `index` (-1: the end).
    void EnsurePresetVisible(int index);

public slots:
    void Add();
    void Remove();
    void Update();
    void Copy();
    void Paste();
    void ReversePaste();
    void OnSelPresetCtrlChanged();
    void OnSelPresetChanged(bool selected);
    void OnTabChanged(int index);

private:
    QAction* MakeAction(int caption, const char* picture, void (CEditChannelDlg::*slot)());
    CPresetTab* TabAt(int index) const;
    void ChooseStartingTab(int channelType);
    void PasteInOrder(bool reverse);
    int InsertionIndex() const;
    void ClearClipboard();

    QAction* m_add;
    QAction* m_remove;
    QAction* m_update;
    QAction* m_copy;
    QAction* m_paste;
    QAction* m_reversePaste;
    CColorTab* m_colorTab;
    CGoboTab* m_goboTab;
    CPatternTab* m_patternTab;
    COtherTab* m_otherTab;
    QTabWidget* m_tabs;
    QToolBar* m_toolBar;
    QScrollArea* m_scroll;
    CProfilePresetsWnd* m_presets;
    CPresetsList* m_currentList = nullptr;
    CProfileChannelDef* m_channel;
    QList<CProfilePresetDef*> m_clipboard;
};
