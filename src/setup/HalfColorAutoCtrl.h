#pragma once

#include <QWidget>

class CHalfColorAutoList;

// A frame round the automatic half-colour picture.
class CHalfColorAutoCtrl : public QWidget
{
    Q_OBJECT
public:
    explicit CHalfColorAutoCtrl(QWidget* parent = nullptr);

    CHalfColorAutoList* List() const { return m_list; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CHalfColorAutoList* m_list;
};
