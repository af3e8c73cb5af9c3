#pragma once

#include <QDialog>

class CScene;
class QCheckBox;
class QLineEdit;
class QPushButton;

// The scene's sound (with its on/off switch) and its button picture (or the
// default one). The scene changes on OK alone.
class CSceneMediaDlg : public QDialog
{
    Q_OBJECT
public:
    CSceneMediaDlg(CScene& scene, QWidget* parent = nullptr);

    QCheckBox* PlayBox() const { return m_play; }
    QLineEdit* SoundEdit() const { return m_sound; }
    QPushButton* SoundBrowse() const { return m_soundBrowse; }
    QCheckBox* DefaultPictureBox() const { return m_defaultPicture; }
    QLineEdit* PictureEdit() const { return m_picture; }
    QPushButton* PictureBrowse() const { return m_pictureBrowse; }

public slots:
    void OnCheckPlaySound(int state);
    void OnCheckDefaultButPic(int state);
    void OnBrowseSound();
    void OnBrowseButtonPic();
    void OnOk();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    CScene& m_scene;
    QCheckBox* m_play;
    QPushButton* m_soundBrowse;
    QLineEdit* m_sound;
    QCheckBox* m_defaultPicture;
    QPushButton* m_pictureBrowse;
    QLineEdit* m_picture;
};
