#include "ui/ArtLayout.h"
#include "ui/PictureButton.h"

#include <QAccessible>
#include <QButtonGroup>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString pic(const char* name)
{
    return QStringLiteral(TESVORA_APPDIR "/pic/") + QString::fromUtf8(name);
}

QPixmap solid(QColor c, QSize s = {40, 32})
{
    QPixmap pm(s);
    pm.fill(c);
    return pm;
}

QColor centreOf(QWidget* w)
{
    return w->grab().toImage().pixelColor(3, 3); // a corner of the face, away from the caption
}

} // namespace

TEST(PictureButton, ShowsThePictureOfItsState)
{
    ui::PictureButton b(QStringLiteral("7"));
    b.setPictures(solid(Qt::white), solid(Qt::darkBlue), solid(Qt::lightGray));
    b.resize(b.sizeHint());
    EXPECT_EQ(b.sizeHint(), QSize(40, 32));
    EXPECT_EQ(centreOf(&b), QColor(Qt::white));

    b.setDown(true);
    EXPECT_EQ(centreOf(&b), QColor(Qt::darkBlue));
    b.setDown(false);

    b.setCheckable(true);
    b.setChecked(true);
    EXPECT_EQ(centreOf(&b), QColor(Qt::darkBlue));

    b.setEnabled(false);
    EXPECT_EQ(centreOf(&b), QColor(Qt::lightGray));

    // No disabled picture: the up picture, greyed.
    b.setDisabledPicture(QPixmap());
    b.setUpPicture(solid(QColor(40, 160, 40)));
    const QColor faded = centreOf(&b);
    EXPECT_EQ(faded.red(), faded.green());
    EXPECT_EQ(faded.green(), faded.blue());

    // Pressed and disabled without a disabled picture: still darker than released
    // (a candidate's answer on a read-only page).
    b.setUpPicture(solid(Qt::white));
    const QColor pressed = centreOf(&b);
    b.setChecked(false);
    EXPECT_LT(pressed.lightness(), centreOf(&b).lightness());
    b.setChecked(true);

    // Pictures change while the button lives (the grid's right/wrong faces).
    b.setEnabled(true);
    b.setChecked(false);
    b.setUpPicture(solid(Qt::red));
    EXPECT_EQ(centreOf(&b), QColor(Qt::red));
}

TEST(PictureButton, LoadsTheGeneratedFacesAndRefusesMissingFiles)
{
    ui::PictureButton b;
    ASSERT_TRUE(b.loadPictures(pic(ui::art::kGridUp), pic(ui::art::kGridDown)));
    EXPECT_EQ(b.sizeHint(), ui::art::kGridFace);
    const QImage up = b.upPicture().toImage();

    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("none.bmp"));
    EXPECT_FALSE(b.loadPictures(missing, pic(ui::art::kGridDown)));
    EXPECT_FALSE(b.loadPictures(pic(ui::art::kGridUp), missing));
    EXPECT_FALSE(b.loadPictures(pic(ui::art::kGridUp), pic(ui::art::kGridDown), missing));
    EXPECT_EQ(b.upPicture().toImage(), up) << "a failed load changes nothing";
}

TEST(PictureButton, RadioGroupPressesOneAtATime)
{
    QWidget panel;
    QButtonGroup group;
    std::vector<ui::PictureButton*> buttons;
    for (int i = 0; i < 3; ++i) {
        auto* b = new ui::PictureButton(QString::number(i + 1), &panel);
        b->setPictures(solid(Qt::white), solid(Qt::darkBlue));
        b->setCheckable(true);
        b->setGeometry(i * 44, 0, 40, 32);
        group.addButton(b, i);
        buttons.push_back(b);
    }
    panel.show();
    QTest::mouseClick(buttons[1], Qt::LeftButton);
    EXPECT_EQ(group.checkedId(), 1);
    QTest::mouseClick(buttons[2], Qt::LeftButton);
    EXPECT_EQ(group.checkedId(), 2);
    EXPECT_FALSE(buttons[1]->isChecked());
    EXPECT_EQ(centreOf(buttons[2]), QColor(Qt::darkBlue));
    EXPECT_EQ(centreOf(buttons[1]), QColor(Qt::white));
}

TEST(PictureButton, CaptionIsDrawnAndNamesTheButton)
{
    ui::PictureButton b(QStringLiteral("A"));
    b.setPictures(solid(Qt::white, {40, 40}), solid(Qt::white, {40, 40}));
    b.resize(40, 40);
    const QImage img = b.grab().toImage();
    int dark = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            dark += img.pixelColor(x, y).lightness() < 80;
    EXPECT_GT(dark, 5) << "the caption is painted over the picture";

    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&b);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("A"));
    b.setAccessibleName(QStringLiteral("选项A"));
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("选项A"));
    EXPECT_EQ(b.textColour(), QColor(0, 0, 0));
    b.setEnabled(false);
    EXPECT_EQ(b.textColour(), QColor(128, 128, 128));
}
