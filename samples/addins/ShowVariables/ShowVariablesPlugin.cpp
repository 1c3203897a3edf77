#include "ShowVariablesPlugin.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

ShowVariablesPlugin::~ShowVariablesPlugin()
{
    delete window_;
}

bool ShowVariablesPlugin::invoke(const QString &method, const QList<kestra::AddinArgument> &arguments, QString *error)
{
    if (method.compare(QLatin1String("ShowVariables"), Qt::CaseInsensitive) != 0) {
        *error = QStringLiteral("没有这个方法：") + method;
        return false;
    }
    delete window_;
    window_ = new QWidget;
    window_->setAttribute(Qt::WA_DeleteOnClose);
    window_->setObjectName(QStringLiteral("frmShowVariables"));
    window_->setWindowTitle(QStringLiteral("插件变量"));
    auto *table = new QTableWidget(static_cast<int>(arguments.size()), 2, window_);
    table->setObjectName(QStringLiteral("spdVariables"));
    table->setHorizontalHeaderLabels({QStringLiteral("参数"), QStringLiteral("值")});
    table->horizontalHeader()->setStretchLastSection(true);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int row = 0; row < arguments.size(); ++row) {
        const kestra::AddinArgument &a = arguments.at(row);
        QString value;
        if (kestra::addinArgumentIsSecret(a)) {
            value = QStringLiteral("******");
        } else if (auto *object = a.value.value<QObject *>()) {
            value = QString::fromLatin1(object->metaObject()->className()) + QStringLiteral(" ") + object->objectName();
        } else {
            value = a.value.toString();
        }
        table->setItem(row, 0, new QTableWidgetItem(a.written));
        table->setItem(row, 1, new QTableWidgetItem(value));
    }
    auto *layout = new QVBoxLayout(window_);
    layout->addWidget(table);
    window_->resize(520, 260);
    window_->show();
    return true;
}
