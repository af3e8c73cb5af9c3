#include "editors/GifEffectsWnd.h"

#include "editors/GifViewerCtrl.h"

#include <QDir>
#include <QGridLayout>

namespace {

constexpr int kPerRow = 5;

} // namespace

CGifEffectsWnd::CGifEffectsWnd(const QString& folder, QWidget* parent)
    : QWidget(parent), m_files(ListFiles(folder))
{
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (int i = 0; i < m_files.size(); ++i) {
        auto* thumbnail = new CGifViewerCtrl(m_files[i], i, this);
        connect(thumbnail, &CGifViewerCtrl::selChanged, this, &CGifEffectsWnd::OnSelChanged);
        grid->addWidget(thumbnail, i / kPerRow, i % kPerRow);
        m_thumbnails.append(thumbnail);
    }
}

QStringList CGifEffectsWnd::ListFiles(const QString& folder)
{
    QStringList files;
    const QFileInfoList entries = QDir(folder).entryInfoList({QStringLiteral("*.gif")},
                                                             QDir::Files | QDir::NoSymLinks, QDir::Unsorted);
    for (const QFileInfo& entry : entries)
        files.append(entry.absoluteFilePath());
    return files;
}

void CGifEffectsWnd::OnSelChanged(int index)
{
    if (m_selected)
        m_selected->SetMarked(false);
    if (index < 0 || index >= m_thumbnails.size()) {
        m_selected = nullptr;
        return;
    }
    m_selected = m_thumbnails[index];
    // A press marks its own thumbnail; a call from elsewhere must too.
    m_selected->SetMarked(true);
    emit selChanged(m_files[index]);
}
