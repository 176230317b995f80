#include "settings/mapping/propertynames.h"

#include "settings/mapping/collection.h"
#include "core/error.h"
#include "settings/mapping/interceptor.h"
#include "settings/mapping/reflection.h"

#include <QCollator>
#include <QLocale>

namespace lorvane {

namespace {

const QString kOwnProperties = QStringLiteral("<P>");

struct Split
{
    QStringView head;
    QStringView rest;
};

Split SplitFirst(QStringView path)
{
    const qsizetype dot = path.indexOf(u'.');
    if (dot < 0)
        return {path, {}};
    return {path.left(dot), path.mid(dot + 1)};
}

bool IsOwnMarker(QStringView element)
{
    return element.compare(kOwnProperties, Qt::CaseInsensitive) == 0;
}

int CompareElements(QStringView a, QStringView b)
{
    static const QCollator collator = [] {
        QCollator c(QLocale::system());
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator.compare(a, b);
}

// The number of "<ItemN>", or -1 when the element is not one.
int ItemNumber(QStringView element)
{
    if (!element.startsWith(u"<Item") || !element.endsWith(u'>'))
        return -1;
    bool ok = false;
    const int number = element.mid(5, element.size() - 6).toInt(&ok);
    return ok && number >= 0 ? number : -1;
}

bool IsValidPropertyPath(QObject *object, QStringView path)
{
    if (path.isEmpty())
        return false;
    while (true) {
        const auto [element, rest] = SplitFirst(path);
        const bool last = element.size() == path.size();
        if (auto *collection = qobject_cast<TCollection *>(object)) {
            if (element == u"<ForAllItems>")
                return true;
            const int number = ItemNumber(element);
            if (number >= 0) {
                if (number >= collection->Count())
                    return false;
                if (last)
                    return true;
                object = collection->Items(number);
                path = rest;
                continue;
            }
        }
        const QMetaObject *interceptorClass = FindInterceptorClass(object->metaObject());
        const bool onInterceptor =
            interceptorClass && FindPublishedProperty(interceptorClass, element).isValid();
        const QMetaProperty property = FindPublishedProperty(object->metaObject(), element);
        if (last) {
            return onInterceptor || property.isValid()
                || GetDefinedObjectPropertyNames(object).contains(element.toString(), Qt::CaseInsensitive);
        }
        if (onInterceptor || !property.isValid())
            return false;
        object = PropertyObject(object, property);
        if (!object)
            return false;
        path = rest;
    }
}

} // namespace

int TPropertyNamesEh::CompareStrings(const QString &s1, const QString &s2)
{
    QStringView a = s1;
    QStringView b = s2;
    while (true) {
        if (a.isEmpty() || b.isEmpty())
            return a.isEmpty() ? (b.isEmpty() ? 0 : -1) : 1;
        const Split sa = SplitFirst(a);
        const Split sb = SplitFirst(b);
        const bool ownA = IsOwnMarker(sa.head);
        const bool ownB = IsOwnMarker(sb.head);
        if (ownA != ownB)
            return ownA ? -1 : 1;
        const bool markA = sa.head.startsWith(u'<');
        const bool markB = sb.head.startsWith(u'<');
        if (markA != markB)
            return markA ? 1 : -1;
        if (const int c = CompareElements(sa.head, sb.head))
            return c;
        a = sa.rest;
        b = sb.rest;
    }
}

bool TPropertyNamesEh::IsValidPath(QObject *root, const QString &path)
{
    QObject *component = root;
    QStringView rest = path;
    while (true) {
        const auto [element, tail] = SplitFirst(rest);
        if (element.isEmpty()) {
            throw Error(QStringLiteral("Invalide property path: \"%1\"").arg(rest));
        }
        if (IsOwnMarker(element))
            return IsValidPropertyPath(component, element.size() == rest.size() ? QStringView() : tail);
        component = FindComponentChild(component, element);
        if (!component)
            return false;
        rest = element.size() == rest.size() ? QStringView() : tail;
    }
}

void TPropertyNamesEh::setRoot(QObject *root)
{
    m_root = root;
    if (!Checking())
        return;
    for (qsizetype i = m_entries.size() - 1; i >= 0; --i) {
        bool valid = false;
        try {
            valid = IsValidPath(root, m_entries.at(i));
        } catch (const Error &) {
        }
        if (!valid)
            m_entries.removeAt(i);
    }
}

int TPropertyNamesEh::Add(const QString &path)
{
    if (Checking() && !IsValidPath(m_root, path))
        return -1;
    qsizetype index = 0;
    for (; index < m_entries.size(); ++index) {
        const int c = CompareStrings(path, m_entries.at(index));
        if (c == 0)
            return -1;
        if (c < 0)
            break;
    }
    m_entries.insert(index, path);
    return int(index);
}

void TPropertyNamesEh::Assign(const QStringList &paths)
{
    m_entries.clear();
    for (const QString &path : paths)
        Add(path);
}

} // namespace lorvane
