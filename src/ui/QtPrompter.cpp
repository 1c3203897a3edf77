#include "ui/QtPrompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QProgressDialog>

namespace kestra {

namespace {

QMessageBox::Icon iconFor(MessageStyle::Icon icon)
{
    switch (icon) {
    case MessageStyle::Icon::Critical:
        return QMessageBox::Critical;
    case MessageStyle::Icon::Information:
        return QMessageBox::Information;
    case MessageStyle::Icon::Exclamation:
        return QMessageBox::Warning;
    case MessageStyle::Icon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::Critical;
}

} // namespace

QtPrompter::~QtPrompter()
{
    delete progress_;
}

int QtPrompter::showMessage(const MessageBox &box)
{
    if (box.style.beep)
        QApplication::beep();
    QMessageBox dialog(iconFor(box.style.icon), box.title, box.text, QMessageBox::NoButton,
                       QApplication::activeWindow());
    dialog.setObjectName(QStringLiteral("msgBox"));
    // Messages carry database texts and SQL ("a<b"); never read them as HTML.
    dialog.setTextFormat(Qt::PlainText);
    dialog.setWindowModality(Qt::ApplicationModal);
    const bool threeWay = box.style.buttons == MessageStyle::Buttons::YesNoCancel;
    QPushButton *ok =
        dialog.addButton(threeWay ? QStringLiteral("是") : QStringLiteral("确定"), QMessageBox::AcceptRole);
    QPushButton *no = threeWay ? dialog.addButton(QStringLiteral("否"), QMessageBox::DestructiveRole) : nullptr;
    QPushButton *cancel = nullptr;
    if (box.style.buttons != MessageStyle::Buttons::Ok)
        cancel = dialog.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    dialog.setDefaultButton(box.style.defaultButton == MessageStyle::Default::Cancel && cancel != nullptr ? cancel
                                                                                                          : ok);
    dialog.setEscapeButton(cancel != nullptr ? cancel : ok);
    // The busy pointer would otherwise stay over the box.
    const bool wasBusy = busyDepth_ > 0;
    if (wasBusy)
        QApplication::restoreOverrideCursor();
    dialog.exec();
    if (wasBusy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    if (dialog.clickedButton() == ok)
        return threeWay ? AnswerYes : AnswerOk;
    if (no != nullptr && dialog.clickedButton() == no)
        return AnswerNo;
    return AnswerCancel;
}

QString QtPrompter::chooseOpenFile(const QString &caption, const QString &folder, const QString &filter)
{
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), caption, folder, filter);
}

QString QtPrompter::chooseSaveFile(const QString &caption, const QString &path, const QString &filter)
{
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), caption, path, filter);
}

std::optional<QString> QtPrompter::inputText(const QString &caption, const QString &label, const QString &initial)
{
    bool ok = false;
    const QString text =
        QInputDialog::getText(QApplication::activeWindow(), caption, label, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

void QtPrompter::beginProgress(const QString &text, int maximum)
{
    delete progress_;
    progress_ = new QProgressDialog(text, QStringLiteral("停止"), 0, maximum, QApplication::activeWindow());
    progress_->setObjectName(QStringLiteral("prgProgress"));
    progress_->setWindowModality(Qt::ApplicationModal);
    progress_->setMinimumDuration(300);
    progress_->setValue(0);
}

bool QtPrompter::stepProgress(int value)
{
    if (progress_ == nullptr)
        return true;
    progress_->setValue(value);
    return !progress_->wasCanceled();
}

void QtPrompter::endProgress()
{
    delete progress_;
}

void QtPrompter::setBusy(bool busy)
{
    if (busy) {
        if (busyDepth_++ == 0)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (busyDepth_ > 0) {
        if (--busyDepth_ == 0)
            QApplication::restoreOverrideCursor();
    }
}

} // namespace kestra
