#pragma once

#include <QListWidget>

// The profile files of the browsed library folder. Each item carries the
// profile's display name and its file path; a drag carries both under
// "image/zk-profile" and leaves the list as it was.
class CProfilesList : public QListWidget
{
    Q_OBJECT
public:
    static const QString kMimeType;
    enum { NameRole = Qt::UserRole, PathRole = Qt::UserRole + 1 };

    explicit CProfilesList(QWidget* parent = nullptr);

    void AddProfile(const QString& name, const QString& path);
    // The payload of an item and its reading; false on a short or bad payload.
    static QByteArray EncodePayload(const QString& name, const QString& path);
    static bool DecodePayload(const QByteArray& payload, QString& name, QString& path);
    // What a drag of the current item carries; null without a current item.
    QMimeData* CurrentMimeData() const;

protected:
    void startDrag(Qt::DropActions supportedActions) override;
};
