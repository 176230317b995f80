#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace lorvane {

// A file opened for bounded random reads: every read is checked against the
// file's size, so offsets and lengths taken from the file itself can never
// read past its end or allocate more than the file holds.
class BinaryFile
{
public:
    explicit BinaryFile(const QString &path);
    ~BinaryFile();
    BinaryFile(const BinaryFile &) = delete;
    BinaryFile &operator=(const BinaryFile &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    quint64 size() const { return m_size; }

    // The bytes [offset, offset + length), or nothing unless all of them are
    // in the file.
    std::optional<QByteArray> read(quint64 offset, quint64 length) const;

private:
    int m_fd = -1;
    quint64 m_size = 0;
};

} // namespace lorvane
