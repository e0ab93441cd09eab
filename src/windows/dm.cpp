#include "dm.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace {

const QColor kLine(0x33, 0x44, 0x55);
const QColor kPaper(0xFF, 0xFF, 0xFF);
const QColor kFolder(0xF2, 0xC1, 0x4E);
const QColor kBlue(0x2F, 0x74, 0xD0);
const QColor kGreen(0x2E, 0x9E, 0x58);
const QColor kRed(0xD6, 0x45, 0x45);
const QColor kOrange(0xEE, 0x93, 0x22);
const QColor kPurple(0x7B, 0x4F, 0xC4);
const QColor kGray(0x8A, 0x96, 0xA3);

using TDraw = std::function<void(QPainter&)>;

// Pictures are drawn on a 16-unit grid and rendered at 1x and 2x.
QIcon Render(int size, const TDraw& draw) {
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pixmap(size * scale, size * scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(scale * size / 16.0, scale * size / 16.0);
        draw(painter);
        painter.end();
        pixmap.setDevicePixelRatio(scale);
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPen Pen(const QColor& color, double width = 1.0) {
    QPen pen(color, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

void Page(QPainter& p) {
    QPainterPath path;
    path.moveTo(3.5, 1.5);
    path.lineTo(9.5, 1.5);
    path.lineTo(12.5, 4.5);
    path.lineTo(12.5, 14.5);
    path.lineTo(3.5, 14.5);
    path.closeSubpath();
    p.setPen(Pen(kLine));
    p.setBrush(kPaper);
    p.drawPath(path);
    p.drawPolyline(QPolygonF({QPointF(9.5, 1.5), QPointF(9.5, 4.5), QPointF(12.5, 4.5)}));
}

void Badge(QPainter& p, const QColor& color, double x, double y, double r) {
    p.setPen(Pen(color.darker(130)));
    p.setBrush(color);
    p.drawEllipse(QPointF(x, y), r, r);
}

void Plus(QPainter& p, double x, double y, double r, const QColor& color = Qt::white) {
    p.setPen(Pen(color, 1.4));
    p.drawLine(QPointF(x - r, y), QPointF(x + r, y));
    p.drawLine(QPointF(x, y - r), QPointF(x, y + r));
}

void Cross(QPainter& p, double x, double y, double r, const QColor& color = Qt::white) {
    p.setPen(Pen(color, 1.4));
    p.drawLine(QPointF(x - r, y - r), QPointF(x + r, y + r));
    p.drawLine(QPointF(x - r, y + r), QPointF(x + r, y - r));
}

void Folder(QPainter& p, bool open) {
    p.setPen(Pen(kFolder.darker(150)));
    p.setBrush(kFolder.darker(110));
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6, 3.5);
    back.lineTo(7.5, 5);
    back.lineTo(14.5, 5);
    back.lineTo(14.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(kFolder);
    if (open) {
        p.drawPolygon(QPolygonF(
            {QPointF(1.5, 13.5), QPointF(3.5, 7.5), QPointF(15.5, 7.5), QPointF(13.5, 13.5)}));
    } else {
        p.drawRect(QRectF(1.5, 6.5, 13, 7));
    }
}

void Floppy(QPainter& p, const QColor& color) {
    p.setPen(Pen(color.darker(160)));
    p.setBrush(color);
    QPainterPath body;
    body.moveTo(1.5, 1.5);
    body.lineTo(12.5, 1.5);
    body.lineTo(14.5, 3.5);
    body.lineTo(14.5, 14.5);
    body.lineTo(1.5, 14.5);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(kPaper);
    p.drawRect(QRectF(4.5, 1.5, 7, 4.5));
    p.setBrush(color.lighter(160));
    p.drawRect(QRectF(3.5, 9, 9, 5.5));
    p.setPen(Pen(color.darker(160)));
    p.drawLine(QPointF(9.5, 2.5), QPointF(9.5, 5));
}

void Arrow(QPainter& p, bool up, const QColor& color) {
    QPolygonF shape =
        up ? QPolygonF({QPointF(8, 1.5), QPointF(14, 8), QPointF(10.5, 8), QPointF(10.5, 14.5),
                        QPointF(5.5, 14.5), QPointF(5.5, 8), QPointF(2, 8)})
           : QPolygonF({QPointF(8, 14.5), QPointF(14, 8), QPointF(10.5, 8), QPointF(10.5, 1.5),
                        QPointF(5.5, 1.5), QPointF(5.5, 8), QPointF(2, 8)});
    p.setPen(Pen(color.darker(140)));
    p.setBrush(color);
    p.drawPolygon(shape);
}

void Gear(QPainter& p, double cx, double cy, double r, const QColor& color) {
    QPainterPath path;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const double angle = i * M_PI / teeth;
        const double radius = (i % 2 == 0) ? r : r * 0.72;
        const double a0 = angle - M_PI / teeth / 2, a1 = angle + M_PI / teeth / 2;
        const QPointF p0(cx + radius * std::cos(a0), cy + radius * std::sin(a0));
        const QPointF p1(cx + radius * std::cos(a1), cy + radius * std::sin(a1));
        if (i == 0)
            path.moveTo(p0);
        else
            path.lineTo(p0);
        path.lineTo(p1);
    }
    path.closeSubpath();
    path.addEllipse(QPointF(cx, cy), r * 0.3, r * 0.3);
    p.setPen(Pen(color.darker(150)));
    p.setBrush(color);
    p.drawPath(path);
}

void Film(QPainter& p) {
    p.setPen(Pen(kLine));
    p.setBrush(QColor(0x3C, 0x46, 0x52));
    p.drawRoundedRect(QRectF(1.5, 2.5, 13, 11), 1, 1);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (int i = 0; i < 4; ++i) {
        p.drawRect(QRectF(3 + i * 3, 3.5, 1.5, 1.2));
        p.drawRect(QRectF(3 + i * 3, 11.3, 1.5, 1.2));
    }
    p.setBrush(QColor(0x7F, 0xC4, 0xF5));
    p.drawRect(QRectF(3, 5.8, 10, 4.4));
}

void Monitor(QPainter& p) {
    p.setPen(Pen(kLine));
    p.setBrush(QColor(0x1E, 0x2A, 0x44));
    p.drawRoundedRect(QRectF(1.5, 2.5, 13, 9), 1, 1);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFF, 0xE0, 0x70));
    p.drawEllipse(QPointF(5, 5.5), 0.8, 0.8);
    p.drawEllipse(QPointF(10.5, 8), 0.9, 0.9);
    p.drawEllipse(QPointF(8, 4.8), 0.5, 0.5);
    p.setPen(Pen(kLine));
    p.drawLine(QPointF(8, 11.5), QPointF(8, 13.5));
    p.drawLine(QPointF(5, 14.5), QPointF(11, 14.5));
}

void Box(QPainter& p) {
    const QColor cardboard(0xC8, 0x92, 0x54);
    p.setPen(Pen(cardboard.darker(160)));
    p.setBrush(cardboard);
    p.drawPolygon(
        QPolygonF({QPointF(1.5, 5), QPointF(8, 7.5), QPointF(8, 14.5), QPointF(1.5, 12)}));
    p.setBrush(cardboard.darker(115));
    p.drawPolygon(
        QPolygonF({QPointF(14.5, 5), QPointF(8, 7.5), QPointF(8, 14.5), QPointF(14.5, 12)}));
    p.setBrush(cardboard.lighter(125));
    p.drawPolygon(QPolygonF({QPointF(1.5, 5), QPointF(8, 2.5), QPointF(14.5, 5), QPointF(8, 7.5)}));
}

void Sliders(QPainter& p) {
    p.setPen(Pen(kLine, 1.2));
    for (int i = 0; i < 3; ++i)
        p.drawLine(QPointF(2, 3.5 + i * 4.5), QPointF(14, 3.5 + i * 4.5));
    const double knobs[] = {10, 5, 8.5};
    const QColor colors[] = {kBlue, kOrange, kGreen};
    for (int i = 0; i < 3; ++i) {
        p.setPen(Pen(colors[i].darker(150)));
        p.setBrush(colors[i]);
        p.drawRoundedRect(QRectF(knobs[i] - 1.5, 1.8 + i * 4.5, 3, 3.4), 0.8, 0.8);
    }
}

void Globe(QPainter& p) {
    Badge(p, kBlue, 8, 8, 6.5);
    p.setPen(Pen(Qt::white, 0.9));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(8, 8), 2.8, 6.5);
    p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
    p.drawLine(QPointF(2.7, 4.8), QPointF(13.3, 4.8));
    p.drawLine(QPointF(2.7, 11.2), QPointF(13.3, 11.2));
}

void Letter(QPainter& p, const QString& text, const QRectF& box, const QColor& color,
            double pointSize) {
    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(std::max(1, static_cast<int>(pointSize * 10)));
    p.save();
    p.scale(0.1, 0.1);
    p.setFont(font);
    p.setPen(color);
    p.drawText(QRectF(box.x() * 10, box.y() * 10, box.width() * 10, box.height() * 10),
               Qt::AlignCenter, text);
    p.restore();
}

QIcon Draw(TImgMain which, int size = 16) {
    switch (which) {
    case imgNew:
        return Render(size, [](QPainter& p) {
            Page(p);
            Badge(p, kGreen, 12, 12, 3.5);
            Plus(p, 12, 12, 1.8);
        });
    case imgOpen:
        return Render(size, [](QPainter& p) { Folder(p, true); });
    case imgSave:
        return Render(size, [](QPainter& p) { Floppy(p, kBlue); });
    case imgSaveAs:
        return Render(size, [](QPainter& p) {
            Floppy(p, kBlue);
            p.setPen(Pen(kOrange.darker(150)));
            p.setBrush(kOrange);
            p.drawPolygon(QPolygonF({QPointF(15, 7), QPointF(16, 8), QPointF(10, 14),
                                     QPointF(8.5, 14.5), QPointF(9, 13)}));
        });
    case imgClose:
        return Render(size, [](QPainter& p) {
            Page(p);
            Badge(p, kRed, 12, 12, 3.5);
            Cross(p, 12, 12, 1.5);
        });
    case imgExit:
        return Render(size, [](QPainter& p) {
            p.setPen(Pen(kLine));
            p.setBrush(QColor(0xB7, 0x8A, 0x5C));
            p.drawRect(QRectF(2.5, 1.5, 8, 13));
            p.setBrush(Qt::NoBrush);
            Arrow(p, true, kRed);
        });
    case imgOption:
        return Render(size, [](QPainter& p) { Gear(p, 8, 8, 6.8, kGray); });
    case imgGeneral:
        return Render(size, [](QPainter& p) {
            Badge(p, kBlue, 8, 8, 6.5);
            Letter(p, "i", QRectF(1, 1, 14, 14), Qt::white, 11);
        });
    case imgFiles:
        return Render(size, [](QPainter& p) { Film(p); });
    case imgConfiguration:
        return Render(size, [](QPainter& p) { Sliders(p); });
    case imgInstaller:
        return Render(size, [](QPainter& p) { Box(p); });
    case imgCompile:
        return Render(size, [](QPainter& p) {
            Box(p);
            Gear(p, 11.5, 11.5, 4.2, kGray);
        });
    case imgRun:
        return Render(size, [](QPainter& p) {
            p.setPen(Pen(kGreen.darker(150)));
            p.setBrush(kGreen);
            p.drawPolygon(QPolygonF({QPointF(3.5, 1.5), QPointF(14, 8), QPointF(3.5, 14.5)}));
        });
    case imgGenerator:
        return Render(size, [](QPainter& p) { Monitor(p); });
    case imgTopic:
        return Render(size, [](QPainter& p) {
            Badge(p, kPurple, 8, 8, 6.5);
            Letter(p, "?", QRectF(1, 1, 14, 14), Qt::white, 10);
        });
    case imgHomepage:
        return Render(size, [](QPainter& p) { Globe(p); });
    case imgAbout:
        return Render(size, [](QPainter& p) {
            p.setPen(Pen(kOrange.darker(150)));
            p.setBrush(kOrange);
            QPainterPath bubble;
            bubble.addRoundedRect(QRectF(1.5, 1.5, 13, 10), 2.5, 2.5);
            p.drawPath(bubble);
            p.drawPolygon(QPolygonF({QPointF(4, 11.5), QPointF(4, 15), QPointF(8, 11.5)}));
            Letter(p, "i", QRectF(1.5, 1.2, 13, 10), Qt::white, 9);
        });
    case imgAddFiles:
        return Render(size, [](QPainter& p) {
            Badge(p, kGreen, 8, 8, 6.5);
            Plus(p, 8, 8, 3.5);
        });
    case imgRemove:
        return Render(size, [](QPainter& p) {
            Badge(p, kRed, 8, 8, 6.5);
            Cross(p, 8, 8, 2.8);
        });
    case imgMoveUp:
        return Render(size, [](QPainter& p) { Arrow(p, true, kBlue); });
    case imgMoveDown:
        return Render(size, [](QPainter& p) { Arrow(p, false, kBlue); });
    case imgFolder:
        return Render(size, [](QPainter& p) { Folder(p, false); });
    case imgReopen:
        return Render(size, [](QPainter& p) {
            Folder(p, false);
            p.setPen(Pen(kBlue.darker(130), 1.6));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(6, 6.5, 7, 6), 0, 270 * 16);
        });
    case imgMainCount:
        break;
    }
    return {};
}

QIcon Step(int number, const QColor& color) {
    return Render(24, [number, color](QPainter& p) {
        QRadialGradient gradient(QPointF(6.5, 5.5), 8);
        gradient.setColorAt(0, color.lighter(150));
        gradient.setColorAt(1, color);
        p.setPen(Pen(color.darker(150), 0.8));
        p.setBrush(gradient);
        p.drawEllipse(QPointF(8, 8), 7, 7);
        Letter(p, QString::number(number), QRectF(1, 1.2, 14, 14), Qt::white, 10);
    });
}

} // namespace

QIcon Tdm::Picture(TImgMain which, int size) {
    return Draw(which, size);
}

Tdm::Tdm(QObject* parent) : QObject(parent) {
    setObjectName("dm");
    for (int i = 0; i < imgMainCount; ++i)
        ImgMain.push_back(Draw(static_cast<TImgMain>(i)));
    imgSteps = {Step(1, kBlue), Step(2, kGreen), Step(3, kOrange), Step(4, kPurple)};
}

QImage Tdm::ProgramIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    // A night sky in a rounded screen with a glowing star: the screensaver this tool makes.
    QLinearGradient sky(0, 2, 0, 30);
    sky.setColorAt(0, QColor(0x1B, 0x24, 0x5C));
    sky.setColorAt(1, QColor(0x4A, 0x2C, 0x7A));
    p.setPen(QPen(QColor(0x10, 0x14, 0x30), 1.2));
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 6, 6);
    QRadialGradient glow(QPointF(16, 15), 11);
    glow.setColorAt(0, QColor(255, 240, 160, 200));
    glow.setColorAt(1, QColor(255, 240, 160, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(16, 15), 11, 11);
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const double angle = -M_PI / 2 + i * M_PI / 5;
        const double radius = (i % 2 == 0) ? 8.5 : 3.6;
        const QPointF point(16 + radius * std::cos(angle), 15.5 + radius * std::sin(angle));
        if (i == 0)
            star.moveTo(point);
        else
            star.lineTo(point);
    }
    star.closeSubpath();
    p.setPen(QPen(QColor(0xC8, 0x8A, 0x10), 0.8));
    p.setBrush(QColor(0xFF, 0xD8, 0x4A));
    p.drawPath(star);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 220));
    for (const QPointF& dot :
         {QPointF(6, 7), QPointF(25, 6), QPointF(7, 24), QPointF(26, 25), QPointF(23, 17)})
        p.drawEllipse(dot, 0.9, 0.9);
    return image;
}

QImage Tdm::DefaultProjectIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    // Stand and case of the screen.
    p.setPen(QPen(QColor(0x2A, 0x30, 0x38), 1));
    p.setBrush(QColor(0x5C, 0x66, 0x73));
    p.drawPolygon(
        QPolygonF({QPointF(12, 25), QPointF(20, 25), QPointF(22, 30.5), QPointF(10, 30.5)}));
    p.setBrush(QColor(0x3A, 0x42, 0x4D));
    p.drawRoundedRect(QRectF(1.5, 3.5, 29, 22), 3, 3);
    // The picture: a twilight sky with a rising swirl of colour, as a movie might show.
    QLinearGradient sky(0, 6, 0, 23);
    sky.setColorAt(0, QColor(0x0E, 0x3B, 0x8C));
    sky.setColorAt(1, QColor(0x18, 0xA0, 0xB8));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRect(QRectF(4, 6, 24, 17));
    QPainterPath swirl;
    swirl.moveTo(5, 20);
    swirl.cubicTo(10, 8, 16, 24, 27, 9);
    QPen ribbon(QColor(0xFF, 0x5C, 0xA8), 2.6);
    ribbon.setCapStyle(Qt::RoundCap);
    p.setPen(ribbon);
    p.setBrush(Qt::NoBrush);
    p.drawPath(swirl);
    QPen ribbon2(QColor(0xFF, 0xD2, 0x4A), 1.6);
    ribbon2.setCapStyle(Qt::RoundCap);
    p.setPen(ribbon2);
    QPainterPath swirl2;
    swirl2.moveTo(5, 15);
    swirl2.cubicTo(12, 22, 17, 6, 27, 16);
    p.drawPath(swirl2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 230));
    for (const QPointF& dot :
         {QPointF(8, 9), QPointF(21, 8.5), QPointF(24.5, 19.5), QPointF(14, 11)})
        p.drawEllipse(dot, 0.8, 0.8);
    return image;
}

QIcon Tdm::ProgramIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(QPixmap::fromImage(ProgramIconImage(size)));
    return icon;
}

Tdm& dm() {
    static Tdm* module = new Tdm();
    return *module;
}
