#include "ui/ArtLayout.h"
#include "ui/CommandButton.h"
#include "ui/Style.h"

#include <QDir>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <gtest/gtest.h>

namespace {

QImage load(const char* name)
{
    return QImage(QStringLiteral(TESVORA_APPDIR "/pic/") + QString::fromUtf8(name));
}

void saveShot(const QImage& img, const QString& name)
{
    if (const QByteArray dir = qgetenv("TESVORA_SHOT_DIR"); !dir.isEmpty())
        img.save(QDir(QString::fromLocal8Bit(dir)).filePath(name));
}

} // namespace

TEST(Art, EveryPictureExistsAtItsSize)
{
    using namespace ui::art;
    const std::pair<const char*, QSize> files[] = {
        {kGridUp, kGridFace}, {kGridDown, kGridFace}, {kGridRight, kGridFace}, {kGridWrong, kGridFace},
        {kGridRightDown, kGridFace}, {kGridWrongDown, kGridFace}, {kTypeUp, kTypeFace}, {kTypeDown, kTypeFace},
        {kOptionUp, kOptionFace}, {kOptionDown, kOptionFace}, {kJudgeUp, kJudgeFace}, {kJudgeDown, kJudgeFace},
        {kChooserCompact.file, kChooserCompact.picture}, {kChooserFull.file, kChooserFull.picture}};
    for (const auto& [file, size] : files) {
        const QImage img = load(file);
        ASSERT_FALSE(img.isNull()) << file;
        EXPECT_EQ(img.size(), size) << file;
    }
}

// Right faces read green, wrong faces red, pressed faces darker than their up faces.
TEST(Art, GridFacesTellTheStatesApart)
{
    using namespace ui::art;
    auto middle = [](const char* f) { const QImage i = load(f); return i.pixelColor(i.width() / 2, i.height() / 2); };
    const QColor right = middle(kGridRight), wrong = middle(kGridWrong);
    EXPECT_GT(right.green(), right.red() + 20);
    EXPECT_GT(wrong.red(), wrong.green() + 20);
    EXPECT_LT(middle(kGridDown).lightness(), middle(kGridUp).lightness());
    EXPECT_LT(middle(kGridRightDown).lightness(), right.lightness());
    EXPECT_LT(middle(kGridWrongDown).lightness(), wrong.lightness());
    EXPECT_LT(middle(kOptionDown).lightness(), middle(kOptionUp).lightness());
}

// The chooser pictures draw exactly where the layout says: a white grid well, six
// button faces that do not overlap anything, all inside the picture. Laying the real
// buttons over them gives the picture to look at.
TEST(Art, ChooserPicturesMatchTheLayout)
{
    for (bool compact : {true, false}) {
        const ui::art::ChooserLayout& l = ui::art::chooserLayout(compact);
        const QImage img = load(l.file);
        ASSERT_FALSE(img.isNull());
        const QRect all(QPoint(0, 0), l.picture);
        EXPECT_LE(l.picture.width(), l.window.width());
        std::vector<QRect> parts{l.grid, l.board};
        for (const QRect& b : l.buttons)
            parts.push_back(b);
        for (size_t i = 0; i < parts.size(); ++i) {
            EXPECT_TRUE(all.contains(parts[i])) << compact << " part " << i;
            for (size_t j = i + 1; j < parts.size(); ++j)
                EXPECT_FALSE(parts[i].intersects(parts[j])) << compact << " parts " << i << "," << j;
        }
        for (int k = 0; k < 4; ++k) {
            EXPECT_TRUE(l.board.contains(l.boardLabels[k]));
            EXPECT_TRUE(l.board.contains(l.boardValues[k]));
        }
        EXPECT_EQ(img.pixelColor(l.grid.center()), QColor(Qt::white));
        for (const QRect& b : l.buttons) {
            const QColor face = img.pixelColor(b.center().x(), b.top() + 4);
            const QColor outside = img.pixelColor(b.left() - 5, b.center().y());
            EXPECT_GT(face.lightness(), 200);
            EXPECT_NE(face, outside);
        }

        QLabel window;
        window.setFixedSize(l.window);
        window.setPixmap(QPixmap::fromImage(img));
        for (int i = 0; i < ui::art::ChooserButtonCount; ++i) {
            auto* b = new ui::CommandButton(QString::fromUtf8(ui::art::kChooserCaptions[i]), &window);
            b->setFont(ui::songFont(l.buttonFontPx));
            b->setGeometry(l.buttons[i]);
            b->setEnabled(i != ui::art::Review);
        }
        for (int k = 0; k < 4; ++k) {
            auto* label = new QLabel(QString::fromUtf8(ui::art::kBoardLabels[k]), &window);
            label->setGeometry(l.boardLabels[k]);
            auto* value = new QLabel(QStringLiteral("12345"), &window);
            value->setStyleSheet(QStringLiteral("color: #9fe8a0; font-size: 18px;"));
            value->setAlignment(Qt::AlignCenter);
            value->setGeometry(l.boardValues[k]);
        }
        saveShot(window.grab().toImage(), QString::fromUtf8(l.file).replace(QStringLiteral(".bmp"), QStringLiteral("-overlay.png")));
    }
}

TEST(Style, SongFontDrawsChineseAndIconsDiffer)
{
    const QFont f = ui::songFont(14);
    EXPECT_EQ(f.pixelSize(), 14);
    const QFontMetrics fm(f);
    for (QChar c : QStringLiteral("宋体练习题错误"))
        EXPECT_TRUE(fm.inFont(c)) << "no glyph for " << QString(c).toStdString();
    EXPECT_TRUE(QFontInfo(f).family().contains(QStringLiteral("CJK"))) << QFontInfo(f).family().toStdString();

    // Information blue, warning amber, error red.
    auto dominant = [](int page) {
        const QImage img = ui::promptIcon(page, 32).toImage();
        long r = 0, g = 0, b = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const QColor c = img.pixelColor(x, y);
                if (c.alpha() > 200) {
                    r += c.red();
                    g += c.green();
                    b += c.blue();
                }
            }
        return std::array<long, 3>{r, g, b};
    };
    const auto info = dominant(0), warn = dominant(1), error = dominant(2);
    EXPECT_GT(info[2], info[0]);
    EXPECT_GT(warn[0], warn[2]);
    EXPECT_GT(warn[1], warn[2]);
    EXPECT_GT(error[0], error[1] * 3 / 2);
}
