#pragma once

#include <QChar>
#include <QString>

namespace kestra {

// How a message of each kind is shown. The kind is the first letter of the
// message or of its code.
struct MessageStyle {
    enum class Buttons { Ok, OkCancel };
    enum class Icon { Critical, Information, Exclamation, Question };
    enum class Default { Ok, Cancel };

    bool beep = false;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::Critical;
    Default defaultButton = Default::Ok;
};

// E error, I information, W warning, Q question (Cancel is the default),
// S question with OK as the default; any other letter shows as an error
// without a beep.
MessageStyle messageStyle(QChar kind);

// One box to show: kind letter, the text, the title (system parameter 1).
struct MessageBox {
    QChar kind;
    QString title;
    QString text;
    MessageStyle style;
};

// Answers of a box.
constexpr int AnswerOk = 1;
constexpr int AnswerCancel = 2;

} // namespace kestra
