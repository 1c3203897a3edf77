#include "db/procs/RowPipeline.h"

namespace kestra {

namespace {

constexpr qsizetype BlockRows = 4096;
constexpr std::size_t BlocksAhead = 4; // blocks read ahead of the consumer, at most

} // namespace

// One row of a block.
class BlockRow final : public RowView {
public:
    BlockRow(const RowPipeline::Block &block, qsizetype row) : block_(block), first_(std::size_t(row) * block.width_) {}
    int size() const override { return block_.width_; }
    Type type(int column) const override { return cell(column).type; }
    qint64 integer(int column) const override { return cell(column).integer; }
    double real(int column) const override { return cell(column).real; }
    QByteArrayView text(int column) const override
    {
        const RowPipeline::Block::Cell &c = cell(column);
        return QByteArrayView(block_.bytes_.data() + c.at, qsizetype(c.size));
    }

private:
    const RowPipeline::Block::Cell &cell(int column) const { return block_.cells_[first_ + std::size_t(column)]; }

    const RowPipeline::Block &block_;
    std::size_t first_;
};

void RowPipeline::Block::add(const RowView &row)
{
    width_ = row.size();
    for (int c = 0; c < width_; ++c) {
        Cell cell;
        cell.type = row.type(c);
        switch (cell.type) {
        case RowView::Null:
            break;
        case RowView::Integer:
            cell.integer = row.integer(c);
            break;
        case RowView::Real:
            cell.real = row.real(c);
            break;
        case RowView::Decimal:
        case RowView::Text: {
            const QByteArrayView text = row.text(c);
            cell.at = bytes_.size();
            cell.size = std::size_t(text.size());
            bytes_.append(text.data(), cell.size);
            break;
        }
        }
        cells_.push_back(cell);
    }
}

void RowPipeline::Block::clear()
{
    cells_.clear();
    bytes_.clear();
}

RowPipeline::RowPipeline(RowSink consumer) : consumer_(std::move(consumer)), thread_([this] { run(); }) {}

RowPipeline::~RowPipeline()
{
    finish();
}

bool RowPipeline::push(const RowView &row)
{
    filling_.add(row);
    return filling_.rows() < BlockRows || handOver();
}

bool RowPipeline::handOver()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return full_.size() < BlocksAhead || stopped_; });
    if (stopped_)
        return false;
    full_.push_back(std::move(filling_));
    if (spare_.empty()) {
        filling_ = Block();
    } else {
        filling_ = std::move(spare_.back());
        spare_.pop_back();
    }
    changed_.notify_all();
    return true;
}

bool RowPipeline::finish()
{
    if (!thread_.joinable())
        return !stopped_;
    if (filling_.rows() > 0)
        handOver();
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
    thread_.join();
    return !stopped_;
}

void RowPipeline::run()
{
    for (;;) {
        Block block;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !full_.empty() || closed_; });
            if (full_.empty())
                return;
            block = std::move(full_.front());
            full_.pop_front();
        }
        changed_.notify_all();
        bool going = true;
        for (qsizetype r = 0; r < block.rows() && going; ++r)
            going = consumer_(BlockRow(block, r));
        block.clear();
        const std::lock_guard lock(mutex_);
        spare_.push_back(std::move(block));
        if (!going) {
            stopped_ = true;
            full_.clear();
            changed_.notify_all();
            return;
        }
    }
}

} // namespace kestra
