#pragma once

#include <QWidget>

class CProfileChannelDef;

// One of the small read-only cells of a channel column: its number, its
// picture, the beams it serves or its preset count.
class CProfileChannelCell : public QWidget
{
    Q_OBJECT
public:
    enum Kind { Index, Picture, Beams, Presets };

    CProfileChannelCell(Kind kind, CProfileChannelDef* channel, const QPixmap* picture, QWidget* parent);

    void SetChannel(CProfileChannelDef* channel);
    void SetPixmap(const QPixmap* picture);
    // What the cell writes (empty for the picture cell).
    QString Text() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Kind m_kind;
    CProfileChannelDef* m_channel; // owned by the mode
    const QPixmap* m_picture;      // the column's
};
