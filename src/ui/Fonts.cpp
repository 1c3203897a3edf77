#include "ui/Fonts.h"

#include <QApplication>
#include <QFont>

namespace kestra {

void installChineseFonts()
{
    const QString sans = QStringLiteral("Noto Sans CJK SC");
    const QString mono = QStringLiteral("Noto Sans Mono CJK SC");
    QFont::insertSubstitutions(QStringLiteral("宋体"), {sans});
    QFont::insertSubstitutions(QStringLiteral("SimSun"), {sans});
    QFont::insertSubstitutions(QStringLiteral("新宋体"), {sans});
    QFont::insertSubstitutions(QStringLiteral("Fixedsys"), {mono, sans});
    QFont font = QApplication::font();
    font.setFamilies({sans, font.family()});
    QApplication::setFont(font);
}

} // namespace kestra
