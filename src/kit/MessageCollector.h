#pragma once

#include "core/Messages.h"

#include <QStringList>

namespace kestra {

class AppContext;

// While it lives, the error, warning and information boxes of the context
// become lines here instead of boxes (an import or a batch run reports them
// once, in its summary); questions still reach the person. Collectors
// nest: the previous one is put back on destruction.
class MessageCollector final : public MessageSink {
public:
    explicit MessageCollector(AppContext &context);
    ~MessageCollector() override;
    MessageCollector(const MessageCollector &) = delete;
    MessageCollector &operator=(const MessageCollector &) = delete;

    void take(const MessageBox &box) override;

    const QStringList &texts() const { return texts_; }
    // The last text collected since the last clear(); empty when none.
    QString last() const { return texts_.isEmpty() ? QString() : texts_.last(); }
    bool hasError() const { return errors_ > 0; }
    void clear();

private:
    Messages &messages_;
    MessageSink *previous_;
    QStringList texts_;
    int errors_ = 0;
};

} // namespace kestra
