#include "ui/FormParts.h"

#include "ui/CodeBoxes.h"
#include "ui/EntryBoxes.h"

#include "copies/ItemEntry.h"
#include "kit/CopyColumns.h"
#include "kit/RowModel.h"

#include <QAbstractItemModel>
#include <QButtonGroup>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

namespace kestra {

namespace {

constexpr int kRowHeight = 22;
constexpr int kMarkWidth = 40;
constexpr int kTitleWidth = 220;

} // namespace

QRadioButton *addOption(QButtonGroup *group, const QString &name, int id, const QString &text, QWidget *parent)
{
    auto *button = new QRadioButton(text, parent);
    button->setObjectName(name);
    group->addButton(button, id);
    return button;
}

QLineEdit *makeLineEdit(const QString &name, int maxLength, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(maxLength);
    return edit;
}

QDateEdit *makeDateEdit(const QString &name, const QDate &date, QWidget *parent)
{
    auto *edit = new QDateEdit(date, parent);
    edit->setObjectName(name);
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return edit;
}

QPushButton *makeButton(const QString &name, const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    return button;
}

FindRow makeFindRow(const QString &caption, QWidget *parent)
{
    FindRow find{new QHBoxLayout, new QLineEdit(parent),
                 makeButton(QStringLiteral("cmdFind"), QStringLiteral("查询"), parent)};
    find.text->setObjectName(QStringLiteral("txtFind"));
    find.row->addWidget(new QLabel(caption, parent));
    find.row->addWidget(find.text, 1);
    find.row->addWidget(find.button);
    QObject::connect(find.text, &QLineEdit::returnPressed, find.button, &QPushButton::click);
    return find;
}

QPushButton *dialogButton(QWidget *parent, const char *objectName, const QString &text)
{
    QPushButton *b = makeButton(QLatin1String(objectName), text, parent);
    b->setAutoDefault(false);
    return b;
}

QHBoxLayout *makeFootRow(const QList<QWidget *> &left, const QList<QWidget *> &right)
{
    auto *row = new QHBoxLayout;
    for (QWidget *w : left)
        row->addWidget(w);
    row->addStretch(1);
    for (QWidget *w : right)
        row->addWidget(w);
    return row;
}

ScanInput makeScanInput(ItemEntry &entry, QWidget *owner, QWidget *parent)
{
    auto *group = new QButtonGroup(owner);
    group->setObjectName(QStringLiteral("optSelect"));
    ScanInput scan{group, addOption(group, QStringLiteral("optSelect_0"), 0, QStringLiteral("条码号"), parent),
                   addOption(group, QStringLiteral("optSelect_1"), 1, QStringLiteral("财产号"), parent),
                   new CodeEntry(parent)};
    scan.byBarcode->setChecked(true);
    scan.code->setMaxLength(60);
    CodeEntry *code = scan.code;
    QObject::connect(group, &QButtonGroup::idClicked, code, [&entry, code](int id) {
        entry.setInputType(id == 1 ? InputType::Accession : InputType::Barcode);
        code->setFocus();
    });
    return scan;
}

CodeBox *makeCodeBox(const QString &name, const QList<CodeName> &entries, QWidget *parent)
{
    auto *box = new CodeBox(parent);
    box->setObjectName(name);
    box->setEntries(entries);
    return box;
}

QTableView *makeRowGrid(QAbstractItemModel *model, const QString &name, QWidget *parent)
{
    auto *view = new QTableView(parent);
    view->setObjectName(name);
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->verticalHeader()->setDefaultSectionSize(kRowHeight);
    if (const auto *rows = dynamic_cast<const RowModelBase *>(model); rows && rows->checkable())
        view->setColumnWidth(0, kMarkWidth);
    if (const int title = columnOf(*model, copyHeading(CopyField::Title)); title >= 0)
        view->setColumnWidth(title, kTitleWidth);
    return view;
}

int columnOf(const QAbstractItemModel &model, const QString &heading)
{
    for (int c = 0; c < model.columnCount(); ++c) {
        if (model.headerData(c, Qt::Horizontal).toString() == heading)
            return c;
    }
    return -1;
}

QLabel *makeCountLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QStringLiteral("lblCount"));
    showCopyCount(label, 0);
    return label;
}

void showCopyCount(QLabel *label, qsizetype copies)
{
    label->setText(QStringLiteral("共%1册").arg(copies));
}

void closeForm(QWidget *form)
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(form->parentWidget()))
        sub->close();
    else
        form->close();
}

} // namespace kestra
