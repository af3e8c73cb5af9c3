#include "editors/SceneMediaDlg.h"

#include "Captions.h"
#include "editors/ModalRun.h"
#include "model/Language.h"
#include "show/Scene.h"
#include "widgets/FileFilters.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A group of a check box over a "..." button and its path.
QGroupBox* MediaGroup(const QString& title, QCheckBox* box, QPushButton* browse, QLineEdit* path)
{
    auto* group = new QGroupBox(title);
    auto* column = new QVBoxLayout(group);
    column->setContentsMargins(6, 2, 6, 6);
    column->addWidget(box);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    browse->setFixedSize(26, 22);
    path->setFixedHeight(20);
    row->addWidget(browse);
    row->addWidget(path);
    column->addLayout(row);
    return group;
}

} // namespace

CSceneMediaDlg::CSceneMediaDlg(CScene& scene, QWidget* parent)
    : QDialog(parent)
    , m_scene(scene)
    , m_play(new QCheckBox(GetLangText(Txt::Play)))
    , m_soundBrowse(new QPushButton(QStringLiteral("...")))
    , m_sound(new QLineEdit)
    , m_defaultPicture(new QCheckBox(GetLangText(Txt::EdDefaultPicture)))
    , m_pictureBrowse(new QPushButton(QStringLiteral("...")))
    , m_picture(new QLineEdit)
{
    MakeToolDialog(*this, GetLangText(Txt::EdSound) + QLatin1Char('/') + GetLangText(Txt::EdPicture), 300, 180);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->addWidget(MediaGroup(GetLangText(Txt::EdSound), m_play, m_soundBrowse, m_sound));
    column->addWidget(MediaGroup(GetLangText(Txt::EdPicture), m_defaultPicture, m_pictureBrowse, m_picture));
    column->addStretch();
    column->addWidget(buttons);

    connect(m_play, &QCheckBox::stateChanged, this, &CSceneMediaDlg::OnCheckPlaySound);
    connect(m_defaultPicture, &QCheckBox::stateChanged, this, &CSceneMediaDlg::OnCheckDefaultButPic);
    connect(m_soundBrowse, &QPushButton::pressed, this, &CSceneMediaDlg::OnBrowseSound);
    connect(m_pictureBrowse, &QPushButton::pressed, this, &CSceneMediaDlg::OnBrowseButtonPic);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSceneMediaDlg::OnOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    m_play->setChecked(scene.m_playSound);
    m_sound->setText(scene.m_sound);
    m_defaultPicture->setChecked(scene.m_defaultButtonPicture);
    m_picture->setText(scene.m_buttonPicture);
    OnCheckPlaySound(m_play->checkState());
    OnCheckDefaultButPic(m_defaultPicture->checkState());
}

void CSceneMediaDlg::OnCheckPlaySound(int state)
{
    m_soundBrowse->setEnabled(state == Qt::Checked);
    m_sound->setEnabled(state == Qt::Checked);
}

void CSceneMediaDlg::OnCheckDefaultButPic(int state)
{
    m_pictureBrowse->setEnabled(state != Qt::Checked);
    m_picture->setEnabled(state != Qt::Checked);
}

void CSceneMediaDlg::OnBrowseSound()
{
    const QString path = RunOpenFile(this, GetLangText(Txt::EdSound),
                                     GetLangText(Txt::EdSoundFiles) + QStringLiteral(" (") + SoundFileFilter() +
                                         QLatin1Char(')'));
    if (!path.isEmpty())
        m_sound->setText(path);
}

void CSceneMediaDlg::OnBrowseButtonPic()
{
    const QString path =
        RunOpenFile(this, GetLangText(Txt::EdImages), GetLangText(Txt::EdImages) + QStringLiteral(" (*.jpg *.bmp *.png)"));
    if (!path.isEmpty())
        m_picture->setText(path);
}

void CSceneMediaDlg::OnOk()
{
    m_scene.m_playSound = m_play->isChecked();
    m_scene.m_sound = m_sound->text();
    m_scene.m_defaultButtonPicture = m_defaultPicture->isChecked();
    m_scene.m_buttonPicture = m_picture->text();
    m_scene.LoadButtonPicture();
    accept();
}

void CSceneMediaDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return)
        OnOk();
    else if (event->key() == Qt::Key_Escape)
        reject();
}
