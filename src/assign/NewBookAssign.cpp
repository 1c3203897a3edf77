// The new-book window's titles and copies: the list of a handover batch,
// the walk from title to title, the grid's editing rules and the automatic
// fills. The save, the undo and the search are in NewBookSave.cpp.

#include "assign/NewBookAssign.h"

#include "assign/AssignSettings.h"
#include "assign/AutoAssign.h"
#include "assign/TitleAttachment.h"
#include "copies/ChangeNotice.h"
#include "copies/ItemCodes.h"
#include "core/AppContext.h"
#include "core/CodeTables.h"
#include "core/MessageKind.h"
#include "core/Messages.h"
#include "core/Preferences.h"
#include "core/Session.h"
#include "core/SysParams.h"
#include "kit/CellText.h"

#include <QSet>

namespace kestra {

namespace {

QString assignYesText(bool on)
{
    return on ? QStringLiteral("可借") : QString();
}

QList<Column<AssignTitle>> assignTitleColumns()
{
    using T = AssignTitle;
    return {
        {QStringLiteral("索书号"), [](const T &t) { return t.callNo; }},
        {QStringLiteral("题名"), [](const T &t) { return t.title; }},
        {QStringLiteral("责任者"), [](const T &t) { return t.author; }},
        {QStringLiteral("ISBN"), [](const T &t) { return t.isbn; }},
        {QStringLiteral("出版者"), [](const T &t) { return t.publisher; }},
        {QStringLiteral("出版年"), [](const T &t) { return t.year; }},
        {QStringLiteral("分配"), [](const T &t) { return t.storeFlag == u"1" ? QStringLiteral("完") : QString(); }},
        {QStringLiteral("提示"), [](const T &t) { return t.mark; }},
    };
}

constexpr char16_t kLockedRowMessage[] = u"I该书处于不可修改状态，请在书刊特别状态处理模块中处理！";
constexpr char16_t kLockedTitleMessage[] = u"I有书处于不可修改状态，请在书刊特别状态处理模块中处理该书！";
constexpr char16_t kNoRightMessage[] = u"W该种书包含不可处理馆藏地，无法操作。";

} // namespace

const QList<CodeChoice> &assignStatuses()
{
    static const QList<CodeChoice> statuses = [] {
        QList<CodeChoice> out;
        for (const char *code : {"41", "42", "43", "44", "45", "46"})
            out.append({QLatin1String(code), item_status::name(QLatin1String(code))});
        return out;
    }();
    return statuses;
}

void showAssignMessage(AppContext &context, const QString &message)
{
    if (!message.startsWith(u'W')) {
        context.showMsg(message);
        return;
    }
    MessageStyle style = messageStyle(u'W');
    style.buttons = MessageStyle::Buttons::Ok;
    style.defaultButton = MessageStyle::Default::Ok;
    context.messages().show(MessageBox{u'W', context.messages().title(), message.mid(1), style});
}

bool lockedForAssignment(const QString &status)
{
    // Repair, damaged, weeded, given, exchanged, lost, paid for, at the
    // binder's, declared lost: told by the code, as AutoAssign tells them.
    static const QStringList locked = {QStringLiteral("33"), QStringLiteral("34"), QStringLiteral("35"),
                                       QStringLiteral("36"), QStringLiteral("37"), QStringLiteral("38"),
                                       QStringLiteral("39"), QStringLiteral("3A"), QStringLiteral("3B")};
    return locked.contains(status.trimmed().toUpper());
}

QString nextBarCode(const QString &seed, int k)
{
    qsizetype digits = 0;
    while (digits < seed.size() && seed.at(seed.size() - 1 - digits).isDigit() &&
           seed.at(seed.size() - 1 - digits).unicode() < 128)
        ++digits;
    // Eighteen digits still add without overflow.
    if (digits > 18)
        return {};
    const QString prefix = seed.left(seed.size() - digits);
    const qulonglong number = digits == 0 ? 0 : seed.right(digits).toULongLong();
    return prefix + QStringLiteral("%1").arg(number + qulonglong(k), int(digits), 10, QLatin1Char('0'));
}

NewBookAssign::NewBookAssign(AppContext &context, QObject *parent)
    : QObject(parent), context_(context), titles_(assignTitleColumns(), false), copies_(copyColumns(), false)
{
    connect(&ChangeNotice::of(context_), &ChangeNotice::copiesChanged, this, [this]() {
        if (!writing_)
            followCommits();
    });
}

void NewBookAssign::followCommits()
{
    if (mode_ != Mode::Batch || titles_.isEmpty())
        return;
    const QString b = sqlQuote(batch_);
    QueryResult r;
    if (context_.db().query(QStringLiteral("SELECT DISTINCT transfer_doc.marc_rec_no,transfer_doc.store_flag "
                                           " FROM transfer_doc,indi_acct  WHERE transfer_doc.move_batch=") +
                                b +
                                QStringLiteral(" AND transfer_doc.marc_rec_no=indi_acct.marc_rec_no "
                                               " AND transfer_doc.move_batch=indi_acct.move_batch "
                                               " AND transfer_doc.chk_batch_no=indi_acct.chk_batch_no"),
                            r) < 0)
        return;
    for (int i = 0; i < titles_.count(); ++i) {
        const int at = r.findRow(0, titles_.at(i).marcRecNo);
        if (at >= 0 && r.text(at, 1) != titles_.at(i).storeFlag) {
            AssignTitle t = titles_.at(i);
            t.storeFlag = r.text(at, 1);
            titles_.replace(i, t);
        }
    }
    if (!dirty_)
        reloadCopies();
}

bool NewBookAssign::mayProcess(const QString &location) const
{
    return !context_.params().isOn(47) || context_.codes().currentLocations().findRow(0, location) >= 0;
}

void NewBookAssign::setDirty(bool on)
{
    if (dirty_ == on)
        return;
    dirty_ = on;
    Q_EMIT stateChanged();
}

QList<Column<AssignRow>> NewBookAssign::copyColumns()
{
    using R = AssignRow;
    QList<CodeChoice> locations;
    const QueryResult &all = context_.allLocations();
    for (int i = 0; i < all.rowCount(); ++i)
        locations.append({all.text(i, 0), all.text(i, 1)});
    // Every setter refuses a copy in a special state, takes the value, and
    // marks the title changed.
    auto guarded = [this](std::function<QString(R &, const QString &)> apply) {
        return [this, apply](R &r, const QString &value) -> QString {
            if (lockedForAssignment(r.status))
                return QString::fromUtf16(kLockedRowMessage);
            const QString refused = apply(r, value);
            if (refused.isEmpty())
                setDirty(true);
            return refused;
        };
    };
    Column<R> bar{QStringLiteral("条码号"), [](const R &r) { return r.barCode; }};
    bar.editor = CellEditor::Text;
    bar.set = guarded([](R &r, const QString &v) {
        r.barCode = v.trimmed().toUpper();
        return QString();
    });
    Column<R> location{QStringLiteral("馆藏地"),
                       [this](const R &r) { return cell::location(context_, r.disLocation); }};
    location.editor = CellEditor::Code;
    location.codes = locations;
    location.value = [](const R &r) { return r.disLocation; };
    location.set = guarded([this](R &r, const QString &v) {
        if (!mayProcess(v))
            return QStringLiteral("E没有该馆藏地的操作权限或者该馆藏地不在自选的业务馆藏地中。");
        r.disLocation = v;
        return QString();
    });
    Column<R> status{QStringLiteral("书刊状态"), [](const R &r) { return cell::status(r.status); }};
    status.editor = CellEditor::Code;
    status.codes = assignStatuses();
    status.value = [](const R &r) { return r.status; };
    status.set = guarded([](R &r, const QString &v) {
        r.status = v;
        return QString();
    });
    Column<R> release{QStringLiteral("送交流通"), [](const R &r) { return assignYesText(r.release); }};
    release.editor = CellEditor::Check;
    release.value = [](const R &r) { return r.release ? QStringLiteral("1") : QStringLiteral("0"); };
    release.set = guarded([](R &r, const QString &v) {
        r.release = v == u"1";
        return QString();
    });
    Column<R> remark{QStringLiteral("备注"), [](const R &r) { return r.remark; }};
    remark.editor = CellEditor::Text;
    remark.set = guarded([](R &r, const QString &v) {
        r.remark = v;
        return QString();
    });
    return {
        {QStringLiteral("财产号"), [](const R &r) { return r.propNo; }},
        bar,
        {QStringLiteral("索书号"), [](const R &r) { return r.callNo; }},
        {QStringLiteral("订户"), [this](const R &r) { return cell::location(context_, r.subscriber); }},
        location,
        status,
        release,
        {QStringLiteral("价格"),
         [](const R &r) { return r.price.isEmpty() ? QString() : cell::price(r.price.toDouble()); }, true},
        {QStringLiteral("年-卷期"),
         [](const R &r) {
             return r.year.isEmpty() || r.volPeri.isEmpty() ? QString(r.year + r.volPeri)
                                                            : QString(r.year + u'-' + r.volPeri);
         }},
        {QStringLiteral("交接批次"), [](const R &r) { return r.moveBatch; }},
        {QStringLiteral("流通次数"), [](const R &r) { return QString::number(r.circulated); }, true},
        remark,
    };
}

void NewBookAssign::setTitles(QList<AssignTitle> titles, Mode mode, const QString &batch)
{
    mode_ = mode;
    batch_ = batch;
    showAll_ = false;
    titles_.reset(std::move(titles));
    position_ = -1;
    dirty_ = false;
    copies_.reset();
    if (!titles_.isEmpty())
        show(0);
    Q_EMIT stateChanged();
}

int NewBookAssign::loadBatch(const QString &moveBatch)
{
    if (moveBatch.isEmpty())
        return 0;
    if (dirty_ && context_.showMsg(QStringLiteral("QDC017")) != AnswerOk)
        return 0;
    const QString b = sqlQuote(moveBatch);
    QueryResult r;
    if (context_.db().query(
            QStringLiteral(
                "SELECT transfer_doc.marc_rec_no,transfer_doc.store_flag,marc.marc_use_flag,marc.doc_type_code, "
                "marc.m_call_no,marc.m_title,marc.m_author,marc.m_isbn,marc.m_publisher,marc.m_pub_year "
                " FROM transfer_doc,indi_acct,marc  WHERE transfer_doc.move_batch=") +
                b +
                QStringLiteral(" AND transfer_doc.marc_rec_no=indi_acct.marc_rec_no "
                               " AND transfer_doc.move_batch=indi_acct.move_batch "
                               " AND transfer_doc.chk_batch_no=indi_acct.chk_batch_no "
                               " AND transfer_doc.marc_rec_no=marc.marc_rec_no  ORDER BY indi_acct.prop_no"),
            r) < 0) {
        context_.db().showDbError();
        return -1;
    }
    // One row per copy: each title once, where its lowest accession number is.
    QList<AssignTitle> titles;
    QSet<QString> seen;
    for (int i = 0; i < r.rowCount(); ++i) {
        const QString no = r.text(i, 0);
        if (seen.contains(no))
            continue;
        seen.insert(no);
        titles.append({no,
                       r.text(i, 1),
                       r.text(i, 2),
                       r.text(i, 4),
                       r.text(i, 5),
                       r.text(i, 6),
                       r.text(i, 7),
                       r.text(i, 8),
                       r.text(i, 9),
                       {}});
    }
    setTitles(std::move(titles), Mode::Batch, moveBatch);
    return 1;
}

QString NewBookAssign::caption() const
{
    const QString n = QString::number(titles_.count());
    switch (mode_) {
    case Mode::Batch:
        return QStringLiteral("新书分配-交接批次:") + batch_ + QStringLiteral(" 书目种数:") + n;
    case Mode::Search:
        return QStringLiteral("新书分配-条件查询: 书目种数:") + n;
    case Mode::None:
        break;
    }
    return QStringLiteral("新书分配");
}

QString NewBookAssign::statusLine() const
{
    const QString n = QString::number(titles_.count());
    switch (mode_) {
    case Mode::Batch:
        return QStringLiteral("[交接批次]:") + batch_ + QStringLiteral(" [书目种数]:") + n;
    case Mode::Search:
        return QStringLiteral("[条件查询]: [书目种数]:") + n;
    case Mode::None:
        break;
    }
    return QStringLiteral("[必须先选择一个交接批次或查询一批图书]");
}

const AssignTitle *NewBookAssign::currentTitle() const
{
    return position_ >= 0 && position_ < titles_.count() ? &titles_.at(position_) : nullptr;
}

bool NewBookAssign::show(int position)
{
    if (position < 0 || position >= titles_.count())
        return false;
    if (position == position_)
        return true;
    // Cancel stays; any other answer drops the changes.
    if (dirty_ && context_.showMsg(QStringLiteral("QDC017")) == AnswerCancel)
        return false;
    position_ = position;
    dirty_ = false;
    loadCopies();
    Q_EMIT stateChanged();
    return true;
}

int NewBookAssign::reloadCopies()
{
    dirty_ = false;
    const int rc = loadCopies();
    Q_EMIT stateChanged();
    return rc;
}

int NewBookAssign::loadCopies()
{
    const AssignTitle *title = currentTitle();
    if (title == nullptr) {
        copies_.reset();
        return 0;
    }
    const QString no = sqlQuote(title->marcRecNo);
    QString where = QStringLiteral(" WHERE indi_acct.marc_rec_no = ") + no +
                    QStringLiteral(" AND indi_acct.location = location_lst.location");
    if (!showAll_ && mode_ == Mode::Batch)
        where += QStringLiteral(" AND indi_acct.move_batch = ") + sqlQuote(batch_);
    Session &db = context_.db();
    QueryResult r;
    QueryResult items;
    // An outer join would keep copies of an unknown ordering location; the
    // suite's own statement drops them, and so do we, but the item rows
    // are read for every copy of the title.
    if (db.query(QStringLiteral("SELECT DISTINCT indi_acct.prop_no,indi_acct.marc_rec_no,indi_acct.move_batch,"
                                "indi_acct.price,indi_acct.location,indi_acct.call_no,indi_acct.bar_code,"
                                "indi_acct.remark,indi_acct.carrier_code,indi_acct.vol_peri,indi_acct.year,"
                                "indi_acct.book_stat_code,indi_acct.dis_location,indi_acct.attachment,"
                                "indi_acct.asord_no,indi_acct.in_date FROM indi_acct,location_lst") +
                     where + QStringLiteral(" ORDER BY indi_acct.prop_no"),
                 r) < 0 ||
        db.query(QStringLiteral("SELECT prop_no,book_lend_flag,total_circ_times FROM item WHERE marc_rec_no = ") + no +
                     QStringLiteral(" ORDER BY prop_no"),
                 items) < 0) {
        db.showDbError();
        copies_.reset();
        return -1;
    }
    QList<AssignRow> rows;
    for (int i = 0; i < r.rowCount(); ++i) {
        AssignRow row;
        row.propNo = r.text(i, 0);
        row.marcRecNo = r.text(i, 1);
        row.moveBatch = r.text(i, 2);
        row.price = r.text(i, 3);
        row.subscriber = r.text(i, 4);
        row.callNo = r.text(i, 5);
        row.barCode = r.text(i, 6);
        row.remark = r.text(i, 7);
        row.carrier = r.text(i, 8);
        row.volPeri = r.text(i, 9);
        row.year = r.text(i, 10);
        row.status = r.text(i, 11);
        row.disLocation = r.text(i, 12);
        row.attachment = r.text(i, 13);
        row.asordNo = r.text(i, 14);
        row.inDate = r.text(i, 15);
        const int item = items.findRow(0, row.propNo);
        row.release = item >= 0;
        row.circulated = item >= 0 ? items.text(item, 2).toInt() : 0;
        row.seenBarCode = row.barCode;
        row.seenStatus = row.status;
        row.seenDisLocation = row.disLocation;
        row.seenRelease = row.release;
        rows.append(row);
    }
    copies_.reset(std::move(rows));
    return 1;
}

bool NewBookAssign::mayEdit() const
{
    const AssignTitle *title = currentTitle();
    return title != nullptr && title->useFlag.startsWith(u'3') && !copies_.isEmpty() && !showAll_;
}

// The refusal of a fill over the whole title: a copy in a special state
// (when lockedToo), a copy at a location the operator may not process.
QString NewBookAssign::quietRefusal(bool lockedToo) const
{
    if (lockedToo) {
        for (const AssignRow &row : copies_.rows()) {
            if (lockedForAssignment(row.status))
                return QString::fromUtf16(kLockedTitleMessage);
        }
    }
    for (const AssignRow &row : copies_.rows()) {
        if (!mayProcess(row.disLocation))
            return QString::fromUtf16(kNoRightMessage);
    }
    return {};
}

int NewBookAssign::autoBarcode()
{
    if (!mayEdit())
        return 0;
    if (const QString refused = quietRefusal(false); !refused.isEmpty()) {
        showAssignMessage(context_, refused);
        return 0;
    }
    const QList<AssignRow> &rows = copies_.rows();
    int seedRow = -1;
    for (int i = 0; i < rows.size() && seedRow < 0; ++i) {
        if (!rows.at(i).barCode.trimmed().isEmpty())
            seedRow = i;
    }
    // Numbering needs a first bar code to count from.
    if (seedRow < 0) {
        context_.showMsg(QStringLiteral("I请先为第一册书输入条码号，再自动分配条码。"));
        return 0;
    }
    if (context_.showMsg(QStringLiteral("Q已经存在条码，是否重新分配？")) != AnswerOk)
        return 0;
    const QString seed = rows.at(seedRow).barCode.trimmed();
    int k = 0;
    QList<AssignRow> changed = rows;
    for (int i = 0; i < changed.size(); ++i) {
        if (i == seedRow || !changed.at(i).release || lockedForAssignment(changed.at(i).status))
            continue;
        const QString code = nextBarCode(seed, ++k);
        if (code.isEmpty()) {
            showAssignMessage(context_, QStringLiteral("W条码号的数字部分过长，无法自动分配。"));
            return 0;
        }
        changed[i].barCode = code;
    }
    for (int i = 0; i < changed.size(); ++i)
        copies_.replace(i, changed.at(i));
    setDirty(true);
    return 1;
}

int NewBookAssign::allCirculate()
{
    if (!mayEdit())
        return 0;
    if (const QString refused = quietRefusal(true); !refused.isEmpty()) {
        showAssignMessage(context_, refused);
        return 0;
    }
    for (int i = 0; i < copies_.count(); ++i) {
        AssignRow row = copies_.at(i);
        row.status = QStringLiteral("41");
        row.release = true;
        copies_.replace(i, row);
    }
    setDirty(true);
    return 1;
}

int NewBookAssign::attachment()
{
    const AssignTitle *title = currentTitle();
    if (title == nullptr || !mayEdit())
        return 0;
    if (const QString refused = quietRefusal(false); !refused.isEmpty()) {
        showAssignMessage(context_, refused);
        return 0;
    }
    return editAttachmentNote(context_, title->marcRecNo);
}

int NewBookAssign::autoAssign()
{
    if (!mayEdit())
        return 0;
    QList<AssignCopy> copies;
    for (const AssignRow &row : copies_.rows())
        copies.append(
            {row.subscriber, row.callNo, row.disLocation, row.status, item_status::name(row.status), row.release});
    const AutoAssignTables tables{assignRules(context_), context_.codes().settings().initialStatus,
                                  callNumberSeparator(context_),
                                  [this](const QString &location) { return mayProcess(location); }};
    if (const QString refused = kestra::autoAssign(copies, tables); !refused.isEmpty()) {
        showAssignMessage(context_, refused);
        return 0;
    }
    // A rule file is typed by hand: a location it names that the library
    // does not have, or that the operator may not work with, would be
    // saved as the copy's place. The title is left as it was.
    for (qsizetype i = 0; i < copies.size(); ++i) {
        const QString &target = copies.at(i).location;
        if (target == copies_.at(int(i)).disLocation)
            continue;
        if (context_.locationName(target).isEmpty()) {
            showAssignMessage(context_,
                              QStringLiteral("E自动分配规则中的馆藏地代码“%1”不存在，请修改分配规则。").arg(target));
            return 0;
        }
        if (!mayProcess(target)) {
            showAssignMessage(context_, QString::fromUtf16(kNoRightMessage));
            return 0;
        }
    }
    for (int i = 0; i < copies_.count(); ++i) {
        AssignRow row = copies_.at(i);
        row.disLocation = copies.at(i).location;
        row.status = copies.at(i).status;
        row.release = copies.at(i).release;
        copies_.replace(i, row);
    }
    setDirty(true);
    return 1;
}

bool NewBookAssign::mayClose()
{
    if (!dirty_)
        return true;
    MessageBox box{u'Y', QStringLiteral("新书分配"), QStringLiteral("是否保存当前信息?"), messageStyle(u'Y')};
    switch (context_.messages().show(box)) {
    case AnswerYes:
        if (save() != 1)
            return false;
        context_.showMsg(QStringLiteral("ICM002"));
        return true;
    case AnswerNo:
        return true;
    default:
        return false;
    }
}

bool NewBookAssign::batchWorkAllowed()
{
    if (mode_ == Mode::Batch)
        return true;
    showAssignMessage(context_, QStringLiteral("W条件查询模式下不能使用批量分配功能"));
    return false;
}

bool NewBookAssign::runStep(Fill fill)
{
    if (mode_ != Mode::Batch || currentTitle() == nullptr)
        return false;
    // A title that may not be edited (not catalogued) is passed over.
    if (mayEdit()) {
        const int filled = fill == Fill::AutoAssign ? autoAssign() : allCirculate();
        if (filled != 1 || save() != 1)
            return false;
    }
    if (position_ + 1 >= titles_.count())
        return false;
    return show(position_ + 1);
}

} // namespace kestra
