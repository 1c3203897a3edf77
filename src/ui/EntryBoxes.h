#pragma once

#include <QLineEdit>

namespace kestra {

// txtInputCode: the box a scanner types into. Enter hands the text over
// (entered), empties the box and keeps the focus in it, whatever the
// handler showed meanwhile, so that the next scan lands here too.
class CodeEntry : public QLineEdit {
    Q_OBJECT
public:
    explicit CodeEntry(QWidget *parent = nullptr, const QString &objectName = QStringLiteral("txtInputCode"));

Q_SIGNALS:
    void entered(const QString &text);

private:
    void takeText();
};

// A class number box (txtInputKind): class numbers are letters, digits and
// the notation's signs, without blanks; letters are upper case, as the call
// numbers in the database hold them. Enter hands over the class number.
class ClassNumberBox : public QLineEdit {
    Q_OBJECT
public:
    explicit ClassNumberBox(QWidget *parent = nullptr, const QString &objectName = QStringLiteral("txtInputKind"));

    QString classNumber() const { return text().trimmed(); }

Q_SIGNALS:
    void entered(const QString &classNumber);
};

} // namespace kestra
