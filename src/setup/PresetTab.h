#pragma once

#include <QWidget>

class CPresetsList;
class CPresetsListWnd;
class QListWidgetItem;
class QTabWidget;

// A page of preset pictures of the channel editor. Its current list is the
// one whose current picture the editor's Add and Update use.
class CPresetTab : public QWidget
{
    Q_OBJECT
public:
    explicit CPresetTab(QWidget* parent = nullptr);

    CPresetsList* CurrentList() const { return m_current; }

signals:
    // True when the list clicked or shown has a current picture.
    void selChanged(bool selected);

protected:
    CPresetsList* m_current = nullptr;
};

// A preset tab of picture lists in side tabs, one current at a time.
class CSubTabsPresetTab : public CPresetTab
{
    Q_OBJECT
public:
    explicit CSubTabsPresetTab(QWidget* parent = nullptr);

    QTabWidget* SubTabs() const { return m_tabs; }
    CPresetsListWnd* Window(int index) const { return m_windows.value(index); }

public slots:
    void OnTabChanged(int index);
    void OnSelChanged(QListWidgetItem* item);

protected:
    CPresetsListWnd* AddWindow(const QString& title, bool largeSizes);

private:
    QTabWidget* m_tabs;
    QList<CPresetsListWnd*> m_windows;
};
