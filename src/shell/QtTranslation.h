#pragma once

#include <QString>
#include <QStringList>

class QTranslator;

namespace kestra {

// Qt's own texts (the file, print and preview dialogs, the standard
// buttons) in Chinese, as every other text of the client is. Debian ships
// them in qt6-translations-l10n.

// The folders searched for Qt's catalogues, in order: "translations"
// beside the program (a copy shipped with it wins), then Qt's own.
QStringList qtTranslationFolders(const QString &programFolder);

// Loads qtbase_zh_CN.qm from the first folder that holds a readable
// catalogue of that name. The path it was loaded from; empty when no
// folder has one (Qt then speaks English, and the client goes on).
QString loadQtChinese(QTranslator &translator, const QStringList &folders);

} // namespace kestra
