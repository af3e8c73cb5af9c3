#pragma once

#include <QImage>
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
};
