#pragma once

#include <QObject>
#include <QPointer>

#include <memory>
#include <utility>
#include <vector>

namespace lorvane {

// Stands in for another object while a property stream is written or read:
// its published properties are taken in place of the target's. Subclasses
// declare a Q_INVOKABLE constructor taking the target.
class TStoragePropertyInterceptor : public QObject
{
    Q_OBJECT

public:
    Q_INVOKABLE explicit TStoragePropertyInterceptor(QObject *target) : FTarget(target) {}

    QObject *Target() const { return FTarget; }
    // Applies what the reader has put into the interceptor to the target.
    virtual void Readed() {}

protected:
    QPointer<QObject> FTarget;
};

// Pairs a target class with the interceptor class that stands in for its
// objects. Registering a target class again moves its pair to the end.
void RegisterStorageInterceptor(const QMetaObject *targetClass, const QMetaObject *interceptorClass);
void UnregisterStorageInterceptor(const QMetaObject *targetClass);
// The interceptor class of the nearest registered ancestor, counted in
// inheritance steps (the earlier pair on a tie); nullptr when none.
const QMetaObject *FindInterceptorClass(const QMetaObject *objectClass);
// A new interceptor for the object, or nullptr when its class has none.
std::unique_ptr<TStoragePropertyInterceptor> CreateInterceptor(QObject *object);

// The interceptors of one write or of one record being read: at most one
// per object, oldest first.
using InterceptorList = std::vector<std::pair<QPointer<QObject>, std::unique_ptr<TStoragePropertyInterceptor>>>;
// The object's interceptor in the list, created and appended on first use;
// nullptr, with nothing appended, when its class has none.
TStoragePropertyInterceptor *InterceptorFor(QObject *object, InterceptorList &list);

} // namespace lorvane
