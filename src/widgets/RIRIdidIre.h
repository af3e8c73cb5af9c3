#pragma once

#include <QWidget>

class CHTabsWnd;

// The strip that carries a tab bar above a window's contents; the bar starts
// with one tab, which can never be closed.
class RIRIdidIre : public QWidget
{
    Q_OBJECT
public:
    explicit RIRIdidIre(const QString& firstTabName, QWidget* parent = nullptr);

    CHTabsWnd* Tabs() const { return m_pTabs; }

private:
    CHTabsWnd* m_pTabs;
};
