#pragma once

#include "items/SearchConditions.h"

#include <QList>
#include <QWidget>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace kestra {

// The five condition rows of the copy and record-number searches: per row
// cboIndex<N>, cboOperator<N> and txtValue<N> (N from 0). Enter in a value
// box asks for the search.
class SearchRowsWidget : public QWidget {
    Q_OBJECT
public:
    explicit SearchRowsWidget(QWidget *parent = nullptr);

    // Fills every cboIndex; row N starts on the N-th entry, so that the
    // common groups are one Tab away.
    void setIndexes(const QList<SearchIndex> &indexes);
    // Every row, the empty ones too.
    QList<SearchCondition> conditions() const;
    // Puts conditions into the rows from the first; the rest are emptied.
    void setConditions(const QList<SearchCondition> &conditions);
    void clearValues();

Q_SIGNALS:
    void searchRequested();

private:
    struct Row {
        QComboBox *index;
        QComboBox *mode;
        QLineEdit *value;
    };
    QList<Row> rows_;
};

// A read-only result grid that selects whole rows.
QTableWidget *makeResultGrid(QWidget *parent, const QString &objectName, const QStringList &headings, bool multiSelect);
// Replaces the grid's rows with the given texts.
void fillResultGrid(QTableWidget *grid, const QList<QStringList> &rows);

} // namespace kestra
