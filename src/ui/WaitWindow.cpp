#include "ui/WaitWindow.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace kestra {

WaitWindow::WaitWindow(QWidget *parent) : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmWaitMsg"));
    label_ = new QLabel(this);
    label_->setObjectName(QStringLiteral("lblMsg"));
    label_->setAlignment(Qt::AlignCenter);
    label_->setMinimumSize(320, 60);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    tmrBlink_ = new QTimer(this);
    tmrBlink_->setObjectName(QStringLiteral("tmrBlink"));
    tmrBlink_->setInterval(500);
    connect(tmrBlink_, &QTimer::timeout, this, [this]() {
        label_->setStyleSheet(label_->styleSheet().isEmpty() ? QStringLiteral("color: transparent") : QString());
    });
    tmrBlink_->start();
}

void WaitWindow::setText(const QString &text)
{
    label_->setText(text);
}

WaitText::WaitText(QWidget *parent, const QString &text) : window_(new WaitWindow(parent))
{
    window_->setText(text);
    window_->show();
    // The work that follows holds the event loop: paint the text first.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

WaitText::~WaitText()
{
    window_->hide();
    window_->deleteLater();
}

} // namespace kestra
