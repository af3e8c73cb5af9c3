#pragma once

#include "editors/EffectWnd.h"

#include <QList>

class CChannelEffectList;
class CPresetEffect;
class CPresetEffectList;
class CProject;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidgetItem;
class QRadioButton;

// The page of the preset effect: which channel kinds and channel presets an
// effect button drives, and over which range. It has no preview, so the
// position operations keep the base's "no position".
class CPresetEffectWnd : public CEffectWnd
{
    Q_OBJECT
public:
    CPresetEffectWnd(CProject& project, const CEffect* effect, CEffectEngine* engine, CTimeWidget* timeWidget,
                     bool effectScene, QWidget* parent = nullptr);

    void Retranslate() override;
    void SetMatrix(CFixtureMatrix* matrix) override;

    void FillLists();
    void KeepOnePresetPerChannel(QList<QListWidgetItem*>& selected);
    bool IsPresetInEffect(int type, int subType) const;
    void MarkEffectChannels();

    CPresetEffect* Effect() const { return m_effect; }
    CChannelEffectList* ChannelList() const { return m_channelList; }
    CPresetEffectList* PresetList() const { return m_presetList; }
    QRadioButton* PercentButton() const { return m_percentButton; }
    QRadioButton* DmxButton() const { return m_dmxButton; }
    QComboBox* PercentMinList() const { return m_percentMin; }
    QComboBox* PercentMaxList() const { return m_percentMax; }
    QComboBox* DmxMinList() const { return m_dmxMin; }
    QComboBox* DmxMaxList() const { return m_dmxMax; }
    QCheckBox* CursorBox() const { return m_cursor; }

    // Keeps a range read from a file within its scale, minimum not above
    // maximum.
    static void RepairRange(CPresetEffect& effect);

public slots:
    void OnSelChannelChanged();
    void OnSelPresetChanged();
    void OnClickedPercent(bool checked);
    void OnClickedDmx(bool checked);
    void OnPercentMinChanged(int value);
    void OnPercentMaxChanged(int value);
    void OnDmxMinChanged(int value);
    void OnDmxMaxChanged(int value);
    void OnCheckCursor(int state);

private:
    void BuildWidgets();
    void LoadRange();
    void ShowPercent(bool percent);
    // Stores one end of a range and pulls the other end along when it
    // would pass it.
    void ChangeRange(int value, bool max, int& low, int& high, QComboBox* lowList, QComboBox* highList);

    CProject& m_project;
    CPresetEffect* m_effect; // the engine owns it
    bool m_inPresetSelection = false;
    QLabel* m_channelLabel = nullptr;
    QLabel* m_presetLabel = nullptr;
    CChannelEffectList* m_channelList = nullptr;
    CPresetEffectList* m_presetList = nullptr;
    QRadioButton* m_percentButton = nullptr;
    QRadioButton* m_dmxButton = nullptr;
    QComboBox* m_percentMin = nullptr;
    QComboBox* m_percentMax = nullptr;
    QComboBox* m_dmxMin = nullptr;
    QComboBox* m_dmxMax = nullptr;
    QCheckBox* m_cursor = nullptr;
};
