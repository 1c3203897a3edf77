#include "ui/EntryBoxes.h"

#include <QRegularExpressionValidator>

namespace kestra {

namespace {

constexpr int kCodeLength = 60;
constexpr int kClassLength = 40;

// Upper-cases what is typed; everything else the regular expression decides.
class ClassNumberValidator : public QRegularExpressionValidator {
public:
    explicit ClassNumberValidator(QObject *parent)
        : QRegularExpressionValidator(QRegularExpression(QStringLiteral(R"([A-Za-z0-9.\-/:=+"()\[\]<>#]*)")), parent)
    {}
    void fixup(QString &input) const override { input = input.toUpper(); }
    State validate(QString &input, int &pos) const override
    {
        input = input.toUpper();
        return QRegularExpressionValidator::validate(input, pos);
    }
};

} // namespace

CodeEntry::CodeEntry(QWidget *parent, const QString &objectName) : QLineEdit(parent)
{
    setObjectName(objectName);
    setMaxLength(kCodeLength);
    connect(this, &QLineEdit::returnPressed, this, &CodeEntry::takeText);
}

void CodeEntry::takeText()
{
    const QString text = this->text();
    clear();
    Q_EMIT entered(text);
    // A message box shown by the handler has taken the focus and given it
    // back to whatever was active; the next scan belongs here.
    setFocus(Qt::OtherFocusReason);
}

ClassNumberBox::ClassNumberBox(QWidget *parent, const QString &objectName) : QLineEdit(parent)
{
    setObjectName(objectName);
    setMaxLength(kClassLength);
    setValidator(new ClassNumberValidator(this));
    connect(this, &QLineEdit::returnPressed, this, [this]() { Q_EMIT entered(classNumber()); });
}

} // namespace kestra
