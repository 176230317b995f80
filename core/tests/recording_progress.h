#pragma once

#include "core/changereport.h"

#include <QStringList>

namespace lorvane::test {

// Progress that keeps its calls, to check their order.
class RecordingProgress : public ReportProgress
{
public:
    void FileStarted(const QString &name) override { events << "start " + name; }
    void FileDone() override { events << "done"; }
    QStringList events;
};

} // namespace lorvane::test
