#include "settings/mapping/interceptor.h"

#include "core/error.h"

#include <QList>

#include <utility>

namespace lorvane {

namespace {

using Pair = std::pair<const QMetaObject *, const QMetaObject *>;

QList<Pair> &Registry()
{
    static QList<Pair> pairs;
    return pairs;
}

int InheritanceSteps(const QMetaObject *objectClass, const QMetaObject *ancestor)
{
    int steps = 0;
    for (const QMetaObject *cls = objectClass; cls; cls = cls->superClass(), ++steps) {
        if (cls == ancestor)
            return steps;
    }
    return -1;
}

} // namespace

void RegisterStorageInterceptor(const QMetaObject *targetClass, const QMetaObject *interceptorClass)
{
    UnregisterStorageInterceptor(targetClass);
    Registry().append(Pair(targetClass, interceptorClass));
}

void UnregisterStorageInterceptor(const QMetaObject *targetClass)
{
    Registry().removeIf([targetClass](const Pair &pair) { return pair.first == targetClass; });
}

const QMetaObject *FindInterceptorClass(const QMetaObject *objectClass)
{
    const QMetaObject *best = nullptr;
    int bestSteps = -1;
    for (const Pair &pair : Registry()) {
        const int steps = InheritanceSteps(objectClass, pair.first);
        if (steps >= 0 && (bestSteps < 0 || steps < bestSteps)) {
            best = pair.second;
            bestSteps = steps;
        }
    }
    return best;
}

std::unique_ptr<TStoragePropertyInterceptor> CreateInterceptor(QObject *object)
{
    const QMetaObject *cls = FindInterceptorClass(object->metaObject());
    if (!cls)
        return nullptr;
    QObject *created = cls->newInstance(Q_ARG(QObject *, object));
    auto *interceptor = qobject_cast<TStoragePropertyInterceptor *>(created);
    if (!interceptor) {
        delete created;
        throw Error(QStringLiteral("Cannot create the property interceptor %1")
                        .arg(QString::fromUtf8(cls->className())));
    }
    return std::unique_ptr<TStoragePropertyInterceptor>(interceptor);
}

TStoragePropertyInterceptor *InterceptorFor(QObject *object, InterceptorList &list)
{
    for (const auto &[target, interceptor] : list) {
        if (target == object)
            return interceptor.get();
    }
    std::unique_ptr<TStoragePropertyInterceptor> created = CreateInterceptor(object);
    if (!created)
        return nullptr;
    list.emplace_back(object, std::move(created));
    return list.back().second.get();
}

} // namespace lorvane
