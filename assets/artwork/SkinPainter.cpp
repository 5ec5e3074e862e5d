#include "SkinPainter.h"

#include "skin/SkinLayout.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace art {

using tb::ButtonPlace;
using tb::mainButtonPlaces;

namespace {

// The palette: the deep blues of the dialogs' default theme, lit from the top left.
const QColor BodyTop("#2d4d7c"), BodyMiddle("#1f3659"), BodyBottom("#14233b");
const QColor Rim("#060b14");
const QColor Highlight("#b4d4f7"), Shadow("#02050b");
const QColor Accent("#5aa0ff"), AccentLight("#9cc8ff");
const QColor Engraving("#8eb1dc");
const QColor Outside(255, 0, 0);

// ---- Float images for the body's silhouette and bevel ------------------------------------

struct Field {
    int w = 0, h = 0;
    std::vector<float> v;
    Field(int width, int height) : w(width), h(height), v(static_cast<size_t>(width) * height, 0.f) {}
    float &at(int x, int y) { return v[static_cast<size_t>(y) * w + x]; }
    float get(int x, int y) const
    {
        x = std::clamp(x, 0, w - 1);
        y = std::clamp(y, 0, h - 1);
        return v[static_cast<size_t>(y) * w + x];
    }
};

// One pass of a box blur along rows, then along columns; three passes come close to a Gaussian.
void boxBlur(Field &f, int radius)
{
    std::vector<float> line;
    const float norm = 1.f / static_cast<float>(2 * radius + 1);
    auto pass = [&](int count, int length, auto read, auto write) {
        line.resize(static_cast<size_t>(length));
        for (int i = 0; i < count; ++i) {
            float sum = 0;
            for (int k = -radius; k <= radius; ++k)
                sum += read(i, std::clamp(k, 0, length - 1));
            for (int j = 0; j < length; ++j) {
                line[static_cast<size_t>(j)] = sum * norm;
                sum += read(i, std::min(j + radius + 1, length - 1)) - read(i, std::max(j - radius, 0));
            }
            for (int j = 0; j < length; ++j)
                write(i, j, line[static_cast<size_t>(j)]);
        }
    };
    pass(f.h, f.w, [&](int y, int x) { return f.get(x, y); }, [&](int y, int x, float v) { f.at(x, y) = v; });
    pass(f.w, f.h, [&](int x, int y) { return f.get(x, y); }, [&](int x, int y, float v) { f.at(x, y) = v; });
}

void gaussian(Field &f, int radius)
{
    for (int i = 0; i < 3; ++i)
        boxBlur(f, radius);
}

// ---- The outline -------------------------------------------------------------------------

// The body: a main panel, the ear that carries the side buttons, the arc of transport keys and
// the round pod of the convert button. The joins are rounded afterwards by blurring.
QPainterPath bodyPath()
{
    QPainterPath main, ear, lower, arc, pod;
    main.addRoundedRect(QRectF(60, 0, 372, 360), 20, 20);
    ear.addRoundedRect(QRectF(4, 54, 92, 236), 24, 24);
    lower.addRoundedRect(QRectF(56, 328, 376, 84), 22, 22);
    arc.moveTo(56, 340);
    arc.lineTo(56, 410);
    arc.cubicTo(56, 440, 84, 452, 130, 456);
    arc.cubicTo(180, 461, 240, 461, 266, 457);
    arc.cubicTo(286, 453, 294, 442, 294, 420);
    arc.lineTo(294, 340);
    arc.closeSubpath();
    pod.addEllipse(QPointF(379, 408), 42, 38);
    return main.united(ear).united(lower).united(arc).united(pod);
}

// ---- Small drawing helpers ---------------------------------------------------------------

QColor mix(const QColor &a, const QColor &b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

QColor alpha(QColor c, double a)
{
    c.setAlphaF(static_cast<float>(a));
    return c;
}

// A panel pressed into the body: lit on its lower right lip, shadowed inside along the top.
void drawRecess(QPainter &p, const QRectF &r, double radius, const QColor &top, const QColor &bottom,
                double innerShadow = 0.55)
{
    p.setPen(Qt::NoPen);
    p.setBrush(alpha(Highlight, 0.20));
    p.drawRoundedRect(r.adjusted(-0.5, -0.5, 1.2, 1.2), radius + 1, radius + 1);
    p.setBrush(alpha(Shadow, 0.75));
    p.drawRoundedRect(r.adjusted(-1.2, -1.2, 0.4, 0.4), radius + 1, radius + 1);
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.setBrush(fill);
    p.drawRoundedRect(r, radius, radius);
    // The inner shadow under the top edge and along the left.
    QPainterPath inside;
    inside.addRoundedRect(r, radius, radius);
    p.save();
    p.setClipPath(inside);
    QLinearGradient shade(r.topLeft(), r.topLeft() + QPointF(0, 7));
    shade.setColorAt(0, alpha(Shadow, innerShadow));
    shade.setColorAt(1, alpha(Shadow, 0));
    p.fillRect(r, shade);
    QLinearGradient side(r.topLeft(), r.topLeft() + QPointF(4, 0));
    side.setColorAt(0, alpha(Shadow, innerShadow * 0.6));
    side.setColorAt(1, alpha(Shadow, 0));
    p.fillRect(r, side);
    p.restore();
}

QPainterPath textPath(const QString &text, const QFont &font, QPointF centre)
{
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF box = path.boundingRect();
    path.translate(centre - box.center());
    return path;
}

QFont font(int pixels, int weight, double spacing = 0, const char *family = "DejaVu Sans")
{
    QFont f(QString::fromLatin1(family));
    f.setPixelSize(pixels);
    f.setWeight(static_cast<QFont::Weight>(weight));
    f.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

// ---- Glyphs ------------------------------------------------------------------------------

QPainterPath triangle(QPointF tip, double width, double height, bool right)
{
    QPainterPath t;
    const double dir = right ? 1 : -1;
    t.moveTo(tip);
    t.lineTo(tip.x() - dir * width, tip.y() - height / 2);
    t.lineTo(tip.x() - dir * width, tip.y() + height / 2);
    t.closeSubpath();
    return t;
}

QPainterPath roundedBar(QRectF r, double radius)
{
    QPainterPath b;
    b.addRoundedRect(r, radius, radius);
    return b;
}

QPainterPath stroked(const QPainterPath &line, double width)
{
    QPainterPathStroker s;
    s.setWidth(width);
    s.setCapStyle(Qt::RoundCap);
    s.setJoinStyle(Qt::RoundJoin);
    return s.createStroke(line);
}

QPainterPath arrow(QPointF c, double size, bool up)
{
    const double d = up ? -1 : 1;
    QPainterPath head;
    head.moveTo(c.x(), c.y() + d * size * 0.55);
    head.lineTo(c.x() - size * 0.5, c.y() + d * size * 0.02);
    head.lineTo(c.x() + size * 0.5, c.y() + d * size * 0.02);
    head.closeSubpath();
    QPainterPath stem = roundedBar(QRectF(c.x() - size * 0.16, c.y() - (up ? -size * 0.1 : size * 0.5),
                                          size * 0.32, size * 0.6),
                                   size * 0.08);
    QPainterPath stroke = stroked(head, size * 0.12);
    return head.united(stem).united(stroke);
}

QPainterPath gear(QPointF c, double r)
{
    QPainterPath g;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const double a0 = (i - 0.5) * std::numbers::pi / teeth, a1 = (i + 0.5) * std::numbers::pi / teeth;
        const double rr = i % 2 == 0 ? r : r * 0.74;
        const QPointF p0 = c + QPointF(std::cos(a0) * rr, std::sin(a0) * rr);
        const QPointF p1 = c + QPointF(std::cos(a1) * rr, std::sin(a1) * rr);
        if (i == 0)
            g.moveTo(p0);
        else
            g.lineTo(p0);
        g.lineTo(p1);
    }
    g.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(c, r * 0.32, r * 0.32);
    return g.subtracted(hole);
}

QPainterPath folder(QPointF c, double s)
{
    const double w = s * 1.05, h = s * 0.78;
    const QRectF r(c.x() - w / 2, c.y() - h / 2 + s * 0.04, w, h);
    QPainterPath back;
    back.moveTo(r.left(), r.top() + h * 0.12);
    back.lineTo(r.left() + w * 0.38, r.top() + h * 0.12);
    back.lineTo(r.left() + w * 0.46, r.top() - h * 0.06);
    back.lineTo(r.left() + w * 0.12, r.top() - h * 0.06);
    back.closeSubpath();
    QPainterPath tab = stroked(back, s * 0.1).united(back);
    QPainterPath body = roundedBar(QRectF(r.left(), r.top() + h * 0.1, w, h * 0.9), s * 0.08);
    // The open front flap, slanted, cut out from the body so the folder reads as opened.
    QPainterPath flap;
    flap.moveTo(r.left() + w * 0.18, r.top() + h * 0.38);
    flap.lineTo(r.right() + w * 0.06, r.top() + h * 0.38);
    flap.lineTo(r.right() - w * 0.1, r.bottom());
    flap.lineTo(r.left(), r.bottom());
    flap.closeSubpath();
    QPainterPath gap = stroked(flap, s * 0.13);
    return tab.united(body).subtracted(gap).united(flap);
}

QPainterPath floppy(QPointF c, double s)
{
    const QRectF r(c.x() - s / 2, c.y() - s / 2, s, s);
    QPainterPath disk;
    disk.moveTo(r.left() + s * 0.1, r.top());
    disk.lineTo(r.right() - s * 0.2, r.top());
    disk.lineTo(r.right(), r.top() + s * 0.2);
    disk.lineTo(r.right(), r.bottom() - s * 0.1);
    disk.quadTo(r.right(), r.bottom(), r.right() - s * 0.1, r.bottom());
    disk.lineTo(r.left() + s * 0.1, r.bottom());
    disk.quadTo(r.left(), r.bottom(), r.left(), r.bottom() - s * 0.1);
    disk.lineTo(r.left(), r.top() + s * 0.1);
    disk.quadTo(r.left(), r.top(), r.left() + s * 0.1, r.top());
    disk.closeSubpath();
    QPainterPath shutter = roundedBar(QRectF(r.left() + s * 0.24, r.top() + s * 0.0, s * 0.46, s * 0.3), s * 0.04);
    QPainterPath label = roundedBar(QRectF(r.left() + s * 0.18, r.top() + s * 0.5, s * 0.64, s * 0.38), s * 0.05);
    QPainterPath slot = roundedBar(QRectF(r.left() + s * 0.52, r.top() + s * 0.04, s * 0.1, s * 0.2), s * 0.02);
    return disk.subtracted(shutter.subtracted(slot)).subtracted(label);
}

QPainterPath cycle(QPointF c, double s)
{
    // Two half circles chasing each other, each with an arrow head.
    const double r = s * 0.42;
    QPainterPath out;
    for (int half = 0; half < 2; ++half) {
        const double start = half == 0 ? 200 : 20;
        QPainterPath arc;
        const QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
        arc.arcMoveTo(box, start);
        arc.arcTo(box, start, -140);
        out = out.united(stroked(arc, s * 0.15));
        const double end = (start - 140) * std::numbers::pi / 180;
        const QPointF tip(c.x() + r * std::cos(end), c.y() - r * std::sin(end));
        // The head points along the arc's direction of travel (clockwise on screen).
        const QPointF along(std::sin(end), std::cos(end));
        const QPointF across(along.y(), -along.x());
        QPainterPath head;
        head.moveTo(tip + along * (s * 0.2));
        head.lineTo(tip + across * (s * 0.19) - along * (s * 0.06));
        head.lineTo(tip - across * (s * 0.19) - along * (s * 0.06));
        head.closeSubpath();
        out = out.united(head).united(stroked(head, s * 0.05));
    }
    return out;
}

QPainterPath glyphFor(const QString &name, QPointF c, double s)
{
    if (name == "btnHelp" || name == "btnSysHelp")
        return textPath(QStringLiteral("?"), font(static_cast<int>(std::lround(s * 1.25)), QFont::Bold), c);
    if (name == "btnMinimize" || name == "btnSysMinimize")
        return roundedBar(QRectF(c.x() - s * 0.45, c.y() + s * 0.12, s * 0.9, s * 0.24), s * 0.12);
    if (name == "btnExit" || name == "btnSysExit") {
        QPainterPath x;
        x.moveTo(c + QPointF(-s * 0.36, -s * 0.36));
        x.lineTo(c + QPointF(s * 0.36, s * 0.36));
        x.moveTo(c + QPointF(s * 0.36, -s * 0.36));
        x.lineTo(c + QPointF(-s * 0.36, s * 0.36));
        return stroked(x, s * 0.24);
    }
    if (name == "btnAdd") {
        QPainterPath plus = roundedBar(QRectF(c.x() - s * 0.5, c.y() - s * 0.11, s, s * 0.22), s * 0.08);
        return plus.united(roundedBar(QRectF(c.x() - s * 0.11, c.y() - s * 0.5, s * 0.22, s), s * 0.08));
    }
    if (name == "btnRemove")
        return roundedBar(QRectF(c.x() - s * 0.5, c.y() - s * 0.11, s, s * 0.22), s * 0.08);
    if (name == "btnOpen")
        return folder(c, s);
    if (name == "btnSave")
        return floppy(c, s * 0.9);
    if (name == "btnMoveUp")
        return arrow(c, s, true);
    if (name == "btnMoveDown")
        return arrow(c, s, false);
    auto soft = [s](const QPainterPath &path) { return path.united(stroked(path, s * 0.08)); };
    if (name == "btnPlay")
        return soft(triangle(c + QPointF(s * 0.56, 0), s * 0.86, s, true));
    if (name == "btnPause")
        return roundedBar(QRectF(c.x() - s * 0.4, c.y() - s * 0.45, s * 0.28, s * 0.9), s * 0.06)
            .united(roundedBar(QRectF(c.x() + s * 0.12, c.y() - s * 0.45, s * 0.28, s * 0.9), s * 0.06));
    if (name == "btnStop")
        return roundedBar(QRectF(c.x() - s * 0.4, c.y() - s * 0.4, s * 0.8, s * 0.8), s * 0.12);
    if (name == "btnPrevious" || name == "btnNext") {
        const bool right = name == "btnNext";
        const double d = right ? 1 : -1;
        c -= QPointF(d * s * 0.2, 0);
        QPainterPath g = soft(triangle(c + QPointF(d * s * 0.12, 0), s * 0.42, s * 0.7, right));
        g = g.united(soft(triangle(c + QPointF(d * s * 0.5, 0), s * 0.42, s * 0.7, right)));
        return g.united(roundedBar(QRectF(c.x() + d * s * 0.5 - (right ? 0 : s * 0.14), c.y() - s * 0.38, s * 0.14,
                                          s * 0.76),
                                   s * 0.04)
                            .translated(d * s * 0.06, 0));
    }
    if (name == "btnConvert")
        return cycle(c, s);
    if (name == "btnOptions")
        return gear(c, s * 0.5);
    return {};
}

// ---- Buttons -----------------------------------------------------------------------------

struct ButtonShape {
    QPainterPath face;
    QPointF centre;
    double glyph; // glyph size in client pixels
};

ButtonShape shapeOf(const ButtonPlace &place)
{
    const QRectF r = QRectF(place.rect);
    const QString name = QString::fromLatin1(place.name);
    ButtonShape b;
    b.centre = r.center();
    if (r.height() >= 50) { // the transport keys: upright capsules
        const QRectF k = r.adjusted(3, 2.5, -3, -2.5);
        b.face.addRoundedRect(k, k.width() / 2, k.width() / 2);
        b.glyph = name == "btnStop" || name == "btnPause" ? 15 : 17;
    } else if (name == "btnConvert") {
        const QRectF k = r.adjusted(3, 3, -3, -3);
        b.face.addRoundedRect(k, k.height() / 2, k.height() / 2);
        b.glyph = 22;
    } else {
        const double d = std::min(r.width(), r.height()) - (r.width() > 30 ? 5 : 3.5);
        b.face.addEllipse(b.centre, d / 2, d / 2);
        b.glyph = r.width() > 30 ? 14 : (name == "btnOptions" ? 15 : 9);
    }
    return b;
}

void drawButton(QPainter &p, const ButtonPlace &place, Look look)
{
    const ButtonShape b = shapeOf(place);
    const QRectF box = b.face.boundingRect();
    const QString name = QString::fromLatin1(place.name);
    p.setPen(Qt::NoPen);

    // The socket the button sits in: shadowed above, lit below.
    p.setBrush(alpha(Highlight, 0.22));
    p.drawPath(b.face.translated(0.6, 1.0));
    p.setBrush(alpha(Shadow, 0.8));
    p.drawPath(stroked(b.face, 2.2).united(b.face).translated(-0.3, -0.4));

    if (look == Look::Active) {
        // A soft glow around the lit button.
        for (int i = 3; i >= 1; --i) {
            p.setBrush(alpha(Accent, 0.10 + 0.06 * (3 - i)));
            p.drawPath(stroked(b.face, 1.4 * i).united(b.face));
        }
    }

    QLinearGradient face(box.topLeft(), box.bottomLeft());
    switch (look) {
    case Look::Up:
        face.setColorAt(0, QColor("#4a72a8"));
        face.setColorAt(0.5, QColor("#2c4b78"));
        face.setColorAt(1, QColor("#1a2f4f"));
        break;
    case Look::Active:
        face.setColorAt(0, QColor("#7fb2f0"));
        face.setColorAt(0.5, QColor("#3f78c4"));
        face.setColorAt(1, QColor("#285691"));
        break;
    case Look::Down:
        face.setColorAt(0, QColor("#10203a"));
        face.setColorAt(0.6, QColor("#1c3458"));
        face.setColorAt(1, QColor("#2c4c7a"));
        break;
    }
    p.setBrush(face);
    p.drawPath(b.face);

    // The rim, then the gloss on the upper half (or the shadow of the pressed-in face).
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(alpha(Rim, look == Look::Down ? 0.95 : 0.85), 1.0));
    p.drawPath(b.face);
    p.setPen(Qt::NoPen);
    p.save();
    p.setClipPath(b.face);
    if (look == Look::Down) {
        QLinearGradient in(box.topLeft(), box.topLeft() + QPointF(0, box.height() * 0.35));
        in.setColorAt(0, alpha(Shadow, 0.6));
        in.setColorAt(1, alpha(Shadow, 0));
        p.fillRect(box, in);
    } else {
        QPainterPath gloss;
        gloss.addEllipse(QRectF(box.left() - box.width() * 0.15, box.top() - box.height() * 0.45, box.width() * 1.3,
                                box.height() * 0.92));
        QLinearGradient g(box.topLeft(), QPointF(box.left(), box.top() + box.height() * 0.5));
        g.setColorAt(0, alpha(Qt::white, look == Look::Active ? 0.42 : 0.26));
        g.setColorAt(1, alpha(Qt::white, 0.02));
        p.setBrush(g);
        p.drawPath(gloss);
        // A faint bounce of light along the lower edge.
        QLinearGradient bounce(QPointF(box.left(), box.bottom() - box.height() * 0.25), box.bottomLeft());
        bounce.setColorAt(0, alpha(AccentLight, 0));
        bounce.setColorAt(1, alpha(AccentLight, look == Look::Active ? 0.35 : 0.16));
        p.fillRect(box, bounce);
    }
    p.restore();

    // The glyph: engraved shadow, then the symbol; lit buttons make it glow.
    const QPointF shift = look == Look::Down ? QPointF(0.5, 0.8) : QPointF(0, 0);
    const QPainterPath glyph = glyphFor(name, b.centre + shift, b.glyph);
    if (look == Look::Active) {
        p.setBrush(alpha(AccentLight, 0.35));
        p.drawPath(stroked(glyph, 2.6).united(glyph));
    }
    p.setBrush(alpha(Shadow, look == Look::Down ? 0.4 : 0.65));
    p.drawPath(glyph.translated(0, 0.9));
    QLinearGradient ink(box.topLeft(), box.bottomLeft());
    switch (look) {
    case Look::Up:
        ink.setColorAt(0, QColor("#eef5ff"));
        ink.setColorAt(1, QColor("#bcd3ef"));
        break;
    case Look::Active:
        ink.setColorAt(0, QColor("#ffffff"));
        ink.setColorAt(1, QColor("#e4f1ff"));
        break;
    case Look::Down:
        ink.setColorAt(0, QColor("#9fb9dc"));
        ink.setColorAt(1, QColor("#c6d8ee"));
        break;
    }
    p.setBrush(ink);
    p.drawPath(glyph);
}

// ---- The body's panels -------------------------------------------------------------------

void drawPanels(QPainter &p)
{
    // The product name and its mark, top left.
    const QPointF mark(80, 15);
    p.setPen(Qt::NoPen);
    QRadialGradient orb(mark + QPointF(-2, -3), 9);
    orb.setColorAt(0, AccentLight);
    orb.setColorAt(1, QColor("#2f6cc0"));
    p.setBrush(alpha(Shadow, 0.7));
    p.drawEllipse(mark + QPointF(0, 0.8), 7.5, 7.5);
    p.setBrush(orb);
    p.drawEllipse(mark, 7, 7);
    QPainterPath wave;
    wave.moveTo(mark + QPointF(-4.5, 0.5));
    wave.cubicTo(mark + QPointF(-2.5, -4.5), mark + QPointF(-0.5, -4.5), mark + QPointF(0, 0.5));
    wave.cubicTo(mark + QPointF(0.5, 4.5), mark + QPointF(2.5, 4.5), mark + QPointF(4.5, -0.5));
    p.setBrush(QColor("#0e1a2c"));
    p.drawPath(stroked(wave, 1.6));

    const QFont title = font(14, QFont::Bold, 0.6);
    QPainterPath name;
    name.addText(QPointF(94, 20.5), title, QStringLiteral("Tonebridge"));
    p.setBrush(alpha(Shadow, 0.8));
    p.drawPath(name.translated(0, 1));
    QLinearGradient ink(QPointF(0, 8), QPointF(0, 21));
    ink.setColorAt(0, QColor("#ffffff"));
    ink.setColorAt(1, QColor("#b8d2f2"));
    p.setBrush(ink);
    p.drawPath(name);
    QPainterPath tag;
    tag.addText(QPointF(name.boundingRect().right() + 8, 20), font(9, QFont::DemiBold, 1.2),
                QStringLiteral("MP3 \u00B7 WAV"));
    p.setBrush(alpha(AccentLight, 0.85));
    p.drawPath(tag);

    // A fine groove under the title strip, up to the system buttons.
    p.setBrush(alpha(Shadow, 0.55));
    p.drawRect(QRectF(74, 27.5, 250, 1));
    p.setBrush(alpha(Highlight, 0.12));
    p.drawRect(QRectF(74, 28.5, 250, 1));

    // The list panel, under the tabs.
    const QRectF list = QRectF(tb::ListAreaRect).adjusted(-3, -2, 3, 3);
    drawRecess(p, list, 6, QColor("#0b1626"), QColor("#0f1d31"));

    // The position track under the slider.
    const QRectF play = QRectF(tb::PlaySliderRect);
    const double y = play.center().y();
    drawRecess(p, QRectF(play.left() + 7, y - 2.5, play.width() - 14, 5), 2.5, QColor("#050b15"), QColor("#0c1a2d"),
               0.8);
    for (int i = 0; i <= 10; ++i) {
        const double x = play.left() + 6 + tb::PlayThumbSize.width() / 2.0 + 23.2 * i;
        p.setBrush(alpha(Engraving, i % 5 == 0 ? 0.55 : 0.28));
        p.drawRect(QRectF(x - 0.5, play.bottom() - 2.5, 1, i % 5 == 0 ? 3 : 2));
    }

    // The volume track, its scale and a loudspeaker above it.
    const QRectF vol = QRectF(tb::VolumeSliderRect);
    const double x = vol.center().x();
    drawRecess(p, QRectF(x - 2.5, vol.top() + 7, 5, vol.height() - 14), 2.5, QColor("#050b15"), QColor("#0c1a2d"),
               0.8);
    for (int i = 0; i <= 10; ++i) {
        const double ty = vol.top() + 6 + tb::VolumeThumbSize.height() / 2.0 + 14 * i;
        p.setBrush(alpha(Engraving, i % 5 == 0 ? 0.55 : 0.28));
        p.drawRect(QRectF(vol.left() - 1, ty - 0.5, i % 5 == 0 ? 4 : 2.5, 1));
    }
    QPainterPath speaker;
    const QPointF s(x - 3, vol.top() - 9);
    speaker.moveTo(s + QPointF(-4, -2));
    speaker.lineTo(s + QPointF(-1.5, -2));
    speaker.lineTo(s + QPointF(2, -5));
    speaker.lineTo(s + QPointF(2, 5));
    speaker.lineTo(s + QPointF(-1.5, 2));
    speaker.lineTo(s + QPointF(-4, 2));
    speaker.closeSubpath();
    QPainterPath waves;
    for (double r : {3.5, 6.5}) {
        QPainterPath a;
        a.arcMoveTo(QRectF(s.x() + 2 - r, s.y() - r, 2 * r, 2 * r), 45);
        a.arcTo(QRectF(s.x() + 2 - r, s.y() - r, 2 * r, 2 * r), 45, -90);
        waves.addPath(stroked(a, 1.3));
    }
    p.setBrush(alpha(Shadow, 0.6));
    p.drawPath(speaker.translated(0, 0.8));
    p.drawPath(waves.translated(0, 0.8));
    p.setBrush(alpha(Engraving, 0.9));
    p.drawPath(speaker);
    p.drawPath(waves);

    // The information display: a pale backlit screen for the status, format and clocks.
    const QRectF info = QRectF(tb::InfoDisplayRect);
    drawRecess(p, info, 5, QColor("#e3ecf6"), QColor("#c3d3e6"), 0.35);
    p.save();
    QPainterPath screen;
    screen.addRoundedRect(info, 5, 5);
    p.setClipPath(screen);
    QLinearGradient sheen(info.topLeft(), info.topLeft() + QPointF(info.width() * 0.35, info.height()));
    sheen.setColorAt(0, alpha(Qt::white, 0.35));
    sheen.setColorAt(1, alpha(Qt::white, 0));
    p.fillRect(info, sheen);
    p.restore();

    // A speaker grille between the transport keys and the convert button.
    for (int row = 0; row < 5; ++row)
        for (int col = 0; col < 6; ++col) {
            const QPointF h(294 + col * 8 + (row % 2) * 4, 368 + row * 7);
            if (h.x() > 338)
                continue;
            p.setBrush(alpha(Highlight, 0.16));
            p.drawEllipse(h + QPointF(0.5, 0.7), 1.7, 1.7);
            p.setBrush(alpha(Shadow, 0.85));
            p.drawEllipse(h, 1.7, 1.7);
        }

    // Engraved captions.
    auto caption = [&p](const QString &text, QPointF centre) {
        const QPainterPath t = textPath(text, font(8, QFont::Bold, 1.4), centre);
        p.setBrush(alpha(Shadow, 0.7));
        p.drawPath(t.translated(0, 0.8));
        p.setBrush(alpha(Engraving, 0.85));
        p.drawPath(t);
    };
    caption(QStringLiteral("CONVERT"), QPointF(379, 377));
    caption(QStringLiteral("VOL"), QPointF(381.5, 279));
}

} // namespace

// ---- The whole picture -------------------------------------------------------------------

SkinPainter::SkinPainter(int scale) : scale_(scale)
{
    const int w = tb::MainClientWidth * scale, h = tb::MainClientHeight * scale;

    // The hard silhouette, anti-aliased.
    QImage cover(w, h, QImage::Format_Grayscale8);
    cover.fill(0);
    {
        QPainter p(&cover);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scale, scale);
        p.fillPath(bodyPath(), Qt::white);
    }
    Field shape(w, h);
    for (int y = 0; y < h; ++y) {
        const uchar *row = cover.constScanLine(y);
        for (int x = 0; x < w; ++x)
            shape.at(x, y) = row[x] / 255.f;
    }
    // Blurring and cutting at one half rounds every corner and fillets every join.
    Field smooth = shape;
    gaussian(smooth, 3 * scale);
    Field mask(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float gx = (smooth.get(x + 1, y) - smooth.get(x - 1, y)) / 2;
            const float gy = (smooth.get(x, y + 1) - smooth.get(x, y - 1)) / 2;
            const float slope = std::max(std::sqrt(gx * gx + gy * gy), 1e-4f);
            mask.at(x, y) = std::clamp(0.5f + (smooth.at(x, y) - 0.5f) / slope, 0.f, 1.f);
        }

    // The bevel: the mask blurred once more is a height field, lit from the top left.
    Field height = mask;
    const int bevel = 3 * scale;
    gaussian(height, bevel);
    const float gain = 2.5f * std::sqrt(static_cast<float>(bevel * (bevel + 1)));
    // A few streaks of brushed metal, the same at every scale.
    Field brush(w, h);
    uint32_t seed = 0x9E3779B9u;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            brush.at(x, y) = static_cast<float>(seed >> 8) / 16777216.f - 0.5f;
        }
    boxBlur(brush, 6 * scale);
    for (float &v : brush.v)
        v *= 9.f;

    body_ = QImage(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        const double t = static_cast<double>(y) / (h - 1);
        const QColor base = t < 0.45 ? mix(BodyTop, BodyMiddle, t / 0.45) : mix(BodyMiddle, BodyBottom, (t - 0.45) / 0.55);
        auto *row = reinterpret_cast<QRgb *>(body_.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const float m = mask.at(x, y);
            if (m <= 0.f) {
                row[x] = Rim.rgb();
                continue;
            }
            const float gx = (height.get(x + 1, y) - height.get(x - 1, y)) / 2;
            const float gy = (height.get(x, y + 1) - height.get(x, y - 1)) / 2;
            const double light = (gx + gy) / std::numbers::sqrt2 * gain;
            // The light falls from the top left across the whole body, too.
            const double sheen = 0.10 * (1.0 - std::hypot(x / double(w) - 0.15, y / double(h) - 0.05));
            QColor c = mix(base, Highlight, std::max(sheen, 0.0));
            c = light > 0 ? mix(c, Highlight, light * 0.8) : mix(c, Shadow, -light * 0.9);
            const double grain = brush.at(x, y) / 255.0;
            c = QColor::fromRgbF(static_cast<float>(std::clamp(c.redF() + grain, 0.0, 1.0)),
                                 static_cast<float>(std::clamp(c.greenF() + grain, 0.0, 1.0)),
                                 static_cast<float>(std::clamp(c.blueF() + grain * 1.2, 0.0, 1.0)));
            row[x] = mix(Rim, c, m).rgb();
        }
    }
    {
        QPainter p(&body_);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scale, scale);
        drawPanels(p);
    }

    // Everything outside the body becomes the transparent colour, decided at one client pixel
    // per pixel so that both scales cut exactly the same outline.
    Field outline = shape;
    if (scale != 1) {
        SkinPainter base(1);
        const QImage one = base.body_;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                outline.at(x, y) = one.pixel(x / scale, y / scale) == Outside.rgb() ? 0.f : 1.f;
    } else {
        for (int i = 0; i < w * h; ++i)
            outline.v[static_cast<size_t>(i)] = mask.v[static_cast<size_t>(i)] >= 0.5f ? 1.f : 0.f;
    }
    for (int y = 0; y < h; ++y) {
        auto *row = reinterpret_cast<QRgb *>(body_.scanLine(y));
        for (int x = 0; x < w; ++x)
            if (outline.at(x, y) == 0.f)
                row[x] = Outside.rgb();
    }
}

QImage SkinPainter::compose(int index, Look look) const
{
    QImage out = body_.copy();
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale_, scale_);
    const auto &places = mainButtonPlaces();
    // The chosen button comes last, so where rectangles overlap it lies on top.
    for (size_t i = 0; i < places.size(); ++i)
        if (static_cast<int>(i) != index)
            drawButton(p, places[i], Look::Up);
    if (index >= 0)
        drawButton(p, places[static_cast<size_t>(index)], look);
    p.end();
    // Painting never reaches outside the body.
    for (int y = 0; y < out.height(); ++y) {
        const auto *mask = reinterpret_cast<const QRgb *>(body_.constScanLine(y));
        auto *row = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if (mask[x] == Outside.rgb())
                row[x] = Outside.rgb();
    }
    return out;
}

QImage SkinPainter::skin() const { return compose(-1, Look::Up).convertToFormat(QImage::Format_RGB888); }

QImage SkinPainter::button(int index, Look look) const
{
    const ButtonPlace &place = mainButtonPlaces()[static_cast<size_t>(index)];
    const QRect r(place.rect.topLeft() * scale_, place.rect.size() * scale_);
    // The up picture is exactly what the skin shows there.
    QImage image = compose(look == Look::Up ? -1 : index, look).copy(r).convertToFormat(QImage::Format_RGB888);
    if (QString::fromLatin1(place.name) == "btnOptions") {
        // This button's pictures leave out the colour of their bottom-left pixel: everything
        // outside its round face is given that colour, so only the face is ever drawn.
        const ButtonShape shape = shapeOf(place);
        QImage cut(image.size(), QImage::Format_Grayscale8);
        cut.fill(0);
        QPainter p(&cut);
        p.scale(scale_, scale_);
        p.translate(-QPointF(place.rect.topLeft()));
        p.fillPath(stroked(shape.face, 2.4).united(shape.face), Qt::white);
        p.end();
        const QColor key(255, 0, 255);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(cut.pixel(x, y)) < 128)
                    image.setPixelColor(x, y, key);
    }
    return image;
}

QImage SkinPainter::thumb(bool horizontal) const
{
    const QSize size = horizontal ? tb::PlayThumbSize : tb::VolumeThumbSize;
    QImage image(size * scale_, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale_, scale_);
    const QRectF r = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(0.5, 0.5, -0.5, -0.5);
    const double radius = std::min(r.width(), r.height()) / 2;
    p.setPen(Qt::NoPen);
    p.setBrush(alpha(Shadow, 0.7));
    p.drawRoundedRect(r, radius, radius);
    const QRectF face = r.adjusted(0.6, 0.6, -0.6, -1.0);
    QLinearGradient metal(face.topLeft(), horizontal ? face.bottomLeft() : face.bottomRight());
    metal.setColorAt(0, QColor("#f4f8fd"));
    metal.setColorAt(0.5, QColor("#c3d2e5"));
    metal.setColorAt(1, QColor("#8299b8"));
    p.setBrush(metal);
    p.drawRoundedRect(face, radius - 0.6, radius - 0.6);
    // A lit line across the middle marks the exact position.
    const QPointF c = face.center();
    p.setBrush(QColor("#1f5fb4"));
    if (horizontal)
        p.drawRoundedRect(QRectF(c.x() - 1, face.top() + 2, 2, face.height() - 4), 1, 1);
    else
        p.drawRoundedRect(QRectF(face.left() + 2, c.y() - 1, face.width() - 4, 2), 1, 1);
    p.setBrush(alpha(Accent, 0.6));
    if (horizontal)
        p.drawRoundedRect(QRectF(c.x() - 0.5, face.top() + 2.5, 1, face.height() - 5), 0.5, 0.5);
    else
        p.drawRoundedRect(QRectF(face.left() + 2.5, c.y() - 0.5, face.width() - 5, 1), 0.5, 0.5);
    p.end();
    return image;
}

} // namespace art
