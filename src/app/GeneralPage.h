#pragma once

#include <QColor>
#include <QWidget>

class CAppOptions;
class QCheckBox;
class QComboBox;
class QPushButton;

// The options of the program itself: language, start-up, window and the
// repaint rate of the 2-D view. Shows the options it is given and writes
// them back only when told to.
class CGeneralPage : public QWidget
{
    Q_OBJECT
public:
    explicit CGeneralPage(const CAppOptions& options, QWidget* parent = nullptr);

    void Store(CAppOptions& options) const;

    QComboBox* LanguageList() const { return m_language; }
    QCheckBox* StartScenesBox() const { return m_startScenes; }
    QCheckBox* OpenLastProjectBox() const { return m_openLastProject; }
    QCheckBox* StayOnTopBox() const { return m_stayOnTop; }
    QComboBox* RefreshList() const { return m_refresh; }
    QColor Background() const { return m_background; }
    void SetBackground(const QColor& color);

public slots:
    void OnChooseBackground();

private:
    int m_shownLanguage;
    QComboBox* m_language;
    QCheckBox* m_startScenes;
    QCheckBox* m_openLastProject;
    QCheckBox* m_stayOnTop;
    QPushButton* m_backgroundButton;
    QComboBox* m_refresh;
    QColor m_background;
};
