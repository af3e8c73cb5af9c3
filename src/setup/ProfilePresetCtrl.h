#pragma once

#include <QElapsedTimer>
#include <QPixmap>
#include <QWidget>

class CProfileChannelDef;
class CProfilePresetDef;
class CProfilePresetsWnd;
class QCheckBox;
class QLineEdit;
class QPushButton;

// One preset of the channel: its picture, name, DMX range and default, the
// default-preset mark and, for a gobo, the Rotary and Shake marks.
class CProfilePresetCtrl : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kDeleteGuardMs = 500;

    CProfilePresetCtrl(CProfilePresetDef* preset, CProfileChannelDef* channel, const QPixmap& picture,
                       CProfilePresetsWnd* list);

    CProfilePresetDef* Preset() const { return m_preset; }
    void SetPreset(CProfilePresetDef* preset) { m_preset = preset; }
    QPixmap Picture() const { return m_picture; }
    void SetPicture(const QPixmap& picture);
    bool IsSelected() const { return m_selected; }
    void SetSelected(bool on);

    void Refresh();
    void SetDefaultPreset(bool on);
    void SetRotary(bool on);
    void SetShake(bool on);

    QLineEdit* NameEdit() const { return m_name; }
    QLineEdit* StartEdit() const { return m_start; }
    QLineEdit* DefaultEdit() const { return m_default; }
    QLineEdit* EndEdit() const { return m_end; }
    QCheckBox* DefaultBox() const { return m_defaultBox; }
    QCheckBox* RotaryBox() const { return m_rotary; }
    QCheckBox* ShakeBox() const { return m_shake; }
    QPushButton* DeleteButton() const { return m_delete; }

public slots:
    void OnPresetDelete();
    void OnNameChanged();
    void OnStartChanged();
    void OnDefaultChanged();
    void OnEndChanged();
    void OnDefaultPresetChanged(int state);
    void OnPresetRotaryChanged(int state);
    void OnPresetShakeChanged(int state);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int Index() const;
    void FinishRangeEdit();

    QPixmap m_picture;
    CProfilePresetDef* m_preset;
    CProfileChannelDef* m_channel;
    CProfilePresetsWnd* m_list;
    QLineEdit* m_name;
    bool m_selected = false;
    QElapsedTimer m_created; // monotonic: the time of day jumps at midnight
    QLineEdit* m_start;
    QLineEdit* m_default;
    QLineEdit* m_end;
    QCheckBox* m_defaultBox;
    QCheckBox* m_rotary = nullptr;
    QCheckBox* m_shake = nullptr;
    QPushButton* m_delete;
};
