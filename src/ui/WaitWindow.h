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

// The wait window over a form while one piece of long work runs: shown and
// painted when made, gone when it goes out of scope.
class WaitText {
public:
    WaitText(QWidget *parent, const QString &text);
    ~WaitText();
    WaitText(const WaitText &) = delete;
    WaitText &operator=(const WaitText &) = delete;

private:
    WaitWindow *window_;
};

} // namespace kestra
