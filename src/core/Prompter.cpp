#include "core/Prompter.h"

#include <cstdio>

namespace kestra {

int SilentPrompter::showMessage(const MessageBox &box)
{
    std::fprintf(stderr, "%s\n", qUtf8Printable(box.text));
    return box.style.buttons == MessageStyle::Buttons::Ok ? AnswerOk : AnswerCancel;
}

} // namespace kestra
