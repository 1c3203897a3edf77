#pragma once

#include "core/PagePrinter.h"

namespace kestra::test {

// A printer that keeps what it was given, for tests that check pages by
// position and text. It answers with `result` (1 printed, 0 cancelled).
class RecordingPrinter final : public PagePrinter {
public:
    struct Job {
        PageDocument document;
        PrintTarget target;
        QString pdfPath;
    };

    int print(const PageDocument &document, PrintTarget target, const QString &pdfPath) override
    {
        jobs.append({document, target, pdfPath});
        return result;
    }

    QList<Job> jobs;
    int result = 1;
};

// The texts of a page in the order they were placed.
inline QStringList pageTexts(const Page &page)
{
    QStringList texts;
    for (const PageText &t : page.texts)
        texts.append(t.text);
    return texts;
}

// The first text of a page that equals `text`; null when none.
inline const PageText *findText(const Page &page, const QString &text)
{
    for (const PageText &t : page.texts) {
        if (t.text == text)
            return &t;
    }
    return nullptr;
}

} // namespace kestra::test
