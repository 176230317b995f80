#include "discovery/pipelist.h"

namespace lorvane {

namespace {

constexpr char16_t kBar = u'|';

} // namespace

bool IsPipeList(QStringView text)
{
    return !text.isEmpty() && text.front() == kBar;
}

QString PipeListItem(QStringView text, int index)
{
    if (!IsPipeList(text) || index < 1)
        return {};
    QStringView rest = text.sliced(1);
    QStringView item;
    for (int i = 0; i < index; ++i) {
        const qsizetype bar = rest.indexOf(kBar);
        if (bar < 0)
            return {};
        item = rest.first(bar);
        rest = rest.sliced(bar + 1);
    }
    return item.toString();
}

bool NameMatches(QStringView name, QStringView pattern)
{
    if (!IsPipeList(pattern))
        return !pattern.isEmpty() && name.contains(pattern);
    for (int index = 1;; ++index) {
        const QString item = PipeListItem(pattern, index);
        if (item.isEmpty())
            return false;
        if (name.contains(item))
            return true;
    }
}

} // namespace lorvane
