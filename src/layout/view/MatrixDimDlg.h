#pragma once

#include <QDialog>

class QComboBox;

// Asks how many rows and columns a grid of `count` items gets: both lists
// offer the divisors of the count, and choosing one side picks the other.
class CMatrixDimDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CMatrixDimDlg(int count, QWidget* parent = nullptr);

    int Rows() const { return m_rows; }
    int Columns() const { return m_columns; }
    QComboBox* RowsBox() const { return m_rowsBox; }
    QComboBox* ColumnsBox() const { return m_columnsBox; }

public slots:
    void OnNbRowsChanged(int index);
    void OnNbColumnsChanged(int index);

private:
    // The value shown at `index` of `chosen`; then the entry of `other`
    // that multiplies with it to the count is selected into `otherValue`.
    void Match(QComboBox* chosen, int index, int& value, QComboBox* other, int& otherValue);

    QComboBox* m_rowsBox = nullptr;
    QComboBox* m_columnsBox = nullptr;
    int m_rows = 0;
    int m_columns = 0;
    int m_count = 0;
};
