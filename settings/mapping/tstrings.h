#pragma once

#include "settings/mapping/reflection.h"

#include <QObject>
#include <QStringList>

namespace lorvane {

// A list of lines that streams them as its defined property "Strings" and
// publishes nothing. Subclasses bind it to another store (a combo box's
// item list) by overriding lines() and setLines().
class TStrings : public QObject, public DefinedProperties
{
    Q_OBJECT
    Q_INTERFACES(lorvane::DefinedProperties)
    Q_CLASSINFO("StreamClass", "TStrings")

public:
    explicit TStrings(QObject *parent = nullptr) : QObject(parent) {}

    virtual QStringList lines() const { return m_lines; }
    virtual void setLines(const QStringList &lines) { m_lines = lines; }

    void DefineProperties(TFiler &filer) override;

private:
    QStringList m_lines;
};

} // namespace lorvane
