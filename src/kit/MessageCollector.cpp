#include "kit/MessageCollector.h"

#include "core/AppContext.h"

namespace kestra {

MessageCollector::MessageCollector(AppContext &context)
    : messages_(context.messages()), previous_(messages_.setSink(this))
{}

MessageCollector::~MessageCollector()
{
    messages_.setSink(previous_);
}

void MessageCollector::take(const MessageBox &box)
{
    texts_.append(box.text);
    if (box.kind == u'E')
        ++errors_;
}

void MessageCollector::clear()
{
    texts_.clear();
    errors_ = 0;
}

} // namespace kestra
