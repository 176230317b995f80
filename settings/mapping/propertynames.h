#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

namespace lorvane {

// The ordered list of stored-property paths of one window, such as
// "<P>.Height" or "gbOption.cbHTML.<P>.Checked". While Root is set and not
// being loaded, every entry resolves against it.
class TPropertyNamesEh
{
public:
    QObject *Root() const { return m_root; }
    // Stores the window, then drops the entries that do not resolve.
    void setRoot(QObject *root);
    // While the root is being built its entries are taken unchecked.
    bool RootLoading() const { return m_rootLoading; }
    void setRootLoading(bool loading) { m_rootLoading = loading; }

    // Inserts the path in order; the index of the new entry, or -1 when an
    // equal entry is present or the path does not resolve. Throws Error for
    // a path with an empty component element.
    int Add(const QString &path);
    // Copies the entries of another list (they are added one by one).
    void Assign(const QStringList &paths);
    void Clear() { m_entries.clear(); }

    int count() const { return int(m_entries.size()); }
    const QString &at(int index) const { return m_entries.at(index); }
    const QStringList &strings() const { return m_entries; }

    // Negative, zero or positive: the window's own properties first, then
    // components by name, each ahead of the paths into its children.
    static int CompareStrings(const QString &s1, const QString &s2);
    // Whether the path resolves against the root.
    static bool IsValidPath(QObject *root, const QString &path);

private:
    bool Checking() const { return m_root && !m_rootLoading; }

    QPointer<QObject> m_root;
    bool m_rootLoading = false;
    QStringList m_entries;
};

} // namespace lorvane
