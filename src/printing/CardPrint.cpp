#include "printing/CardPrint.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "marc/BibStore.h"
#include "marc/MarcCodec.h"
#include "printing/LabelParams.h"

namespace kestra {

CardPrint::CardPrint(AppContext &context) : context_(context) {}

int CardPrint::loadParams()
{
    ComposeFiles files;
    QString problem;
    if (!readComposeParam(context_, files))
        problem = QStringLiteral("找不到卡片参数组成文件BM_ComposeParam");
    else if (loadCardParams(files.cardParams, context_.codePage(), params_) != 0)
        problem = QStringLiteral("不能读取卡片参数文件：") + files.cardParams;
    else if (loadCardLayout(files.cardLayout, context_.codePage(), layouts_) != 0)
        problem = QStringLiteral("不能读取卡片格式文件：") + files.cardLayout;
    if (problem.isEmpty())
        return 0;
    context_.showMsg(u'E' + problem);
    return -1;
}

void CardPrint::setParams(const CardParams &params, const std::array<CardLayout, 2> &layouts)
{
    params_ = params;
    layouts_ = layouts;
}

int CardPrint::setBatch(const QString &moveBatch)
{
    batch_ = moveBatch;
    records_.clear();
    QueryResult rows;
    if (context_.db().query(QStringLiteral(" SELECT marc_rec_no    FROM transfer_doc   WHERE move_batch=") +
                                sqlQuote(moveBatch),
                            rows) < 0) {
        context_.db().showDbError();
        return -1;
    }
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString no = rows.text(r, 0);
        if (!no.isEmpty() && !records_.contains(no))
            records_.append(no);
    }
    return static_cast<int>(records_.size());
}

void CardPrint::setRecord(const QString &marcRecNo)
{
    records_ = {marcRecNo};
}

int CardPrint::compose(QList<CardData> &cards)
{
    cards.clear();
    skipped_ = 0;
    const MarcCodec codec(context_.codePage());
    const QString separator = context_.params().text(20);
    for (const QString &no : records_) {
        const BibRecord record = readBibRecord(context_.db(), no, codec);
        const int type = cardTypeOf(record);
        if (record.isBlank() || type < 0) {
            ++skipped_;
            continue;
        }
        CardRecordInfo info;
        info.typeName = type == 0 ? QStringLiteral("中文") : QStringLiteral("西文");
        info.docTypeName = context_.codes().docTypeName(record.summary.docTypeCode);
        info.separator = separator;
        QueryResult copies;
        QString sql = QStringLiteral("SELECT prop_no FROM indi_acct WHERE marc_rec_no=") + sqlQuote(no);
        if (!batch_.isEmpty())
            sql += QStringLiteral(" AND move_batch=") + sqlQuote(batch_);
        if (context_.db().query(sql + QStringLiteral(" ORDER BY prop_no"), copies) < 0) {
            context_.db().showDbError();
            return -1;
        }
        for (int r = 0; r < copies.rowCount(); ++r)
            info.holdings.append(copies.text(r, 0));
        cards.append(composeCard(record, params_, layouts_[static_cast<std::size_t>(type)], info));
    }
    return static_cast<int>(cards.size());
}

int CardPrint::layout(PageDocument &document)
{
    QList<CardData> cards;
    if (compose(cards) < 0)
        return -1;
    document = layoutCards(cards, params_);
    if (document.pages.isEmpty()) {
        context_.showMsg(QStringLiteral("E没有可以打印的卡片"));
        return -1;
    }
    return 1;
}

} // namespace kestra
