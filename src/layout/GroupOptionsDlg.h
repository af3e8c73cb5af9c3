#pragma once

#include <QColor>
#include <QDialog>
#include <QList>
#include <QRect>

#include <functional>

class CGroup;
class CPage;
class CProject;
class CTriggers;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The settings of one fixture group: name, triggers, linked live page, the
// layout size (General group only), grid and background. The group takes
// them on OK; the trigger record is edited in place by the trigger dialog,
// so a later Cancel keeps what was edited there.
class CGroupOptionsDlg : public QDialog
{
    Q_OBJECT
public:
    // The largest side of a layout, in view pixels at zoom 1.
    static constexpr int kMaxLayoutSide = 10000;

    // Runs the trigger dialog on the record (normal mode, no auto release); true on OK.
    using TriggerDialogRunner = std::function<bool(CTriggers& triggers, QWidget* parent)>;
    // Stand-ins for the colour and file dialogs; an invalid colour or an
    // empty name means cancelled.
    using ColorRunner = std::function<QColor(const QColor& start, QWidget* parent)>;
    using FileRunner = std::function<QString(QWidget* parent)>;

    // The size section is shown when `layoutRect` is valid; the spins never
    // go below `extent`.
    CGroupOptionsDlg(CProject& project, CGroup& group, const QRect& layoutRect, const QRect& extent,
                     QWidget* parent = nullptr);

    // The trigger dialog lives with the editors; the program installs it.
    static void SetTriggerDialogRunner(TriggerDialogRunner runner);
    void SetColorRunner(ColorRunner runner) { m_colorRunner = std::move(runner); }
    void SetFileRunner(FileRunner runner) { m_fileRunner = std::move(runner); }

    QLineEdit* NameEdit() const { return m_name; }
    QPushButton* TriggersButton() const { return m_triggers; }
    QComboBox* PageCombo() const { return m_page; }
    QSpinBox* WidthSpin() const { return m_width; }
    QSpinBox* HeightSpin() const { return m_height; }
    QCheckBox* DrawGridCheck() const { return m_drawGrid; }
    QCheckBox* MagneticGridCheck() const { return m_magneticGrid; }
    QCheckBox* ImageCheck() const { return m_image; }
    QComboBox* ImageModeCombo() const { return m_imageMode; }
    QPushButton* BrowseButton() const { return m_browse; }
    QLineEdit* ImagePathEdit() const { return m_imagePath; }
    QColor Color() const { return m_color; }

public slots:
    void OnTriggers();
    void OnCheckGrid(int state);
    void OnCheckImage(int state);
    void OnColor();
    void OnBrowseImage();
    void OnOk();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ShowColor();

    CProject& m_project;
    CGroup& m_group;
    // The pages the page combo lists after its empty first item.
    QList<CPage*> m_listedPages;
    QLineEdit* m_name;
    QPushButton* m_triggers;
    QComboBox* m_page;
    QSpinBox* m_width = nullptr;
    QSpinBox* m_height = nullptr;
    QCheckBox* m_drawGrid;
    QCheckBox* m_magneticGrid;
    QLabel* m_colorLabel;
    QCheckBox* m_image;
    QComboBox* m_imageMode;
    QPushButton* m_browse;
    QLineEdit* m_imagePath;
    QColor m_color;
    bool m_sizeShown = false;
    // What the combos first showed: a linked page or picture mode they
    // cannot show is kept unless the operator picks another.
    int m_shownPage = 0;
    int m_shownImageMode = 0;
    ColorRunner m_colorRunner;
    FileRunner m_fileRunner;
};
