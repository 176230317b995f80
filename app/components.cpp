#include "app/components.h"

#include "app/userdialogs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace lorvane {

namespace {

constexpr int kImageSize = 32;

QPixmap Canvas()
{
    QPixmap pixmap(kImageSize, kImageSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QIcon FolderImage()
{
    QPixmap pixmap = Canvas();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x8a, 0x62, 0x12), 1.5));
    painter.setBrush(QColor(0xf2, 0xc1, 0x4e));
    QPainterPath folder;
    folder.moveTo(3, 8);
    folder.lineTo(12, 8);
    folder.lineTo(15, 11);
    folder.lineTo(29, 11);
    folder.lineTo(29, 27);
    folder.lineTo(3, 27);
    folder.closeSubpath();
    painter.drawPath(folder);
    return QIcon(pixmap);
}

QIcon RunImage()
{
    QPixmap pixmap = Canvas();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x1d, 0x6b, 0x2a), 1.5));
    painter.setBrush(QColor(0x4c, 0xb0, 0x5a));
    const QPointF triangle[] = {{8, 5}, {27, 16}, {8, 27}};
    painter.drawPolygon(triangle, 3);
    return QIcon(pixmap);
}

QIcon SaveImage()
{
    QPixmap pixmap = Canvas();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x1f, 0x3f, 0x7a), 1.5));
    painter.setBrush(QColor(0x3d, 0x6e, 0xc4));
    painter.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(9, 4, 14, 9));
    painter.setBrush(QColor(0xdd, 0xe4, 0xf0));
    painter.drawRect(QRectF(8, 18, 16, 10));
    return QIcon(pixmap);
}

} // namespace

TImageList::TImageList(QObject *parent) : QObject(parent)
{
    m_images = {QIcon::fromTheme(QStringLiteral("document-open"), FolderImage()),
                QIcon::fromTheme(QStringLiteral("system-run"), RunImage()),
                QIcon::fromTheme(QStringLiteral("document-save"), SaveImage())};
}

bool TOpenDialog::Execute(QWidget *parent)
{
    const QString picked = Dialogs().OpenFile(parent, InitialDir);
    if (picked.isEmpty())
        return false;
    FileName = picked;
    return true;
}

bool TSaveDialog::Execute(QWidget *parent)
{
    const QString picked =
        Dialogs().SaveFile(parent, {Title, Filter, DefaultExt, InitialDir, FileName});
    if (picked.isEmpty())
        return false;
    FileName = picked;
    return true;
}

} // namespace lorvane
