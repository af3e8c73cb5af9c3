#pragma once

#include <QStringList>
#include <QVector>
#include <QWidget>

class CGifViewerCtrl;

// The animated pictures of one library folder, five thumbnails a row.
class CGifEffectsWnd : public QWidget
{
    Q_OBJECT
public:
    CGifEffectsWnd(const QString& folder, QWidget* parent = nullptr);

    // The folder's "*.gif" plain files (no links), as the listing gives them;
    // none when the folder is missing.
    static QStringList ListFiles(const QString& folder);

    const QStringList& Files() const { return m_files; }
    const QVector<CGifViewerCtrl*>& Thumbnails() const { return m_thumbnails; }
    CGifViewerCtrl* Selected() const { return m_selected; }

signals:
    void selChanged(const QString& file);

public slots:
    void OnSelChanged(int index);

private:
    CGifViewerCtrl* m_selected = nullptr;
    QVector<CGifViewerCtrl*> m_thumbnails;
    QStringList m_files;
};
