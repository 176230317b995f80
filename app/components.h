#pragma once

#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>

class QWidget;

// The non-visual components of the main window.
namespace lorvane {

// The tool-bar images, by index: 0 Files, 1 Analysis, 2 Save. Each comes
// from the desktop's icon theme, or is drawn here when the theme lacks it.
class TImageList : public QObject
{
    Q_OBJECT

public:
    explicit TImageList(QObject *parent = nullptr);

    QIcon Image(int index) const { return m_images.value(index); }

private:
    QList<QIcon> m_images;
};

// Asks for one existing file.
class TOpenDialog : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // False when the user cancelled; FileName is the picked file otherwise.
    bool Execute(QWidget *parent);

    QString InitialDir;
    QString FileName;
};

// Asks for the file to write, with a suggested name.
class TSaveDialog : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    bool Execute(QWidget *parent);

    QString Title;
    QString Filter;
    QString DefaultExt;
    QString InitialDir;
    QString FileName;
};

} // namespace lorvane
