#pragma once

#include <QList>
#include <QWidget>

#include <memory>

class CAddFixturesDlg;
class CBeamsView;
class CChannelsList;
class CLibraryProfile;
class CProfileChannelDef;
class CProfileChannelsWnd;
class CProfileEditorDialogs;
class QAction;
class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QTabWidget;

// The "Profile" page of the add-fixtures dialog: edits the dialog's edited
// profile in place (picture, shape, beam layout, the channels of its current
// mode). Before anything changes a profile that patched fixtures use, the
// page puts a copy under a new name in its place; the patched fixtures keep
// the original.
class CProfileTab : public QWidget
{
    Q_OBJECT
public:
    explicit CProfileTab(CAddFixturesDlg* dialog, QWidget* parent = nullptr);
    ~CProfileTab() override;

    static QPixmap ChannelPicture(int type);

    void Reset();
    void ShowProfile(CLibraryProfile* profile);
    // Writes the channel links and the beam layout into the profile.
    void StoreToProfile(CLibraryProfile* profile);

    CLibraryProfile* EditedProfile() const;
    // True when the edited profile was used by a patch and was replaced by
    // a copy.
    bool DetachUsedProfile();
    void CreateEditedProfile();

    void SetCurrentChannel(int index);
    int CurrentChannel() const { return m_currentChannel; }
    void UpdateChannelCount();
    void AutoAssignBeams();
    void UpdateActions();
    void ScrollToChannel(int index);

    CProfileEditorDialogs& Dialogs() const { return *m_dialogs; }
    void SetDialogs(std::unique_ptr<CProfileEditorDialogs> dialogs);

    QList<QAction*> ChannelActions() const;
    QList<QAction*> TypeActions() const { return m_typeActions; }
    QAction* AddAction() const { return m_add; }
    QAction* RemoveAction() const { return m_remove; }
    QAction* UpdateAction() const { return m_update; }
    QAction* CopyAction() const { return m_copy; }
    QAction* PasteAction() const { return m_paste; }
    QLineEdit* NameEdit() const { return m_name; }
    QLineEdit* CountEdit() const { return m_count; }
    QComboBox* BeamNumberCombo() const { return m_beamNumber; }
    QPushButton* AssignButton() const { return m_assign; }
    QTabWidget* FixtureTabs() const { return m_fixtureTabs; }
    QListWidget* PictureList(int tab) const { return m_pictureLists.value(tab); }
    QListWidget* ShapesList() const { return m_shapes; }
    QSpinBox* AddCountSpin() const { return m_addCount; }
    CChannelsList* ChannelTypes() const { return m_channelTypes; }
    CProfileChannelsWnd* Channels() const { return m_channels; }
    const CProfileChannelDef* Clipboard() const { return m_clipboard.get(); }
    // Holds the beam layout the page stores into the profile.
    CBeamsView* BeamsView() const { return m_beamsView; }

public slots:
    void Add();
    void Remove();
    void Update();
    void UpdateIcon();
    void Copy();
    void Paste();
    void OnFixtChanged(QListWidgetItem* item);
    void OnShapeChanged(QListWidgetItem* item);
    void OnChannelChanged(QListWidgetItem* item);
    void OnBeamNumberChanged(int index);
    void OnAssignBeams();

private:
    void LoadBeams();
    bool HasChannel(int index) const;
    void RepaintChannels();
    void SetBeamNumber(int index);
    // The beam-number choice holds 1 to CBeamsView::kMaxBeams, and up to
    // `beams` (at most a profile file's CFixtureProfile::kMaxBeams) besides.
    void OfferBeamNumbers(int beams);

    CAddFixturesDlg* m_dialog;
    std::unique_ptr<CProfileEditorDialogs> m_dialogs;
    int m_currentChannel = -1;
    std::unique_ptr<CProfileChannelDef> m_clipboard;
    bool m_showing = false; // the page follows the profile, the user changes nothing

    QLineEdit* m_name;
    QLineEdit* m_count;
    QTabWidget* m_fixtureTabs;
    QList<QListWidget*> m_pictureLists;
    QListWidget* m_shapes;
    QComboBox* m_beamNumber;
    QPushButton* m_assign;
    CBeamsView* m_beamsView;
    QScrollArea* m_beamScroll;
    QSpinBox* m_addCount;
    CChannelsList* m_channelTypes;
    CProfileChannelsWnd* m_channels;
    QScrollArea* m_channelScroll;
    QAction* m_add;
    QAction* m_remove;
    QAction* m_update;
    QAction* m_copy;
    QAction* m_paste;
    QList<QAction*> m_typeActions;
};
