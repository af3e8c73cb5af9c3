#pragma once

#include <QImage>
#include <QList>
#include <QListWidget>

class CProfilePresetDef;

// The channel presets an effect button may drive, one icon per pair of
// preset type and sub-type.
class CPresetEffectList : public QListWidget
{
    Q_OBJECT
public:
    static constexpr int TypeRole = Qt::UserRole;
    static constexpr int SubTypeRole = Qt::UserRole + 1;

    explicit CPresetEffectList(QWidget* parent = nullptr);

    void AddPreset(const CProfilePresetDef& preset, const QImage& icon, bool selected);
    void Clear();
    const QList<int>& Types() const { return m_types; }
    const QList<int>& SubTypes() const { return m_subTypes; }

private:
    QList<int> m_types; // parallel: one pair per item
    QList<int> m_subTypes;
};
