#pragma once

#include <QListWidget>
#include <QPixmap>

// The strip of channel types the profile editor offers. A drag carries the
// type's picture and number under "image/zk-channel"; the RGB, RGBW, CMY
// and pan/tilt entries stand for their whole group of channels.
class CChannelsList : public QListWidget
{
    Q_OBJECT
public:
    static const QString kMimeType;
    enum { PixmapRole = Qt::UserRole, TypeRole = Qt::UserRole + 1 };

    explicit CChannelsList(QWidget* parent = nullptr);

    void AddChannelType(int type);
    void FillChannelTypes();
    // False (outputs untouched) without a current item.
    bool GetCurrentChannelType(QPixmap& pixmap, int& type) const;
    static QByteArray EncodePayload(const QPixmap& pixmap, int type);
    static bool DecodePayload(const QByteArray& payload, QPixmap& pixmap, int& type);
    // What a drag of the current item carries; null without one.
    QMimeData* CurrentMimeData() const;

protected:
    void startDrag(Qt::DropActions supportedActions) override;
};
