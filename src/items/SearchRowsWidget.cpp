#include "items/SearchRowsWidget.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace kestra {

SearchRowsWidget::SearchRowsWidget(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    for (int n = 0; n < MaxConditionRows; ++n) {
        Row row{new QComboBox(this), new QComboBox(this), new QLineEdit(this)};
        const QString suffix = QString::number(n);
        row.index->setObjectName(QStringLiteral("cboIndex") + suffix);
        row.mode->setObjectName(QStringLiteral("cboOperator") + suffix);
        row.value->setObjectName(QStringLiteral("txtValue") + suffix);
        for (MatchMode m : {MatchMode::Prefix, MatchMode::Anywhere, MatchMode::Exact})
            row.mode->addItem(matchModeName(m), int(m));
        row.index->setMinimumContentsLength(8);
        layout->addWidget(row.index, n, 0);
        layout->addWidget(row.mode, n, 1);
        layout->addWidget(row.value, n, 2);
        connect(row.value, &QLineEdit::returnPressed, this, &SearchRowsWidget::searchRequested);
        rows_.append(row);
    }
    layout->setColumnStretch(2, 1);
}

void SearchRowsWidget::setIndexes(const QList<SearchIndex> &indexes)
{
    for (int n = 0; n < rows_.size(); ++n) {
        QComboBox *box = rows_[n].index;
        const int keep = box->currentData().isValid() ? box->currentData().toInt() : -1;
        box->clear();
        for (const SearchIndex &i : indexes)
            box->addItem(i.name, i.code);
        const int found = keep >= 0 ? box->findData(keep) : -1;
        box->setCurrentIndex(found >= 0 ? found : std::min(n, int(box->count()) - 1));
    }
}

QList<SearchCondition> SearchRowsWidget::conditions() const
{
    QList<SearchCondition> out;
    for (const Row &r : rows_) {
        out.append(SearchCondition{r.index->currentData().toInt(),
                                   static_cast<MatchMode>(r.mode->currentData().toInt()), r.value->text()});
    }
    return out;
}

void SearchRowsWidget::setConditions(const QList<SearchCondition> &conditions)
{
    for (int n = 0; n < rows_.size(); ++n) {
        const Row &r = rows_[n];
        if (n < conditions.size()) {
            const SearchCondition &c = conditions[n];
            const int i = r.index->findData(c.index);
            if (i >= 0)
                r.index->setCurrentIndex(i);
            r.mode->setCurrentIndex(r.mode->findData(int(c.mode)));
            r.value->setText(c.value);
        } else {
            r.value->clear();
        }
    }
}

void SearchRowsWidget::clearValues()
{
    for (const Row &r : rows_)
        r.value->clear();
}

QTableWidget *makeResultGrid(QWidget *parent, const QString &objectName, const QStringList &headings, bool multiSelect)
{
    auto *grid = new QTableWidget(0, int(headings.size()), parent);
    grid->setObjectName(objectName);
    grid->setHorizontalHeaderLabels(headings);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(multiSelect ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setStretchLastSection(true);
    return grid;
}

void fillResultGrid(QTableWidget *grid, const QList<QStringList> &rows)
{
    grid->setUpdatesEnabled(false);
    grid->clearContents();
    grid->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size() && c < grid->columnCount(); ++c)
            grid->setItem(r, c, new QTableWidgetItem(rows[r][c]));
    }
    if (!rows.isEmpty())
        grid->setCurrentCell(0, 0);
    grid->setUpdatesEnabled(true);
}

} // namespace kestra
