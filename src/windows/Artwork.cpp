#include "Artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

namespace {

// Deterministic "random" positions, so the pictures look the same on every run.
quint32 Next(quint32& seed) {
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    return seed;
}

QPainterPath Star(QPointF centre, double outer, double inner, int points, double turn = 0) {
    QPainterPath path;
    for (int i = 0; i < 2 * points; ++i) {
        const double r = i % 2 ? inner : outer;
        const double a = -M_PI / 2 + turn + M_PI * i / points;
        const QPointF p(centre.x() + r * std::cos(a), centre.y() + r * std::sin(a));
        if (i == 0)
            path.moveTo(p);
        else
            path.lineTo(p);
    }
    path.closeSubpath();
    return path;
}

void NightSky(QPainter& p, const QRectF& area, quint32 seed, int stars) {
    QLinearGradient sky(area.topLeft(), area.bottomLeft());
    sky.setColorAt(0.0, QColor(0x10, 0x16, 0x3a));
    sky.setColorAt(0.6, QColor(0x2a, 0x1f, 0x5c));
    sky.setColorAt(1.0, QColor(0x5b, 0x2c, 0x6f));
    p.fillRect(area, sky);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < stars; ++i) {
        const double x = area.left() + Next(seed) % 1000 / 1000.0 * area.width();
        const double y = area.top() + Next(seed) % 1000 / 1000.0 * area.height() * 0.8;
        const double r = 0.4 + Next(seed) % 100 / 100.0;
        p.setBrush(QColor(255, 255, 240, 110 + static_cast<int>(Next(seed) % 140)));
        p.drawEllipse(QPointF(x, y), r, r);
    }
}

// A glowing star: a soft halo and a crisp five-pointed body.
void Glimmer(QPainter& p, QPointF centre, double size, QColor colour, double turn = 0) {
    QRadialGradient halo(centre, size * 1.8);
    QColor glow = colour;
    glow.setAlpha(120);
    halo.setColorAt(0, glow);
    glow.setAlpha(0);
    halo.setColorAt(1, glow);
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(centre, size * 1.8, size * 1.8);
    p.setBrush(colour);
    p.drawPath(Star(centre, size, size * 0.45, 5, turn));
}

// A display with a stand: the screensaver's home.
void Monitor(QPainter& p, const QRectF& screen, QColor frame, QColor glass) {
    const double bezel = qMax(1.5, screen.width() * 0.06);
    const QRectF outer = screen.adjusted(-bezel, -bezel, bezel, bezel);
    p.setPen(Qt::NoPen);
    p.setBrush(frame);
    QPainterPath stand;
    const double w = screen.width();
    stand.moveTo(outer.center().x() - w * 0.08, outer.bottom());
    stand.lineTo(outer.center().x() + w * 0.08, outer.bottom());
    stand.lineTo(outer.center().x() + w * 0.2, outer.bottom() + w * 0.16);
    stand.lineTo(outer.center().x() - w * 0.2, outer.bottom() + w * 0.16);
    stand.closeSubpath();
    p.drawPath(stand);
    p.drawRoundedRect(outer, bezel, bezel);
    QLinearGradient g(screen.topLeft(), screen.bottomRight());
    g.setColorAt(0, glass.lighter(140));
    g.setColorAt(1, glass);
    p.setBrush(g);
    p.drawRect(screen);
}

QPixmap Canvas(int w, int h) {
    QPixmap pixmap(w, h);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

} // namespace

namespace Artwork {

QPixmap InstallerSidePicture() {
    QPixmap pixmap = Canvas(164, 314);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    NightSky(p, QRectF(0, 0, 164, 314), 0x9e3779b9u, 70);
    // Hills at the bottom, a display glowing on them.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1b, 0x12, 0x33));
    QPainterPath hills;
    hills.moveTo(0, 262);
    hills.cubicTo(50, 240, 100, 276, 164, 250);
    hills.lineTo(164, 314);
    hills.lineTo(0, 314);
    hills.closeSubpath();
    p.drawPath(hills);
    Monitor(p, QRectF(40, 178, 84, 58), QColor(0xd9, 0xdc, 0xe6), QColor(0x14, 0x2a, 0x6b));
    Glimmer(p, QPointF(82, 207), 16, QColor(0xff, 0xd8, 0x5e), 0.2);
    Glimmer(p, QPointF(64, 194), 5, QColor(0x9e, 0xe6, 0xff));
    Glimmer(p, QPointF(104, 222), 4, QColor(0xff, 0x9e, 0xd2));
    // A shooting star above.
    QLinearGradient trail(QPointF(30, 40), QPointF(118, 88));
    trail.setColorAt(0, QColor(255, 255, 255, 0));
    trail.setColorAt(1, QColor(255, 255, 255, 200));
    p.setPen(QPen(QBrush(trail), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(30, 40), QPointF(118, 88));
    Glimmer(p, QPointF(120, 89), 6, QColor(255, 255, 230));
    return pixmap;
}

QPixmap InstallerHeaderPicture() {
    QPixmap pixmap = Canvas(55, 55);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    Monitor(p, QRectF(7, 9, 41, 29), QColor(0x5a, 0x60, 0x78), QColor(0x1c, 0x2f, 0x78));
    Glimmer(p, QPointF(27.5, 23.5), 8, QColor(0xff, 0xd8, 0x5e), 0.2);
    Glimmer(p, QPointF(16, 16), 2.5, QColor(0x9e, 0xe6, 0xff));
    return pixmap;
}

QPixmap AboutMovieFrame(int index) {
    index = ((index % AboutMovieFrameCount) + AboutMovieFrameCount) % AboutMovieFrameCount;
    QPixmap pixmap = Canvas(56, 76);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // A little night scene: a star rises along an arc and turns, the sky slowly warms.
    const QRectF area(0, 0, 56, 76);
    QPainterPath frame;
    frame.addRoundedRect(area.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    p.setClipPath(frame);
    NightSky(p, area, 0x85ebca6bu, 22);
    const double t = index / double(AboutMovieFrameCount - 1);
    QRadialGradient dawn(QPointF(28, 84), 60);
    dawn.setColorAt(0, QColor(0xff, 0x9e, 0x5e, static_cast<int>(40 + 90 * t)));
    dawn.setColorAt(1, QColor(0xff, 0x9e, 0x5e, 0));
    p.fillRect(area, dawn);
    const double angle = M_PI * (1.0 - 0.8 * t - 0.1);
    const QPointF centre(28 + 20 * std::cos(angle), 62 - 44 * std::sin(angle));
    Glimmer(p, centre, 7 + 2 * std::sin(M_PI * t), QColor(0xff, 0xd8, 0x5e), index * 0.25);
    Glimmer(p, QPointF(12 + 8 * index, 14 + (index % 2) * 4), 2.2, QColor(0x9e, 0xe6, 0xff));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1b, 0x12, 0x33));
    p.drawEllipse(QRectF(-20, 62, 96, 40));
    p.setClipping(false);
    p.setPen(QPen(QColor(0x0f, 0x1b, 0x4d), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(frame);
    return pixmap;
}

QPixmap MakerLogo() {
    QPixmap pixmap = Canvas(150, 34);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient badge(QPointF(0, 0), QPointF(34, 34));
    badge.setColorAt(0, QColor(0x2a, 0x1f, 0x5c));
    badge.setColorAt(1, QColor(0x10, 0x16, 0x3a));
    p.setPen(Qt::NoPen);
    p.setBrush(badge);
    p.drawRoundedRect(QRectF(1, 1, 32, 32), 7, 7);
    Glimmer(p, QPointF(17, 17.5), 9, QColor(0xff, 0xd8, 0x5e), 0.2);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(15);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0x10, 0x16, 0x3a));
    p.drawText(QRectF(40, 0, 110, 20), Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("Glimmer"));
    font.setBold(false);
    font.setPixelSize(11);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 2.2);
    p.setFont(font);
    p.setPen(QColor(0x5b, 0x2c, 0x6f));
    p.drawText(QRectF(40, 19, 110, 15), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("WORKSHOP"));
    return pixmap;
}

QPixmap ProjectIconStandIn() {
    QPixmap pixmap = Canvas(32, 32);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    Monitor(p, QRectF(3, 4, 26, 18), QColor(0x5a, 0x60, 0x78), QColor(0x1c, 0x2f, 0x78));
    Glimmer(p, QPointF(16, 13), 6, QColor(0xff, 0xd8, 0x5e), 0.2);
    return pixmap;
}

} // namespace Artwork
