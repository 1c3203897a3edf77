#include "ui/CodeBoxes.h"

#include "core/AppContext.h"
#include "core/Session.h"

namespace kestra {

CodeBox::CodeBox(QWidget *parent) : QComboBox(parent)
{
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
}

void CodeBox::setEntries(const QList<CodeName> &entries, const QString &blankFirst)
{
    const QSignalBlocker block(this);
    clear();
    if (!blankFirst.isNull())
        addItem(blankFirst, QString());
    for (const CodeName &entry : entries)
        addItem(entry.name, entry.code);
}

void CodeBox::setEntries(const QueryResult &table, const QString &blankFirst)
{
    QList<CodeName> entries;
    entries.reserve(table.rowCount());
    for (int r = 0; r < table.rowCount(); ++r)
        entries.append({table.text(r, 0), table.text(r, 1)});
    setEntries(entries, blankFirst);
}

bool CodeBox::setCurrentCode(const QString &code)
{
    const int index = findData(code);
    if (index < 0)
        return false;
    setCurrentIndex(index);
    return true;
}

CodeTableBox::CodeTableBox(AppContext &context, CodeCache table, QWidget *parent, const QString &blankFirst)
    : CodeBox(parent)
{
    setEntries(context.codes().table(table), blankFirst);
}

LocationBox::LocationBox(AppContext &context, const QString &operType, QWidget *parent)
    : CodeBox(parent), context_(context)
{
    if (operType.isEmpty() || reload(operType) < 0)
        setEntries(context_.codes().currentLocations());
    setCurrentCode(context_.session().currentLocation);
}

int LocationBox::reload(const QString &operType)
{
    if (context_.codes().loadLocations(operType) < 0) {
        context_.db().showDbError();
        return -1;
    }
    const QString chosen = currentCode();
    setEntries(context_.codes().currentLocations());
    if (chosen.isEmpty() || !setCurrentCode(chosen))
        setCurrentCode(context_.session().currentLocation);
    return 0;
}

} // namespace kestra
