// Draws the tool-bar pictures and the program icon into PNG files in the folder given as the
// first argument. The PNGs are committed; run this only to change the artwork.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <functional>

namespace {

const QColor Outline(60, 60, 60);
const QColor Paper(255, 255, 255);
const QColor Folder(240, 200, 60);
const QColor FolderDark(190, 140, 20);
const QColor Red(210, 30, 30);

void sheet(QPainter& p)
{
    QPainterPath path;
    path.moveTo(3.5, 1.5);
    path.lineTo(10.5, 1.5);
    path.lineTo(13.5, 4.5);
    path.lineTo(13.5, 14.5);
    path.lineTo(3.5, 14.5);
    path.closeSubpath();
    p.setPen(Outline);
    p.setBrush(Paper);
    p.drawPath(path);
    p.drawLine(QPointF(10.5, 1.5), QPointF(10.5, 4.5));
    p.drawLine(QPointF(10.5, 4.5), QPointF(13.5, 4.5));
}

void cross(QPainter& p, const QRectF& r, qreal width)
{
    p.setPen(QPen(Red, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomLeft());
}

void newSheet(QPainter& p)
{
    sheet(p);
}

void openFolder(QPainter& p)
{
    p.setPen(FolderDark);
    p.setBrush(Folder.darker(115));
    p.drawRect(QRectF(1.5, 3.5, 11, 10));
    p.drawRect(QRectF(1.5, 2.5, 5, 2));
    QPolygonF front;
    front << QPointF(1.5, 13.5) << QPointF(4.5, 6.5) << QPointF(15.5, 6.5) << QPointF(12.5, 13.5);
    p.setBrush(Folder);
    p.drawPolygon(front);
}

void floppy(QPainter& p)
{
    p.setPen(Outline);
    p.setBrush(QColor(40, 70, 160));
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(Paper);
    p.drawRect(QRectF(3.5, 1.5, 9, 6));
    p.setBrush(QColor(190, 190, 190));
    p.drawRect(QRectF(4.5, 10.5, 7, 4));
    p.fillRect(QRectF(9, 11, 2, 3), QColor(40, 40, 40));
}

void closeSheet(QPainter& p)
{
    sheet(p);
    cross(p, QRectF(8.5, 8.5, 6, 6), 2.2);
}

void exitDoor(QPainter& p)
{
    p.setPen(Outline);
    p.setBrush(QColor(150, 95, 45));
    p.drawRect(QRectF(7.5, 1.5, 7, 13));
    p.setBrush(QColor(230, 180, 60));
    p.drawEllipse(QPointF(9.5, 8.5), 0.8, 0.8);
    p.setPen(QPen(QColor(30, 130, 40), 2));
    p.drawLine(QPointF(1, 8.5), QPointF(7, 8.5));
    p.setBrush(QColor(30, 130, 40));
    p.setPen(Qt::NoPen);
    QPolygonF head;
    head << QPointF(9, 8.5) << QPointF(5, 4.5) << QPointF(5, 12.5);
    p.drawPolygon(head);
}

void printer(QPainter& p)
{
    p.setPen(Outline);
    p.setBrush(Paper);
    p.drawRect(QRectF(4.5, 1.5, 7, 6));
    p.setBrush(QColor(170, 170, 170));
    p.drawRect(QRectF(1.5, 6.5, 13, 6));
    p.setBrush(Paper);
    p.drawRect(QRectF(4.5, 10.5, 7, 4));
    p.fillRect(QRectF(12, 8, 1.5, 1.5), QColor(40, 180, 40));
}

void monitor(QPainter& p)
{
    p.setPen(Outline);
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(1.5, 1.5, 13, 10));
    p.setBrush(QColor(40, 110, 190));
    p.drawRect(QRectF(3.5, 3.5, 9, 6));
    p.setBrush(QColor(160, 160, 160));
    p.drawRect(QRectF(6.5, 11.5, 3, 2));
    p.drawRect(QRectF(3.5, 13.5, 9, 1.5));
}

void redCross(QPainter& p)
{
    cross(p, QRectF(3, 3, 10, 10), 3);
}

void undo(QPainter& p)
{
    QPainterPath arc;
    arc.moveTo(4, 6);
    arc.cubicTo(8, 2, 15, 4, 13, 10);
    arc.cubicTo(12, 13, 9, 14, 6, 13);
    p.setPen(QPen(QColor(30, 90, 180), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);
    QPolygonF head;
    head << QPointF(1, 7) << QPointF(7, 2.5) << QPointF(7.5, 9);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 90, 180));
    p.drawPolygon(head);
}

void landscape(QPainter& p)
{
    p.setPen(QColor(120, 80, 30));
    p.setBrush(QColor(150, 205, 245));
    p.drawRect(QRectF(1.5, 2.5, 13, 11));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 210, 40));
    p.drawEllipse(QPointF(11, 5.5), 1.6, 1.6);
    QPolygonF hills;
    hills << QPointF(2, 13) << QPointF(6, 7) << QPointF(9, 10) << QPointF(11, 8) << QPointF(14, 13);
    p.setBrush(QColor(50, 150, 60));
    p.drawPolygon(hills);
}

void question(QPainter& p)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(15);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(90, 70, 0));
    p.drawText(QRectF(1, 1, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
    p.setPen(QColor(250, 210, 20));
    p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
}

void table(QPainter& p)
{
    p.setPen(Outline);
    p.setBrush(QColor(60, 90, 170));
    p.drawRect(QRectF(1.5, 1.5, 13, 3));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col) {
            const bool dark = (row + col) % 2 == 0;
            p.fillRect(QRectF(2 + col * 3.25, 5 + row * 3.2, 3.25, 3.2),
                       dark ? QColor(40, 150, 60) : QColor(170, 225, 170));
        }
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
}

// A grey housing with a yellow band hanging from a shackle and a hook below.
void programIcon(QPainter& p)
{
    p.setPen(QPen(QColor(90, 90, 90), 3));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(17, 1, 14, 14), 0, 180 * 16);
    p.drawLine(QPointF(17, 8), QPointF(17, 12));
    p.drawLine(QPointF(31, 8), QPointF(31, 12));
    p.setPen(QPen(QColor(50, 50, 50), 1.5));
    p.setBrush(QColor(160, 165, 170));
    p.drawRoundedRect(QRectF(8, 11, 32, 24), 4, 4);
    p.setBrush(QColor(90, 100, 105));
    p.drawRect(QRectF(13, 15, 22, 9));
    p.setBrush(QColor(245, 200, 20));
    p.drawRect(QRectF(8, 27, 32, 5));
    p.setPen(QPen(QColor(90, 90, 90), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(24, 35), QPointF(24, 40));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(18, 36, 12, 10), 180 * 16, 200 * 16);
}

// A magnifying glass over a double-headed arrow: fit the page to the width.
void zoom(QPainter& p)
{
    p.setPen(QPen(QColor(30, 90, 180), 1.5));
    p.drawLine(QPointF(1, 13.5), QPointF(7, 13.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 90, 180));
    p.drawPolygon(QPolygonF{QPointF(0.5, 13.5), QPointF(3, 11), QPointF(3, 16)});
    p.drawPolygon(QPolygonF{QPointF(7.5, 13.5), QPointF(5, 11), QPointF(5, 16)});
    p.setPen(QPen(Outline, 1.5));
    p.setBrush(QColor(210, 235, 250));
    p.drawEllipse(QPointF(9.5, 6), 4.5, 4.5);
    p.setPen(QPen(QColor(120, 80, 30), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12.8, 9.3), QPointF(15, 11.5));
}

// Pictures are drawn on a grid of `design` pixels and scaled to `size`.
void save(const QString& folder, const QString& name, int size,
          const std::function<void(QPainter&)>& draw, int design = 0)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (design > 0)
        p.scale(qreal(size) / design, qreal(size) / design);
    draw(p);
    p.end();
    image.save(QDir(folder).filePath(name));
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    save(folder, QStringLiteral("new.png"), 16, newSheet);
    save(folder, QStringLiteral("open.png"), 16, openFolder);
    save(folder, QStringLiteral("save.png"), 16, floppy);
    save(folder, QStringLiteral("close.png"), 16, closeSheet);
    save(folder, QStringLiteral("exit.png"), 16, exitDoor);
    save(folder, QStringLiteral("print.png"), 16, printer);
    save(folder, QStringLiteral("device.png"), 16, monitor);
    save(folder, QStringLiteral("delete.png"), 16, redCross);
    save(folder, QStringLiteral("undo.png"), 16, undo);
    save(folder, QStringLiteral("screenshot.png"), 16, landscape);
    save(folder, QStringLiteral("about.png"), 16, question);
    save(folder, QStringLiteral("export.png"), 16, table);
    save(folder, QStringLiteral("vorn.png"), 48, programIcon);
    // The sizes a desktop asks for, for windows, the task bar and the menu of programs.
    QDir(folder).mkpath(QStringLiteral("program"));
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        save(folder, QStringLiteral("program/vorn-%1.png").arg(size), size, programIcon, 48);
    // Used where the desktop's icon theme has no icon of that name.
    QDir(folder).mkpath(QStringLiteral("fallback"));
    save(folder, QStringLiteral("fallback/zoom-fit-width.png"), 16, zoom);
    save(folder, QStringLiteral("fallback/document-print.png"), 16, printer);
    return 0;
}
