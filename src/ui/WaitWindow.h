#pragma once

#include <QDialog>

class QLabel;
class QTimer;

namespace kestra {

// frmWaitMsg: a small window with a blinking text while long work runs.
class WaitWindow : public QDialog {
    Q_OBJECT
public:
    explicit WaitWindow(QWidget *parent = nullptr);
    void setText(const QString &text);

private:
    QLabel *label_;
    QTimer *tmrBlink_;
};

} // namespace kestra
