#pragma once

#include <QWidget>

class CGifEffectsWnd;

// One tab of the picture library: a folder's thumbnails in a scroll area.
class CGifEffectsTab : public QWidget
{
    Q_OBJECT
public:
    CGifEffectsTab(const QString& folder, QWidget* parent = nullptr);

    CGifEffectsWnd* Pictures() const { return m_pictures; }

private:
    CGifEffectsWnd* m_pictures;
};
