#include "core/MessageKind.h"

namespace kestra {

MessageStyle messageStyle(QChar kind)
{
    using B = MessageStyle::Buttons;
    using I = MessageStyle::Icon;
    using D = MessageStyle::Default;
    switch (kind.unicode()) {
    case u'E':
        return {true, B::Ok, I::Critical, D::Ok};
    case u'I':
        return {false, B::Ok, I::Information, D::Ok};
    case u'W':
        return {true, B::OkCancel, I::Exclamation, D::Cancel};
    case u'Q':
        return {true, B::OkCancel, I::Question, D::Cancel};
    case u'S':
        return {true, B::OkCancel, I::Question, D::Ok};
    case u'Y':
        return {true, B::YesNoCancel, I::Question, D::Ok};
    default:
        return {false, B::Ok, I::Critical, D::Ok};
    }
}

} // namespace kestra
