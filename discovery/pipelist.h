#pragma once

#include <QString>
#include <QStringView>

namespace lorvane {

// A bar list is a text such as "|tmp|old|": every item is followed by a "|",
// the leading "|" counting as the first bar.
bool IsPipeList(QStringView text);

// Item `index` (counted from 1) of a bar list; the empty text when the text is
// not a bar list or has no such item.
QString PipeListItem(QStringView text, int index);

// Whether an exclusion pattern catches an entry name: a bar list catches names
// that contain one of its items up to the first empty item, any other pattern
// catches names that contain it. Letter case matters; the empty pattern
// catches nothing.
bool NameMatches(QStringView name, QStringView pattern);

} // namespace lorvane
