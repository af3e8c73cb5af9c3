#pragma once

#include <QListWidget>

class CProfileChannelDef;

// The channel kinds an effect button may drive, one icon per channel type
// however many profiles offer it.
class CChannelEffectList : public QListWidget
{
    Q_OBJECT
public:
    static constexpr int TypeRole = Qt::UserRole;

    explicit CChannelEffectList(QWidget* parent = nullptr);

    void AddChannel(const CProfileChannelDef& channel, bool selected);
};

// Icon mode, multi-selection without a band, as both effect lists show.
void SetUpEffectIconList(QListWidget& list);
