#pragma once

#include <QApplication>

namespace lorvane {

// The application-wide busy cursor for the lifetime of the object, restored
// also when the work throws.
class BusyCursor
{
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

} // namespace lorvane
