#pragma once

#include <QWidget>

class CLibraryProfile;
class QLineEdit;

// The "Profile" page of the add-fixtures dialog. For now it only holds the
// profile's name, which the dialog carries to and from the patch page.
class CProfileTab : public QWidget
{
    Q_OBJECT
public:
    explicit CProfileTab(QWidget* parent = nullptr);

    void Reset();
    void ShowProfile(CLibraryProfile* profile);
    // Writes what the editor holds apart from the profile back into it.
    void StoreToProfile(CLibraryProfile* profile);
    QLineEdit* NameEdit() const { return m_name; }

private:
    QLineEdit* m_name;
};
