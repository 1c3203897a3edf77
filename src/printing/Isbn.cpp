#include "printing/Isbn.h"

#include <algorithm>
#include <cstring>

namespace kestra::isbn {

namespace {

// The publisher element's length for the digits after the group, or 0 when
// no range of the group holds them.
int publisherLength(const PublisherRange *begin, const PublisherRange *end, const QString &rest)
{
    for (const PublisherRange *r = begin; r != end; ++r) {
        const qsizetype n = static_cast<qsizetype>(std::strlen(r->first));
        if (rest.size() <= n)
            continue; // a title element must follow
        const QString head = rest.left(n);
        if (head >= QLatin1String(r->first) && head <= QLatin1String(r->last))
            return static_cast<int>(n);
    }
    return 0;
}

// "group-publisher-title" of the digits between prefix and check digit;
// empty when no group or range holds them.
QString splitBody(const QString &prefix, const QString &body)
{
    const std::vector<PublisherRange> &all = publisherRanges();
    const PublisherRange *data = all.data();
    const PublisherRange *const end = data + all.size();
    for (const PublisherRange *r = data; r != end;) {
        // The ranges of one group lie together.
        const PublisherRange *groupEnd = r;
        while (groupEnd != end && std::strcmp(groupEnd->prefix, r->prefix) == 0 &&
               std::strcmp(groupEnd->group, r->group) == 0)
            ++groupEnd;
        const QLatin1String group(r->group);
        if (prefix == QLatin1String(r->prefix) && body.startsWith(group)) {
            const QString rest = body.mid(group.size());
            const int n = publisherLength(r, groupEnd, rest);
            if (n > 0)
                return group + u'-' + rest.left(n) + u'-' + rest.mid(n);
        }
        r = groupEnd;
    }
    return {};
}

} // namespace

QString hyphenate(const QString &isbn)
{
    if (isbn.contains(u'-'))
        return isbn;
    QString digits = isbn;
    digits.remove(u' ');
    digits = digits.toUpper();
    const auto allDigits = [](QStringView t) {
        return std::all_of(t.begin(), t.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    if (digits.size() == 10 && allDigits(QStringView(digits).left(9)) &&
        (digits.at(9) == u'X' || allDigits(QStringView(digits).right(1)))) {
        const QString body = splitBody(QStringLiteral("978"), digits.left(9));
        return body.isEmpty() ? isbn : body + u'-' + digits.right(1);
    }
    if (digits.size() == 13 && allDigits(digits) && (digits.startsWith(u"978") || digits.startsWith(u"979"))) {
        const QString body = splitBody(digits.left(3), digits.mid(3, 9));
        return body.isEmpty() ? isbn : digits.left(3) + u'-' + body + u'-' + digits.right(1);
    }
    return isbn;
}

} // namespace kestra::isbn
