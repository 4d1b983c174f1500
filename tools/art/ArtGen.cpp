// Paints the program's pictures into a pic/ folder: button faces of the practice
// screens and the chapter chooser's two backgrounds. Sizes and rectangles come from
// ui/ArtLayout.h, which the screens use too.
#include "ui/ArtLayout.h"
#include "ui/Style.h"

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

using namespace ui::art;

namespace {

struct FaceColours {
    QColor top, bottom, border;
};

QFont font(int px, bool bold = false)
{
    QFont f;
    f.setFamilies(ui::songFamilies());
    f.setPixelSize(px);
    f.setBold(bold);
    return f;
}

// 1 for the pictures themselves, 2 for their "@2x" variants on high-density screens:
// the same drawing in logical units, at twice the pixels.
int g_scale = 1;

QImage canvas(QSize size)
{
    QImage img(size * g_scale, QImage::Format_RGB32);
    img.setDevicePixelRatio(g_scale);
    img.fill(ui::kPanelBackground);
    return img;
}

// A raised face with a gloss, or a pressed one with a shadow along its top edge.
void paintFace(QPainter& p, const QRectF& r, qreal radius, const FaceColours& c, bool pressed, bool round = false)
{
    QPainterPath shape;
    if (round)
        shape.addEllipse(r);
    else
        shape.addRoundedRect(r, radius, radius);

    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, c.top);
    fill.setColorAt(1, c.bottom);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(shape);

    p.save();
    p.setClipPath(shape);
    if (pressed) {
        QLinearGradient shade(r.topLeft(), r.topLeft() + QPointF(0, r.height() * 0.35));
        shade.setColorAt(0, QColor(0, 0, 0, 70));
        shade.setColorAt(1, QColor(0, 0, 0, 0));
        p.fillRect(r, shade);
    } else {
        const QRectF gloss(r.left() + 1, r.top() + 1, r.width() - 2, r.height() * 0.48);
        QLinearGradient shine(gloss.topLeft(), gloss.bottomLeft());
        shine.setColorAt(0, QColor(255, 255, 255, 170));
        shine.setColorAt(1, QColor(255, 255, 255, 30));
        QPainterPath glossShape;
        if (round)
            glossShape.addEllipse(gloss.adjusted(r.width() * 0.12, 0, -r.width() * 0.12, 0));
        else
            glossShape.addRoundedRect(gloss, radius - 1, radius - 1);
        p.fillPath(glossShape, shine);
    }
    p.restore();

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(c.border, 1.2));
    p.drawPath(shape);
}

QImage face(QSize size, qreal radius, const FaceColours& c, bool pressed, bool round = false)
{
    QImage img = canvas(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    paintFace(p, QRectF(QPointF(0, 0), QSizeF(size)).adjusted(1, 1, -1, -1), radius, c, pressed, round);
    return img;
}

const FaceColours kNeutralUp{{255, 255, 255}, {206, 220, 238}, {112, 138, 176}};
const FaceColours kNeutralDown{{176, 198, 226}, {214, 228, 244}, {64, 96, 146}};
const FaceColours kRightUp{{240, 250, 236}, {172, 220, 164}, {80, 144, 80}};
const FaceColours kRightDown{{140, 198, 134}, {196, 232, 190}, {50, 112, 50}};
const FaceColours kWrongUp{{254, 240, 236}, {236, 172, 162}, {172, 80, 70}};
const FaceColours kWrongDown{{218, 132, 122}, {244, 198, 190}, {146, 56, 48}};
const FaceColours kAnsweredUp{{255, 248, 222}, {246, 212, 128}, {170, 128, 40}};
const FaceColours kSelected{{200, 222, 248}, {120, 168, 226}, {46, 86, 150}};

// Soft hills along the bottom edge: a calm backdrop that stays out of the way.
void paintHills(QPainter& p, QSize size)
{
    const qreal w = size.width(), h = size.height();
    QPainterPath far;
    far.moveTo(0, h * 0.80);
    far.cubicTo(w * 0.22, h * 0.70, w * 0.38, h * 0.86, w * 0.58, h * 0.76);
    far.cubicTo(w * 0.76, h * 0.67, w * 0.90, h * 0.78, w, h * 0.72);
    far.lineTo(w, h);
    far.lineTo(0, h);
    far.closeSubpath();
    p.fillPath(far, QColor(90, 124, 170, 34));
    QPainterPath near;
    near.moveTo(0, h * 0.90);
    near.cubicTo(w * 0.30, h * 0.82, w * 0.52, h * 0.95, w * 0.74, h * 0.87);
    near.cubicTo(w * 0.86, h * 0.83, w * 0.94, h * 0.88, w, h * 0.86);
    near.lineTo(w, h);
    near.lineTo(0, h);
    near.closeSubpath();
    p.fillPath(near, QColor(70, 104, 150, 40));
}

void paintShadow(QPainter& p, const QRectF& r, qreal radius)
{
    for (int i = 1; i <= 4; ++i) {
        QPainterPath s;
        s.addRoundedRect(r.translated(i * 0.6, i * 0.8).adjusted(-i * 0.5, -i * 0.5, i * 0.5, i * 0.5), radius + i, radius + i);
        p.fillPath(s, QColor(30, 50, 80, 14));
    }
}

QImage chooserBackground(const ChooserLayout& l)
{
    QImage img = canvas(l.picture);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient back(0, 0, 0, l.picture.height());
    back.setColorAt(0, QColor(232, 239, 248));
    back.setColorAt(1, QColor(190, 207, 229));
    p.fillRect(QRect(QPoint(0, 0), l.picture), back);
    paintHills(p, l.picture);

    // Title strip with the window's name.
    QLinearGradient strip(l.title.topLeft(), l.title.topRight());
    strip.setColorAt(0, ui::kTitleStripDark);
    strip.setColorAt(1, ui::kTitleStripLight);
    p.fillRect(l.title, strip);
    QLinearGradient gloss(l.title.topLeft(), l.title.bottomLeft());
    gloss.setColorAt(0, QColor(255, 255, 255, 60));
    gloss.setColorAt(0.55, QColor(255, 255, 255, 8));
    gloss.setColorAt(1, QColor(0, 0, 0, 40));
    p.fillRect(l.title, gloss);
    p.setPen(QColor(255, 255, 255, 120));
    p.drawLine(l.title.bottomLeft(), l.title.bottomRight());

    const int titlePx = l.titleText.height() - 6;
    // A small vermilion seal before the title.
    const QRectF seal(l.titleText.left(), l.titleText.top() + 2, l.titleText.height() - 4, l.titleText.height() - 4);
    QPainterPath sealPath;
    sealPath.addRoundedRect(seal, 3, 3);
    p.fillPath(sealPath, QColor(186, 46, 38));
    p.setPen(QPen(QColor(255, 236, 220), 1));
    p.drawRoundedRect(seal.adjusted(2, 2, -2, -2), 2, 2);
    p.setFont(font(int(seal.height() * 0.62), true));
    p.setPen(QColor(255, 244, 236));
    p.drawText(seal, Qt::AlignCenter, QStringLiteral("习"));

    const QRectF titleRect = QRectF(l.titleText).adjusted(seal.width() + 10, 0, 0, 0);
    p.setFont(font(titlePx, true));
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(titleRect.translated(1, 1), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("科目名称"));
    p.setPen(Qt::white);
    p.drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("科目名称"));

    // The well behind the grid.
    paintShadow(p, l.grid, 3);
    p.setPen(QPen(QColor(108, 134, 172), 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(l.grid).adjusted(-0.5, -0.5, 0.5, 0.5), 3, 3);

    // Totals board.
    paintShadow(p, l.board, 6);
    QPainterPath board;
    board.addRoundedRect(l.board, 6, 6);
    QLinearGradient boardFill(l.board.topLeft(), l.board.bottomLeft());
    boardFill.setColorAt(0, QColor(248, 251, 255));
    boardFill.setColorAt(1, QColor(218, 229, 243));
    p.fillPath(board, boardFill);
    p.save();
    p.setClipPath(board);
    QLinearGradient head(l.boardHeading.topLeft(), l.boardHeading.bottomLeft());
    head.setColorAt(0, QColor(112, 148, 196));
    head.setColorAt(1, QColor(72, 108, 160));
    p.fillRect(l.boardHeading, head);
    p.restore();
    p.setPen(QPen(QColor(108, 134, 172), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(board);
    p.setFont(font(l.boardHeading.height() / 2 + 2, true));
    p.setPen(Qt::white);
    p.drawText(l.boardHeading, Qt::AlignCenter, QStringLiteral("学习统计"));
    for (const QRect& v : l.boardValues) {
        QPainterPath well;
        well.addRoundedRect(QRectF(v), 4, 4);
        QLinearGradient wellFill(v.topLeft(), v.bottomLeft());
        wellFill.setColorAt(0, QColor(22, 36, 56));
        wellFill.setColorAt(1, QColor(44, 64, 92));
        p.fillPath(well, wellFill);
        p.setPen(QPen(QColor(255, 255, 255, 160), 1));
        p.drawLine(QPointF(v.left() + 4, v.bottom() + 1.5), QPointF(v.right() - 4, v.bottom() + 1.5));
    }
    // A hairline under each label row.
    p.setPen(QPen(QColor(150, 172, 204), 1, Qt::DotLine));
    for (const QRect& r : l.boardLabels)
        p.drawLine(QPointF(r.left(), r.bottom() + 0.5), QPointF(r.right(), r.bottom() + 0.5));

    // Six empty button faces; the buttons draw their captions.
    for (const QRect& b : l.buttons) {
        paintShadow(p, b, 6);
        paintFace(p, QRectF(b), 6, kNeutralUp, false);
    }
    return img;
}

bool save(const QImage& img, const QDir& dir, const char* name)
{
    QString file = QString::fromUtf8(name);
    if (g_scale != 1)
        file.insert(file.lastIndexOf(QLatin1Char('.')), QStringLiteral("@%1x").arg(g_scale));
    const QString path = dir.filePath(file);
    if (img.save(path, "BMP"))
        return true;
    QTextStream(stderr) << "cannot write " << path << "\n";
    return false;
}

// Every picture of the program folder at the current scale.
bool paintAll(const QDir& dir)
{
    bool ok = true;
    ok &= save(face(kGridFace, 5, kNeutralUp, false), dir, kGridUp);
    ok &= save(face(kGridFace, 5, kNeutralDown, true), dir, kGridDown);
    ok &= save(face(kGridFace, 5, kRightUp, false), dir, kGridRight);
    ok &= save(face(kGridFace, 5, kWrongUp, false), dir, kGridWrong);
    ok &= save(face(kGridFace, 5, kRightDown, true), dir, kGridRightDown);
    ok &= save(face(kGridFace, 5, kWrongDown, true), dir, kGridWrongDown);
    ok &= save(face(kGridFace, 5, kAnsweredUp, false), dir, kGridAnswered);
    ok &= save(face(kTypeFace, kTypeFace.height() / 2 - 1, kNeutralUp, false), dir, kTypeUp);
    ok &= save(face(kTypeFace, kTypeFace.height() / 2 - 1, kSelected, true), dir, kTypeDown);
    ok &= save(face(kOptionFace, 0, kNeutralUp, false, true), dir, kOptionUp);
    ok &= save(face(kOptionFace, 0, kSelected, true, true), dir, kOptionDown);
    ok &= save(face(kJudgeFace, 8, kNeutralUp, false), dir, kJudgeUp);
    ok &= save(face(kJudgeFace, 8, kSelected, true), dir, kJudgeDown);
    ok &= save(chooserBackground(kChooserCompact), dir, kChooserCompact.file);
    ok &= save(chooserBackground(kChooserFull), dir, kChooserFull.file);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: tesvora_artgen <pic folder>\n";
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(dir.path())) {
        QTextStream(stderr) << "cannot create " << dir.path() << "\n";
        return 1;
    }

    bool ok = true;
    for (const int scale : {1, 2}) {
        g_scale = scale;
        ok &= paintAll(dir);
    }
    return ok ? 0 : 1;
}

