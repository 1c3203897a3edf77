#include "admin/DemoAssignRules.h"

#include "assign/AssignRules.h"

#include <QFileInfo>

namespace kestra {

namespace {

// Over the demo library's locations: the two reading rooms order, the
// stack keeps a copy of larger titles, reading-room copies lend.
const char16_t kRules[] = u"[SK]\r\n"
                          u"<文学><I><SK><SK,BC><SK,SK,BC>\r\n"
                          u"<社会科学><A-H,K><SK><SK,SK>\r\n"
                          u"<全部><*><SK>\r\n"
                          u"[ZK]\r\n"
                          u"<计算机><TP3,TP5~TP8><ZK><ZK,BC><ZK,ZK,BC>\r\n"
                          u"<全部><*><ZK>\r\n";
const char16_t kStatus[] = u"SK,41,1\r\nZK,41,1\r\nBC,43,0\r\nXS,43,0\r\n";

bool writeRuleIfMissing(const QString &path, const char16_t *text, const CodePage &cp, QString *error)
{
    return QFileInfo::exists(path) || writeSettingsText(path, QString::fromUtf16(text), cp, error);
}

} // namespace

bool writeDemoAssignRules(const InstallFolders &folders, const CodePage &cp, QString *error)
{
    return writeRuleIfMissing(ruleFilePath(folders), kRules, cp, error) &&
           writeRuleIfMissing(statusFilePath(folders), kStatus, cp, error);
}

} // namespace kestra
