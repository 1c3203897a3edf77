#pragma once

#include "core/Prompter.h"

#include <QPointer>

class QProgressDialog;
class QWidget;

namespace kestra {

// The Prompter with Qt's standard dialogs. Boxes are application-modal and
// parented to the active window.
class QtPrompter final : public Prompter {
public:
    QtPrompter() = default;
    ~QtPrompter() override;
    QtPrompter(const QtPrompter &) = delete;
    QtPrompter &operator=(const QtPrompter &) = delete;

    int showMessage(const MessageBox &box) override;
    QString chooseOpenFile(const QString &caption, const QString &folder, const QString &filter) override;
    QString chooseSaveFile(const QString &caption, const QString &path, const QString &filter) override;
    std::optional<QString> inputText(const QString &caption, const QString &label, const QString &initial) override;
    void beginProgress(const QString &text, int maximum) override;
    bool stepProgress(int value) override;
    void endProgress() override;
    void setBusy(bool busy) override;

private:
    QPointer<QProgressDialog> progress_;
    int busyDepth_ = 0;
};

} // namespace kestra
