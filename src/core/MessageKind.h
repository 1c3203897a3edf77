#pragma once

#include <QChar>
#include <QString>

namespace kestra {

// How a message of each kind is shown. The kind is the first letter of the
// message or of its code.
struct MessageStyle {
    enum class Buttons { Ok, OkCancel, YesNoCancel };
    enum class Icon { Critical, Information, Exclamation, Question };
    enum class Default { Ok, Cancel };

    bool beep = false;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::Critical;
    Default defaultButton = Default::Ok;
};

// E error, I information, W warning, Q question (Cancel is the default),
// S question with OK as the default, Y question with Yes, No and Cancel
// (Yes the default: "save the changes before closing?"); any other letter
// shows as an error without a beep.
MessageStyle messageStyle(QChar kind);

// One box to show: kind letter, the text, the title (system parameter 1).
struct MessageBox {
    QChar kind;
    QString title;
    QString text;
    MessageStyle style;
};

// Answers of a box. Only a Y box answers Yes or No, so that every caller
// of the two-button boxes keeps comparing with AnswerOk.
constexpr int AnswerOk = 1;
constexpr int AnswerCancel = 2;
constexpr int AnswerYes = 6;
constexpr int AnswerNo = 7;

} // namespace kestra
