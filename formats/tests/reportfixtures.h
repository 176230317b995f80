#pragma once

// Reports built by the real builder from headers written to a folder, for
// the renderers' tests.

#include "core/changereport.h"
#include "core/filename.h"
#include "core/tests/pricing_header.h"
#include "formats/reportdocument.h"
#include "testsupport/testfiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace lorvane::test {

inline const QDate kJan1(2019, 1, 1);
inline const QDate kMar31(2019, 3, 31);

// A header whose change list is the given lines, all in the window.
inline QString headerWith(const QStringList &description, const QStringList &changes)
{
    QStringList lines{"{==========", "  Name.pas", "", ""};
    lines += description;
    lines += {"", "  Изменения:", "  ----------"};
    lines += changes;
    lines += {"==========", "Copyright © 2019", "  CVS: $Id: x $"};
    return lines.join("\r\n") + "\r\n";
}

class ReportFixture
{
public:
    // The temporary folder cannot remove names that are not UTF-8 itself.
    ~ReportFixture()
    {
        for (const QString &path : m_paths)
            ::unlink(FileNameToBytes(path).constData());
    }

    // Writes each text as the file of that name, in a folder of its own.
    QStringList write(const QList<std::pair<QString, QString>> &files)
    {
        QStringList paths;
        for (const auto &[name, text] : files) {
            const QString folder = m_dir.filePath(QString::number(m_count++));
            QDir().mkpath(folder);
            paths << folder + "/" + name;
            // By its bytes, so that names that are not UTF-8 can be made.
            const QByteArray bytes = encode(text, Encoding::Utf8Bom);
            const int fd = ::open(FileNameToBytes(paths.last()).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0 || ::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size() || ::close(fd) != 0)
                throw std::runtime_error("cannot write test file");
        }
        m_paths += paths;
        return paths;
    }

    ReportDocument build(const QStringList &paths, ReportOptions options = {false, true, false})
    {
        ReportDocument document{ReportKind::Report, kJan1, kMar31, paths, {}};
        SilentProgress progress;
        QStringList text;
        document.kind = BuildChangeReport(paths, kJan1, kMar31, options, progress, text, &document.content);
        return document;
    }

    ReportDocument pricing(const QString &from = {}, const QString &to = {},
                           ReportOptions options = {false, true, false})
    {
        QString text = QString::fromUtf8(kPricingHeader);
        if (!from.isEmpty())
            text.replace(from, to);
        return build(write({{"Pricing.pas", text}}), options);
    }

private:
    QTemporaryDir m_dir;
    int m_count = 0;
    QStringList m_paths;
};

} // namespace lorvane::test
