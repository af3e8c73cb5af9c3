#pragma once

#include <QComboBox>
#include <QStringList>

// The texts a combo box offers, in its order.
inline QStringList ComboItems(const QComboBox& combo)
{
    QStringList items;
    for (int i = 0; i < combo.count(); ++i)
        items << combo.itemText(i);
    return items;
}
