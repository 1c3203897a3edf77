#pragma once

#include "db/procs/ProcHost.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestra {

// Rows read on one thread and taken on another: each row is copied out of
// the backend's view into a block, and full blocks go to a thread of their
// own that hands their rows to the consumer. While the database reads the
// next rows, the consumer works on the last ones: on two cores a long read
// costs about the longer of the two, not their sum.
class RowPipeline {
public:
    explicit RowPipeline(RowSink consumer);
    ~RowPipeline();
    RowPipeline(const RowPipeline &) = delete;
    RowPipeline &operator=(const RowPipeline &) = delete;

    // Copies the row; false once the consumer has stopped (nothing more is
    // taken then).
    bool push(const RowView &row);
    // Hands over the last rows and waits for the consumer: false when it
    // stopped before the end.
    bool finish();

    // Rows copied out of views, read back as views.
    class Block {
    public:
        void add(const RowView &row);
        qsizetype rows() const { return width_ == 0 ? 0 : qsizetype(cells_.size()) / width_; }
        void clear();

    private:
        friend class BlockRow;
        struct Cell {
            RowView::Type type = RowView::Null;
            qint64 integer = 0;
            double real = 0;
            std::size_t at = 0;
            std::size_t size = 0;
        };
        int width_ = 0;
        std::vector<Cell> cells_;
        std::string bytes_;
    };

private:
    void run();
    bool handOver();

    RowSink consumer_;
    Block filling_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Block> full_;   // waiting for the consumer
    std::vector<Block> spare_; // taken, to be filled again
    bool closed_ = false;      // no more blocks come
    bool stopped_ = false;     // the consumer said stop
    std::thread thread_;
};

} // namespace kestra
